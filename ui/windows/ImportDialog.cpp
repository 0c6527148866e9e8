#include "ImportDialog.h"

#include "exchange/XlsxReader.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FileReading.h"
#include "platform/Paths.h"
#include "ui/ErrorReporter.h"
#include "ui/ProgramIcon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// A workbook is a zip; a password-protected one or an old .xls is a compound
// file. Whatever the name says, those go to the workbook reader, which names them.
bool looksLikeWorkbook(QByteArrayView bytes)
{
    return bytes.startsWith("PK") || bytes.startsWith("\xD0\xCF\x11\xE0");
}

QString columnLetters(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString problemText(const ImportRow& row)
{
    switch (row.problem) {
    case RowProblem::None:
        return QString();
    case RowProblem::NumberTooLong:
        return u"学号超过 9 个字符，无法导入"_s;
    case RowProblem::EmptyName:
        return u"姓名是空的；勾选则照样写入"_s;
    case RowProblem::Duplicate:
        return u"与第 "_s + QString::number(row.firstRow) +
               u" 行同名，记录成绩时两行会一起改动；勾选则照样写入"_s;
    case RowProblem::ControlCharacter:
        return u"含有换行或制表符；勾选则换成空格写入"_s;
    }
    return QString();
}

QString rowList(const QList<int>& rows)
{
    QStringList numbers;
    for (const int row : rows.first(std::min<qsizetype>(rows.size(), 10)))
        numbers.append(QString::number(row));
    return numbers.join(u"、"_s) + (rows.size() > 10 ? u" 等"_s : QString());
}

} // namespace

ImportDialog::ImportDialog(const RollFolder& folder, ErrorReporter& reporter, QWidget* parent)
    : QDialog(parent)
    , m_folder(folder)
    , m_reporter(reporter)
{
    setObjectName(u"ImportDialog"_s);
    setWindowTitle(u"导入班级"_s);
    setWindowIcon(programIcon());
    resize(680, 620);

    auto* choose = new QPushButton(u"选择 Excel 或 CSV 文件…"_s, this);
    choose->setObjectName(u"ChooseFile"_s);
    m_source = new QLabel(u"还没有选择文件"_s, this);
    m_sheet = new QComboBox(this);
    m_sheet->setObjectName(u"Sheet"_s);
    m_sheet->hide();
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(choose);
    fileRow->addWidget(m_source, 1);
    fileRow->addWidget(m_sheet);

    m_pasted = new QPlainTextEdit(this);
    m_pasted->setObjectName(u"Pasted"_s);
    m_pasted->setPlaceholderText(u"也可以把名单粘贴在这里：每行一名学生，名字前可以有学号；"
                                 u"从表格里复制的几列也可以。"_s);
    m_pasted->setMaximumHeight(80);

    m_numberColumn = new QComboBox(this);
    m_numberColumn->setObjectName(u"NumberColumn"_s);
    m_nameColumn = new QComboBox(this);
    m_nameColumn->setObjectName(u"NameColumn"_s);
    m_titleRow = new QCheckBox(u"第一行是标题，不导入"_s, this);
    auto* columns = new QFormLayout;
    columns->addRow(u"学号在"_s, m_numberColumn);
    columns->addRow(u"姓名在"_s, m_nameColumn);
    columns->addRow(QString(), m_titleRow);

    m_preview = new QTableWidget(0, 3, this);
    m_preview->setObjectName(u"Preview"_s);
    m_preview->setHorizontalHeaderLabels({u"原行号"_s, u"写入班级文件的行"_s, u"说明"_s});
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->hide();
    m_preview->horizontalHeader()->setStretchLastSection(true);
    m_summary = new QLabel(this);
    m_summary->setObjectName(u"Summary"_s);
    m_summary->setWordWrap(true);

    m_name = new QLineEdit(this);
    m_name->setObjectName(u"ClassName"_s);
    m_name->setPlaceholderText(u"例如 高一(7)班"_s);
    m_nameProblem = new QLabel(this);
    m_nameProblem->setStyleSheet(u"color: #b00000"_s);
    m_nameProblem->setWordWrap(true);
    auto* nameRow = new QFormLayout;
    nameRow->addRow(u"班级名称"_s, m_name);
    nameRow->addRow(QString(), m_nameProblem);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_import = buttons->addButton(u"导入"_s, QDialogButtonBox::AcceptRole);
    m_import->setObjectName(u"Import"_s);
    m_import->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(m_pasted);
    layout->addLayout(columns);
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_summary);
    layout->addLayout(nameRow);
    layout->addWidget(buttons);

    connect(choose, &QPushButton::clicked, this, &ImportDialog::chooseFile);
    connect(m_sheet, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_filling)
            readSheet(index);
    });
    connect(m_pasted, &QPlainTextEdit::textChanged, this, &ImportDialog::takePastedText);
    connect(m_numberColumn, &QComboBox::currentIndexChanged, this, &ImportDialog::takeColumns);
    connect(m_nameColumn, &QComboBox::currentIndexChanged, this, &ImportDialog::takeColumns);
    connect(m_titleRow, &QCheckBox::toggled, this, &ImportDialog::takeColumns);
    connect(m_preview, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || !(item->flags() & Qt::ItemIsUserCheckable))
            return;
        const int row = m_plan.rows.value(item->row()).sourceRow;
        if (item->checkState() == Qt::Checked)
            m_kept.insert(row);
        else
            m_kept.remove(row);
        showPlan();
    });
    connect(m_name, &QLineEdit::textChanged, this, &ImportDialog::checkName);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::importClass);
    showPlan();
}

void ImportDialog::chooseFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, u"选择名单文件"_s, QString(), u"名单（*.xlsx *.csv *.txt *.xls）;;所有文件 (*)"_s);
    if (!path.isEmpty())
        openFile(path);
}

void ImportDialog::openFile(const QString& path)
{
    Result<QByteArray> bytes = readWholeFile(path, LargestImportFileBytes);
    if (!bytes) {
        m_reporter.report(this,
                          Error{u"无法导入班级：" + bytes.error().message, bytes.error().reason});
        return;
    }
    const QFileInfo file(path);
    m_fileShown = shownFileName(fileNameOf(path));
    m_filling = true;
    m_pasted->clear();
    m_sheet->clear();
    m_sheet->hide();
    m_filling = false;
    m_source->setText(m_fileShown);
    m_workbook.clear();
    if (!looksLikeWorkbook(bytes.value())) {
        Result<CellTable> table = tableFromCsv(bytes.value());
        if (!table)
            m_reporter.report(this, table.error());
        showTable(table ? table.value() : CellTable(), table ? file.completeBaseName() : QString());
        return;
    }
    Result<QStringList> sheets = xlsxSheetNames(bytes.value(), m_fileShown);
    if (!sheets) {
        m_reporter.report(this, sheets.error());
        showTable(CellTable(), QString());
        return;
    }
    m_workbook = std::move(bytes).value();
    m_filling = true;
    m_sheet->addItems(sheets.value());
    m_sheet->setVisible(sheets.value().size() > 1);
    m_filling = false;
    readSheet(0);
}

void ImportDialog::readSheet(int index)
{
    Result<CellTable> table = readXlsxSheet(m_workbook, index, m_fileShown);
    if (!table) {
        m_reporter.report(this, table.error());
        showTable(CellTable(), QString());
        return;
    }
    showTable(table.value(), m_sheet->count() > 1 ? m_sheet->itemText(index)
                                                  : QFileInfo(m_fileShown).completeBaseName());
}

void ImportDialog::takePastedText()
{
    if (m_filling)
        return;
    m_workbook.clear();
    m_sheet->hide();
    m_source->setText(u"使用粘贴的名单"_s);
    Result<CellTable> table = tableFromPastedText(m_pasted->toPlainText());
    if (!table)
        m_reporter.report(this, table.error());
    showTable(table ? table.value() : CellTable(), QString());
}

void ImportDialog::showTable(const CellTable& table, const QString& suggestedName)
{
    m_table = table;
    m_columns = guessColumns(table);
    m_kept.clear();
    fillColumnChoosers();
    if (m_name->text().trimmed().isEmpty() && !suggestedName.isEmpty())
        m_name->setText(suggestedName);
    showPlan();
}

// Each column is named by its letter and its first entry, as the teacher sees it in
// the spreadsheet.
void ImportDialog::fillColumnChoosers()
{
    m_filling = true;
    m_numberColumn->clear();
    m_nameColumn->clear();
    m_numberColumn->addItem(u"（不导入学号）"_s, -1);
    qsizetype width = 0;
    for (const TableRow& row : m_table)
        width = std::max(width, row.cells.size());
    for (int column = 0; column < width; ++column) {
        QString sample;
        for (const TableRow& row : m_table) {
            sample = row.cells.value(column).trimmed();
            if (!sample.isEmpty())
                break;
        }
        const QString label = u"第 "_s + QString::number(column + 1) + u" 列（"_s +
                              columnLetters(column) + u"）"_s +
                              (sample.isEmpty() ? QString() : u"：" + sample.left(12));
        m_numberColumn->addItem(label, column);
        m_nameColumn->addItem(label, column);
    }
    m_numberColumn->setCurrentIndex(m_columns.number ? *m_columns.number + 1 : 0);
    m_nameColumn->setCurrentIndex(m_columns.name);
    m_titleRow->setChecked(m_columns.titleRow);
    m_filling = false;
}

void ImportDialog::takeColumns()
{
    if (m_filling)
        return;
    const int number = m_numberColumn->currentData().toInt();
    m_columns.number = number >= 0 ? std::optional(number) : std::nullopt;
    m_columns.name = std::max(0, m_nameColumn->currentData().toInt());
    m_columns.titleRow = m_titleRow->isChecked();
    m_kept.clear();
    showPlan();
}

void ImportDialog::showPlan()
{
    m_plan = planImport(m_table, m_columns, m_kept);
    m_filling = true;
    m_preview->setRowCount(int(m_plan.rows.size()));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int i = 0; i < int(m_plan.rows.size()); ++i) {
        const ImportRow& row = m_plan.rows[i];
        auto* number = new QTableWidgetItem(QString::number(row.sourceRow));
        auto* line = new QTableWidgetItem(row.line);
        line->setFont(fixed);
        auto* problem = new QTableWidgetItem(problemText(row));
        if (row.problem != RowProblem::None && row.problem != RowProblem::NumberTooLong) {
            problem->setFlags(problem->flags() | Qt::ItemIsUserCheckable);
            problem->setCheckState(row.written ? Qt::Checked : Qt::Unchecked);
        }
        if (!row.written) {
            for (QTableWidgetItem* item : {number, line, problem})
                item->setForeground(row.problem == RowProblem::NumberTooLong ? QColor(0xb0, 0, 0)
                                                                             : QColor(Qt::gray));
        }
        m_preview->setItem(i, 0, number);
        m_preview->setItem(i, 1, line);
        m_preview->setItem(i, 2, problem);
    }
    m_preview->resizeColumnToContents(0);
    m_preview->resizeColumnToContents(1);
    m_filling = false;

    const QList<int> tooLong = m_plan.tooLongRows();
    const qsizetype written = m_plan.writtenCount();
    const qsizetype left = m_plan.rows.size() - written - tooLong.size();
    if (!tooLong.isEmpty()) {
        m_summary->setText(u"第 "_s + rowList(tooLong) +
                           u" 行的学号超过 9 个字符，无法写入班级文件。请在表格中改短这些学号，"
                           u"或在“学号在”中选“不导入学号”。"_s);
    } else if (m_plan.rows.isEmpty()) {
        m_summary->setText(u"选择一个文件，或粘贴名单。"_s);
    } else {
        m_summary->setText(
            u"将写入 "_s + QString::number(written) + u" 名学生，编码 "_s +
            (m_plan.encoding == TextEncoding::Gbk ? u"GBK"_s : u"UTF-8（有的字 GBK 写不出）"_s) +
            (left > 0 ? u"；"_s + QString::number(left) + u" 行没有写入，见“说明”。"_s : u"。"_s));
    }
    checkName();
}

void ImportDialog::checkName()
{
    const QString fileName = classFileNameFor(m_name->text());
    std::optional<QString> problem =
        m_name->text().trimmed().isEmpty() ? std::nullopt : classFileNameProblem(fileName);
    if (!problem && !fileName.isEmpty()) {
        const Result<QList<ListedFile>> classes = m_folder.listClasses();
        for (const ListedFile& file : classes ? classes.value() : QList<ListedFile>()) {
            if (file.name.compare(fileName, Qt::CaseInsensitive) == 0)
                problem = u"已经有名为“"_s + fileName + u"”的班级，请换一个名称。"_s;
        }
    }
    m_nameProblem->setText(problem.value_or(QString()));
    m_import->setEnabled(!problem && !m_name->text().trimmed().isEmpty() &&
                         m_plan.writtenCount() > 0 && m_plan.tooLongRows().isEmpty());
}

void ImportDialog::importClass()
{
    const QString fileName = classFileNameFor(m_name->text());
    const Result<void> written =
        writeNewClass(m_folder, fileName, m_plan.bytes, systemFileOperations());
    if (!written) {
        m_reporter.report(this, written.error());
        checkName();
        return;
    }
    Q_EMIT imported(fileName, m_plan.writtenCount());
    accept();
}

} // namespace mirello
