#include "BackupsDialog.h"

#include "lesson/RecordingWorker.h"
#include "platform/FileOperations.h"
#include "roll/Backups.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/ProgramIcon.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView TimeFormat = u"yyyy-MM-dd HH:mm:ss";

} // namespace

BackupsDialog::BackupsDialog(const RollFolder& folder, const QString& chosenClass,
                             RecordingWorker& recorder, ErrorReporter& reporter, QWidget* parent)
    : QDialog(parent)
    , m_folder(folder)
    , m_recorder(recorder)
    , m_reporter(reporter)
{
    setObjectName(u"BackupsDialog"_s);
    setWindowTitle(u"备份与恢复"_s);
    setWindowIcon(programIcon());
    resize(420, 460);

    m_class = new QComboBox(this);
    m_class->setObjectName(u"Class"_s);
    const Result<QList<ListedFile>> classes = folder.listClasses();
    for (const ListedFile& file : classes ? classes.value() : QList<ListedFile>())
        m_class->addItem(file.shown, file.name);
    m_class->setCurrentIndex(std::max(0, m_class->findData(chosenClass)));

    m_backups = new QTreeWidget(this);
    m_backups->setObjectName(u"Backups"_s);
    m_backups->setHeaderLabels({u"备份时间"_s, u"点名总次数"_s});
    m_backups->setRootIsDecorated(false);
    m_backups->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    auto* note = new QLabel(u"每个班级在每天第一次记录（或撤销）之前自动备份一次；恢复备份和开始"
                            u"新学期之前也先备份。每班保留最近 "_s +
                                QString::number(KeptBackupsPerClass) + u" 份。"_s,
                            this);
    note->setWordWrap(true);
    m_done = new QLabel(this);
    m_done->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restore = buttons->addButton(u"恢复所选备份…"_s, QDialogButtonBox::ActionRole);
    m_restore->setObjectName(u"Restore"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_class);
    layout->addWidget(m_backups, 1);
    layout->addWidget(note);
    layout->addWidget(m_done);
    layout->addWidget(buttons);

    connect(m_class, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &BackupsDialog::showBackups);
    connect(m_backups, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_restore->setEnabled(m_backups->currentItem() != nullptr); });
    connect(m_restore, &QPushButton::clicked, this, &BackupsDialog::restoreChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showBackups();
}

void BackupsDialog::showBackups()
{
    m_backups->clear();
    m_restore->setEnabled(false);
    const QString classFile = m_class->currentData().toString();
    if (classFile.isEmpty())
        return;
    const Result<QList<BackupInfo>> backups =
        listBackups(m_folder, classFile, systemFileOperations());
    if (!backups) {
        m_reporter.report(this, backups.error());
        return;
    }
    for (const BackupInfo& backup : backups.value()) {
        auto* item = new QTreeWidgetItem(
            m_backups, {backup.taken.toString(TimeFormat.toString()),
                        backup.calls < 0 ? u"读不出"_s : QString::number(backup.calls)});
        item->setData(0, Qt::UserRole, backup.fileName);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (backups.value().isEmpty())
        m_done->setText(u"这个班级还没有备份：第一次记录成绩时会自动备份。"_s);
}

void BackupsDialog::restoreChosen()
{
    const QTreeWidgetItem* item = m_backups->currentItem();
    if (!item)
        return;
    const QString classFile = m_class->currentData().toString();
    const QString shown = m_class->currentText();
    const QString when = item->text(0);
    const auto answer =
        QMessageBox::question(this, u"恢复备份"_s,
                              u"把班级“"_s + shown + u"”恢复为 "_s + when +
                                  u" 的备份吗？\n\n现在的内容会先备份，之后也可以再恢复回来。"_s,
                              QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    m_restore->setEnabled(false);
    m_recorder.restore(classFile, item->data(0, Qt::UserRole).toString(), this,
                       [this, shown, when](const Result<LoggedChange>& done) {
                           if (!done) {
                               m_reporter.report(this, done.error());
                               m_restore->setEnabled(true);
                               return;
                           }
                           if (const std::optional<Error> warning = warningOf(done.value()))
                               m_reporter.report(this, *warning);
                           showBackups();
                           m_done->setText(u"已把“"_s + shown + u"”恢复为 "_s + when +
                                           u" 的备份。"_s);
                       });
}

} // namespace mirello
