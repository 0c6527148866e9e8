#include "ImportDialog.h"

#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "roll/ClassName.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/ProgramIcon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Longer than this, reading shows a progress window with Cancel.
constexpr int MomentMs = 400;

QString columnLetters(int column)
{
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString problemText(const ImportRow& row)
{
    const QString cut = row.fullNumber.isEmpty()
                            ? QString()
                            : u"学号原为 "_s + row.fullNumber + u"，只写后 9 位；"_s;
    switch (row.problem) {
    case RowProblem::None:
        return cut.chopped(cut.isEmpty() ? 0 : 1);
    case RowProblem::NumberTooLong:
        return u"学号超过 9 个字符，后 9 位又与别的学号重复，无法导入"_s;
    case RowProblem::EmptyName:
        return cut + u"姓名是空的；勾选则照样写入"_s;
    case RowProblem::Duplicate:
        return cut + u"与第 "_s + QString::number(row.firstRow) +
               u" 行同名，记录成绩时两行会一起改动；勾选则照样写入"_s;
    case RowProblem::ControlCharacter:
        return cut + u"含有换行或制表符；勾选则换成空格写入"_s;
    case RowProblem::FormatCharacter:
        return u"含有看不见的格式字符，无法导入"_s;
    }
    return QString();
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
    // Tab moves on, as everywhere else in the dialog; a tab between columns comes pasted.
    m_pasted->setTabChangesFocus(true);
    m_pasted->setObjectName(u"Pasted"_s);
    m_pasted->setPlaceholderText(u"也可以把名单粘贴在这里：每行一名学生，名字前可以有学号；"
                                 u"从表格里复制的几列也可以。"_s);
    m_pasted->setMaximumHeight(80);

    m_numberColumn = new QComboBox(this);
    m_numberColumn->setObjectName(u"NumberColumn"_s);
    m_nameColumn = new QComboBox(this);
    m_nameColumn->setObjectName(u"NameColumn"_s);
    m_titleRow = new QCheckBox(this);
    m_titleRow->setObjectName(u"TitleRows"_s);
    m_shorten = new QCheckBox(u"学号改用后 9 位（班级文件只能存 9 位）"_s, this);
    m_shorten->setObjectName(u"ShortenNumbers"_s);
    m_shorten->hide();
    auto* columns = new QFormLayout;
    columns->addRow(u"学号在"_s, m_numberColumn);
    columns->addRow(u"姓名在"_s, m_nameColumn);
    columns->addRow(QString(), m_titleRow);
    columns->addRow(QString(), m_shorten);

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
    connect(m_sheet, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!m_filling)
            readFile(index);
    });
    connect(m_pasted, &QPlainTextEdit::textChanged, this, &ImportDialog::takePastedText);
    connect(m_numberColumn, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ImportDialog::takeColumns);
    connect(m_nameColumn, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ImportDialog::takeColumns);
    connect(m_titleRow, &QCheckBox::toggled, this, &ImportDialog::takeColumns);
    connect(m_shorten, &QCheckBox::toggled, this, [this] { replan(); });
    connect(m_preview, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || !(item->flags() & Qt::ItemIsUserCheckable))
            return;
        const int row = m_plan.rows.value(item->row()).sourceRow;
        if (item->checkState() == Qt::Checked)
            m_kept.insert(row);
        else
            m_kept.remove(row);
        replan();
    });
    connect(m_name, &QLineEdit::textChanged, this, &ImportDialog::checkName);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::importClass);
    showPlan(ImportPlan());
}

void ImportDialog::chooseFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, u"选择名单文件"_s, QString(), u"名单（*.xlsx *.csv *.txt *.xls）;;所有文件 (*)"_s);
    if (!path.isEmpty())
        openFile(path);
}

ImportDialog::~ImportDialog()
{
    stopReading();
}

void ImportDialog::openFile(const QString& path)
{
    m_path = path;
    m_filling = true;
    m_pasted->clear();
    m_sheet->clear();
    m_sheet->hide();
    m_filling = false;
    m_source->setText(shownFileName(fileNameOf(path)));
    readFile(0);
}

void ImportDialog::stopReading()
{
    if (!m_reading)
        return;
    m_cancel->store(true);
    m_reading->wait();
    m_reading = nullptr;
}

// The reading runs on a thread of its own; its result comes back through the
// thread's finished signal, on this one.
void ImportDialog::readFile(int sheet)
{
    stopReading();
    auto cancel = std::make_shared<CancelFlag>(false);
    auto preview = std::make_shared<std::optional<Result<ImportPreview>>>();
    QThread* reading = QThread::create([path = m_path, sheet, cancel, preview] {
        preview->emplace(previewImportFile(path, sheet, *cancel));
    });
    reading->setParent(this);
    auto* progress =
        new QProgressDialog(u"正在读取“"_s + m_source->text() + u"”…"_s, u"取消"_s, 0, 0, this);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(MomentMs);
    connect(progress, &QProgressDialog::canceled, this, [cancel] { cancel->store(true); });
    connect(reading, &QThread::finished, this, [this, reading, progress, cancel, preview] {
        progress->deleteLater();
        reading->deleteLater();
        if (m_reading != reading)
            return;
        m_reading = nullptr;
        showPreview(std::move(**preview), cancel->load());
    });
    m_cancel = cancel;
    m_reading = reading;
    setEnabled(false);
    reading->start();
}

void ImportDialog::showPreview(Result<ImportPreview> preview, bool cancelled)
{
    setEnabled(true);
    if (!preview) {
        if (!cancelled)
            m_reporter.report(this, preview.error());
        showTable(ImportPreview());
        return;
    }
    const int sheet = std::max(0, m_sheet->currentIndex());
    m_filling = true;
    m_sheet->clear();
    m_sheet->addItems(preview.value().sheetNames);
    m_sheet->setCurrentIndex(sheet);
    m_sheet->setVisible(preview.value().sheetNames.size() > 1);
    m_filling = false;
    showTable(preview.value());
}

void ImportDialog::takePastedText()
{
    if (m_filling)
        return;
    stopReading();
    m_sheet->hide();
    m_source->setText(u"使用粘贴的名单"_s);
    Result<CellTable> table = tableFromPastedText(m_pasted->toPlainText());
    // Told once, not again at every key while the text stays too long.
    const QString error = table ? QString() : table.error().message;
    if (!error.isEmpty() && error != m_pasteError)
        m_reporter.report(this, table.error());
    m_pasteError = error;
    ImportPreview preview;
    preview.table = table ? table.value() : CellTable();
    preview.columns = guessColumns(preview.table);
    preview.plan = planImport(preview.table, preview.columns);
    showTable(preview);
}

void ImportDialog::showTable(const ImportPreview& preview)
{
    m_table = preview.table;
    m_columns = preview.columns;
    m_kept.clear();
    fillColumnChoosers();
    if (m_name->text().trimmed().isEmpty() && !preview.suggestedName.isEmpty())
        m_name->setText(preview.suggestedName);
    showPlan(preview.plan);
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
        width = std::max<qsizetype>(width, row.cells.size());
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
    // The rows down to the titles found, or the first when none were.
    m_titleRowsFound = std::max(1, m_columns.titleRows);
    m_titleRow->setText(m_titleRowsFound == 1 ? u"第一行是标题，不导入"_s
                                              : u"前 "_s + QString::number(m_titleRowsFound) +
                                                    u" 行是标题，不导入"_s);
    m_titleRow->setChecked(m_columns.titleRows > 0);
    m_shorten->setChecked(false);
    m_filling = false;
}

void ImportDialog::takeColumns()
{
    if (m_filling)
        return;
    const int number = m_numberColumn->currentData().toInt();
    m_columns.number = number >= 0 ? std::optional(number) : std::nullopt;
    m_columns.name = std::max(0, m_nameColumn->currentData().toInt());
    m_columns.titleRows = m_titleRow->isChecked() ? m_titleRowsFound : 0;
    m_kept.clear();
    replan();
}

void ImportDialog::replan()
{
    if (!m_filling)
        showPlan(planImport(m_table, m_columns, m_kept, m_shorten->isChecked()));
}

void ImportDialog::showPlan(ImportPlan plan)
{
    m_plan = std::move(plan);
    m_filling = true;
    m_preview->setRowCount(int(m_plan.rows.size()));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int i = 0; i < int(m_plan.rows.size()); ++i) {
        const ImportRow& row = m_plan.rows[i];
        auto* number = new QTableWidgetItem(QString::number(row.sourceRow));
        auto* line = new QTableWidgetItem(row.line);
        line->setFont(fixed);
        auto* problem = new QTableWidgetItem(problemText(row));
        const bool blocking =
            row.problem == RowProblem::NumberTooLong || row.problem == RowProblem::FormatCharacter;
        if (row.problem != RowProblem::None && !blocking) {
            problem->setFlags(problem->flags() | Qt::ItemIsUserCheckable);
            problem->setCheckState(row.written ? Qt::Checked : Qt::Unchecked);
        }
        if (!row.written) {
            for (QTableWidgetItem* item : {number, line, problem})
                item->setForeground(blocking ? QColor(0xb0, 0, 0) : QColor(Qt::gray));
        }
        m_preview->setItem(i, 0, number);
        m_preview->setItem(i, 1, line);
        m_preview->setItem(i, 2, problem);
    }
    m_preview->resizeColumnToContents(0);
    m_preview->resizeColumnToContents(1);
    m_filling = false;

    m_shorten->setVisible(m_plan.firstShortened() != nullptr);
    const std::optional<QString> blocked = m_plan.blocked();
    const qsizetype written = m_plan.writtenCount();
    const qsizetype left = m_plan.rows.size() - written;
    const std::optional<QString> shortening = m_plan.shortening();
    if (blocked) {
        m_summary->setText(*blocked);
    } else if (m_plan.rows.isEmpty()) {
        m_summary->setText(u"选择一个文件，或粘贴名单。"_s);
    } else {
        m_summary->setText(
            (shortening ? *shortening + u"。"_s : QString()) + u"将写入 "_s +
            QString::number(written) + u" 名学生，编码 "_s +
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
                         m_plan.writtenCount() > 0 && !m_plan.blocked());
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
