#include "ClassFeatures.h"

#include "exchange/ClassExport.h"
#include "keeping/NewTerm.h"
#include "lesson/RecordingWorker.h"
#include "lesson/Settings.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "roll/ClassName.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/ProgramIcon.h"
#include "ui/windows/BackupsDialog.h"
#include "ui/windows/ImportDialog.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView ExportFolderKey = u"export/folder";

struct ExportChoice
{
    bool allClasses = false;
    bool xlsx = true;
};

// Which classes and which format; none when the teacher cancels.
std::optional<ExportChoice> askExport(QWidget* window, const QString& loadedShown,
                                      qsizetype classes)
{
    QDialog dialog(window);
    dialog.setObjectName(u"ExportDialog"_s);
    dialog.setWindowTitle(u"导出成绩"_s);
    dialog.setWindowIcon(programIcon());
    auto* current = new QRadioButton(u"当前班级“"_s + loadedShown + u"”"_s, &dialog);
    auto* all = new QRadioButton(u"全部 "_s + QString::number(classes) + u" 个班级"_s, &dialog);
    auto* xlsx = new QRadioButton(u"Excel 工作簿（.xlsx），每个班级一张工作表"_s, &dialog);
    auto* csv = new QRadioButton(u"CSV 文件（UTF-8），Excel 和 WPS 都能打开"_s, &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    buttons->addButton(u"导出…"_s, QDialogButtonBox::AcceptRole);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(u"导出哪些班级："_s, &dialog));
    layout->addWidget(current);
    layout->addWidget(all);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(u"导出为："_s, &dialog));
    layout->addWidget(xlsx);
    layout->addWidget(csv);
    layout->addWidget(new QLabel(u"列：学号、姓名、点名次数、优秀、良好、及格、不及格、"
                                 u"本学期点名次数、最近点名日期。"_s,
                                 &dialog));
    layout->addWidget(buttons);
    // Two choices in one dialog: each pair is exclusive on its own.
    auto* which = new QButtonGroup(&dialog);
    which->addButton(current);
    which->addButton(all);
    auto* format = new QButtonGroup(&dialog);
    format->addButton(xlsx);
    format->addButton(csv);
    current->setEnabled(!loadedShown.isEmpty());
    (loadedShown.isEmpty() ? all : current)->setChecked(true);
    xlsx->setChecked(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ExportChoice{all->isChecked(), xlsx->isChecked()};
}

} // namespace

ClassFeatures::ClassFeatures(QWidget* window, const RollFolder& folder, RecordingWorker& recorder,
                             ErrorReporter& reporter, Settings& settings)
    : QObject(window)
    , m_window(window)
    , m_folder(folder)
    , m_recorder(recorder)
    , m_reporter(reporter)
    , m_settings(settings)
{
}

ClassFeatures::~ClassFeatures() = default;

void ClassFeatures::importClass()
{
    ImportDialog dialog(m_folder, m_reporter, m_window);
    connect(&dialog, &ImportDialog::imported, this,
            [this](const QString& fileName, qsizetype students) {
                Q_EMIT classAdded(fileName);
                Q_EMIT notice(u"已导入班级“"_s + classNameOf(fileName) + u"”："_s +
                              QString::number(students) + u" 名学生"_s);
            });
    dialog.exec();
}

void ClassFeatures::exportClasses(const QString& loadedClass)
{
    const Result<QList<ListedFile>> listed = m_folder.listClasses();
    if (!listed) {
        m_reporter.report(m_window,
                          Error{u"无法导出：读不出点名册文件夹。"_s, listed.error().reason});
        return;
    }
    const std::optional<ExportChoice> choice =
        askExport(m_window, classNameOf(loadedClass), listed.value().size());
    if (!choice)
        return;
    QStringList classes;
    if (choice->allClasses) {
        for (const ListedFile& file : listed.value())
            classes.append(file.name);
    } else {
        classes.append(loadedClass);
    }

    QString folder = QString::fromUtf8(m_settings.bytes(ExportFolderKey));
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString extension = choice->xlsx ? u".xlsx"_s : u".csv"_s;
    const QString suggested = (choice->allClasses ? u"全部班级"_s : classNameOf(loadedClass)) +
                              u" 成绩 "_s + QDate::currentDate().toString(u"yyyy-MM-dd"_s) +
                              extension;
    QString path = QFileDialog::getSaveFileName(
        m_window, u"导出到"_s, QDir(folder).filePath(suggested),
        choice->xlsx ? u"Excel 工作簿 (*.xlsx)"_s : u"CSV 文件 (*.csv)"_s);
    if (path.isEmpty())
        return;
    if (!path.endsWith(extension, Qt::CaseInsensitive)) {
        path += extension;
        // The dialog asked about the name as typed; the file written is this one.
        const Result<std::optional<FileStatus>> there = systemFileOperations().status(path);
        if ((!there || there.value()) &&
            QMessageBox::question(
                m_window, u"导出成绩"_s, u"“"_s + fileNameOf(path) + u"”已经存在。要替换它吗？"_s,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    m_settings.setBytes(ExportFolderKey, folderOf(path).toUtf8());

    const Result<QList<ExportedClass>> exported = readClassesForExport(m_folder, classes);
    if (!exported) {
        m_reporter.report(m_window, exported.error());
        return;
    }
    const Result<ExportedWorkbook> workbook =
        choice->xlsx ? exportXlsx(exported.value())
                     : Result<ExportedWorkbook>(ExportedWorkbook{exportCsv(exported.value()), {}});
    if (!workbook) {
        m_reporter.report(m_window, workbook.error());
        return;
    }
    if (const Result<void> written =
            writeExportFile(path, workbook.value().bytes, systemFileOperations());
        !written) {
        m_reporter.report(m_window, written.error());
        return;
    }
    if (!workbook.value().leftOut.isEmpty()) {
        m_reporter.report(m_window, Error{u"已导出到“"_s + fileNameOf(path) + u"”，但"_s +
                                              workbook.value().leftOut.join(u'\n'),
                                          QString()});
    }
    Q_EMIT notice(u"已导出到“"_s + fileNameOf(path) + u"”"_s);
}

void ClassFeatures::showBackups(const QString& loadedClass)
{
    BackupsDialog dialog(m_folder, loadedClass, m_recorder, m_reporter, m_window);
    dialog.exec();
}

void ClassFeatures::startNewTerm(const QString& loadedClass)
{
    const Result<QList<ListedFile>> listed = m_folder.listClasses();
    if (!listed || listed.value().isEmpty()) {
        m_reporter.report(m_window, Error{u"无法开始新学期：点名册文件夹里没有班级。"_s,
                                          listed ? QString() : listed.error().reason});
        return;
    }
    QMessageBox box(QMessageBox::Question, u"新学期"_s,
                    u"开始新学期：把班级里每名学生的点名次数和四项成绩都清零。\n\n"
                    u"清零之前会先备份（可在“备份与恢复”中找回），点名记录也都会保留。"_s,
                    QMessageBox::Cancel, m_window);
    QPushButton* one = nullptr;
    if (!loadedClass.isEmpty()) {
        one = box.addButton(u"只清零“"_s + classNameOf(loadedClass) + u"”"_s,
                            QMessageBox::AcceptRole);
    }
    QPushButton* all =
        box.addButton(u"全部 "_s + QString::number(listed.value().size()) + u" 个班级都清零"_s,
                      QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    QStringList classes;
    if (box.clickedButton() == one && one) {
        classes.append(loadedClass);
    } else if (box.clickedButton() == all) {
        for (const ListedFile& file : listed.value())
            classes.append(file.name);
    } else {
        return;
    }

    // The notice comes once the last class is done.
    auto done = std::make_shared<qsizetype>(0);
    for (qsizetype i = 0; i < classes.size(); ++i) {
        const bool last = i + 1 == classes.size();
        m_recorder.startNewTerm(
            classes[i], this, [this, done, last](const Result<LoggedChange>& reset) {
                if (!reset)
                    m_reporter.report(m_window, reset.error());
                else if (const std::optional<Error> warning = warningOf(reset.value()))
                    m_reporter.report(m_window, *warning);
                *done += reset.ok();
                if (last && *done > 0) {
                    Q_EMIT notice(u"新学期：已清零 "_s + QString::number(*done) +
                                  u" 个班级（清零前已备份）"_s);
                }
            });
    }
}

} // namespace mirello
