#include "ClassImport.h"

#include "platform/AtomicReplace.h"
#include "platform/Csv.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "roll/RollFolder.h"

#include <algorithm>
#include <array>
#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView Refused = u"无法导入班级：";
constexpr QStringView NewCounters = u"-00\\0000";
constexpr qsizetype LeadLength = 9;

Error tooManyRows()
{
    return Error{Refused + u"名单超过 " + QString::number(LargestTableRows) +
                     u" 行，不像是一个班级的名单。请只保留一个班级的学生后再试。",
                 QString()};
}

bool isBlankRow(const QStringList& cells)
{
    return std::all_of(cells.begin(), cells.end(),
                       [](const QString& cell) { return cell.trimmed().isEmpty(); });
}

// Appends a row unless it is blank; false when the table is full.
bool appendRow(CellTable& table, int number, QStringList cells)
{
    if (cells.size() > LargestTableColumns)
        cells.resize(LargestTableColumns);
    if (isBlankRow(cells))
        return true;
    if (table.size() >= LargestTableRows)
        return false;
    table.append(TableRow{number, std::move(cells)});
    return true;
}

// The separator the first line uses most, outside quotes; a comma when it has none.
QChar csvSeparator(QStringView text)
{
    std::array<qsizetype, 3> counts{};
    constexpr std::array<char16_t, 3> Candidates{u',', u';', u'\t'};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        for (std::size_t k = 0; k < Candidates.size(); ++k)
            counts[k] += !quoted && c == Candidates[k];
    }
    const auto most = std::max_element(counts.begin(), counts.end());
    return *most == 0 ? QChar(u',') : QChar(Candidates[std::size_t(most - counts.begin())]);
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(), isControl);
}

bool isFormat(QChar c)
{
    return c.category() == QChar::Other_Format;
}

// Copies the text only when it has a control character, so that a long name shared
// by many rows is not copied for each.
QString withoutControls(QString text)
{
    if (!hasControl(text))
        return text;
    for (QChar& c : text) {
        if (isControl(c))
            c = u' ';
    }
    return text;
}

bool hasDigit(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

bool hasHan(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.script() == QChar::Script_Han; });
}

QString cellAt(const TableRow& row, std::optional<int> column)
{
    if (!column || *column < 0 || *column >= row.cells.size())
        return QString();
    return row.cells[*column].trimmed();
}

// The bytes of `text` in GBK when they read back as the same text, as the loader
// decides it.
std::optional<QByteArray> readableGbk(const QString& text)
{
    std::optional<QByteArray> bytes = encodeText(text, TextEncoding::Gbk);
    if (!bytes)
        return std::nullopt;
    const TextEncoding detected = detectEncoding(*bytes);
    if (decodeText(QByteArrayView(*bytes).sliced(preambleLength(detected)), detected) != text)
        return std::nullopt;
    return bytes;
}

bool blocks(RowProblem problem)
{
    return problem == RowProblem::NumberTooLong || problem == RowProblem::FormatCharacter;
}

// Rows as the teacher counts them: "3、5、8", the first ten.
QString rowList(const QList<int>& rows)
{
    QStringList numbers;
    for (const int row : rows.first(std::min<qsizetype>(rows.size(), 10)))
        numbers.append(QString::number(row));
    return numbers.join(u"、"_s) + (rows.size() > 10 ? u" 等"_s : QString());
}

} // namespace

Result<CellTable> tableFromCsv(QByteArrayView bytes)
{
    if (bytes.contains('\0')) {
        return Error{Refused + QStringLiteral("这不是 CSV 文本文件（可能是 Excel 工作簿或 UTF-16 "
                                              "文本）。请在表格软件中另存为 CSV 或 .xlsx 后再试。"),
                     QString()};
    }
    if (bytes.size() > LargestImportFileBytes) {
        return Error{Refused + u"文件超过 " + QString::number(LargestImportFileBytes >> 20) +
                         u" MB，不像是班级名单，没有读取。",
                     QString()};
    }
    const TextEncoding encoding = detectEncoding(bytes);
    const QString text = decodeText(bytes.sliced(preambleLength(encoding)), encoding);
    // A cell of a class list is a name or a number; the limits keep a line of a
    // hostile file from growing past what a row of the table holds.
    constexpr CsvLimits Limits{1024, LargestTableColumns};
    CsvReader reader(csvSeparator(text), Limits);
    CellTable table;
    int number = 0;
    bool overlong = false;
    const CsvReader::Take take = [&](CsvRecord&& record) {
        ++number;
        overlong = record.overlong;
        if (overlong)
            return false;
        if (isBlankRow(record.fields)) // left with the reader, whose storage it keeps
            return true;
        for (QString& field : record.fields)
            field = fieldWithFormula(field); // as the export wrote it
        return appendRow(table, number, std::move(record.fields));
    };
    if (reader.read(text, take) && reader.finish(take))
        return table;
    if (overlong) {
        return Error{Refused + u"第 " + QString::number(number) + u" 行有超过 " +
                         QString::number(Limits.longestField) +
                         u" 个字符的单元格，不像是班级名单，没有读取。",
                     QString()};
    }
    return tooManyRows();
}

Result<CellTable> tableFromPastedText(QStringView text)
{
    static const QRegularExpression NumberFirst(QStringLiteral("^(\\S*\\d\\S*)\\s+(\\S.*)$"));
    CellTable table;
    int number = 0;
    for (QStringView line : text.split(u'\n')) {
        ++number;
        if (line.endsWith(u'\r'))
            line.chop(1);
        QStringList cells;
        if (line.contains(u'\t')) {
            for (const QStringView cell : line.split(u'\t'))
                cells.append(cell.toString());
        } else if (const QRegularExpressionMatch match =
                       NumberFirst.match(line.trimmed().toString());
                   match.hasMatch() && !hasHan(match.capturedView(1))) {
            cells = QStringList{match.captured(1), match.captured(2)};
        } else {
            cells = QStringList{QString(), line.toString()};
        }
        if (!appendRow(table, number, std::move(cells)))
            return tooManyRows();
    }
    return table;
}

ImportColumns guessColumns(const CellTable& table)
{
    static const QStringList NameTitles{u"姓名"_s, u"名字"_s, u"学生姓名"_s, u"学生"_s, u"name"_s};
    // Most telling first: a list with 序号 and 学号 numbers students by the latter.
    static const QStringList NumberTitles{u"学号"_s, u"学籍号"_s, u"考号"_s, u"编号"_s,
                                          u"号码"_s, u"id"_s,     u"no."_s,  u"序号"_s};
    ImportColumns columns;
    if (table.isEmpty())
        return columns;

    const QStringList& first = table.first().cells;
    qsizetype numberRank = NumberTitles.size();
    for (int k = 0; k < first.size(); ++k) {
        const QString title = first[k].trimmed().toLower();
        const qsizetype rank = NumberTitles.indexOf(title);
        if (NameTitles.contains(title) && !columns.titleRow) {
            columns.titleRow = true;
            columns.name = k;
        } else if (rank >= 0 && rank < numberRank) {
            columns.number = k;
            numberRank = rank;
        }
    }
    if (columns.titleRow)
        return columns;
    columns.number.reset();

    // Without titles: the first column that mostly holds names (text without
    // digits), and the last column before it that mostly holds numbers.
    qsizetype width = 0;
    for (const TableRow& row : table)
        width = std::max(width, row.cells.size());
    std::optional<int> nameColumn;
    std::optional<int> numberColumn;
    for (int k = 0; k < width; ++k) {
        qsizetype names = 0;
        qsizetype numbers = 0;
        qsizetype filled = 0;
        for (const TableRow& row : table) {
            const QString cell = cellAt(row, k);
            if (cell.isEmpty())
                continue;
            ++filled;
            names += !hasDigit(cell);
            numbers += hasDigit(cell) && !hasHan(cell);
        }
        if (!nameColumn && filled > 0 && names * 2 > filled)
            nameColumn = k;
        else if (!nameColumn && filled > 0 && numbers * 2 > filled)
            numberColumn = k;
    }
    columns.name = nameColumn.value_or(0);
    if (nameColumn)
        columns.number = numberColumn;
    return columns;
}

std::optional<QString> ImportPlan::blocked() const
{
    QList<int> tooLong;
    QList<int> invisible;
    for (const ImportRow& row : rows) {
        if (row.problem == RowProblem::NumberTooLong)
            tooLong.append(row.sourceRow);
        else if (row.problem == RowProblem::FormatCharacter)
            invisible.append(row.sourceRow);
    }
    if (!tooLong.isEmpty()) {
        return u"第 "_s + rowList(tooLong) +
               u" 行的学号超过 9 个字符，无法写入班级文件。请在表格中改短这些学号，"
               u"或在“学号在”中选“不导入学号”。"_s;
    }
    if (!invisible.isEmpty()) {
        return u"第 "_s + rowList(invisible) +
               u" 行含有看不见的格式字符（例如 U+202E 反转文字方向、U+200B 零宽空格），"
               u"名字会显示得和写入的不一样。请在表格中删去这些字符后再导入。"_s;
    }
    if (tooLarge) {
        return u"这份名单写成的班级文件会超过 "_s +
               QString::number(RollFolder::LargestClassFileBytes >> 20) +
               u" MB（一个班级文件的上限），Mirello 将无法打开它，所以没有导入。"_s;
    }
    return std::nullopt;
}

qsizetype ImportPlan::writtenCount() const
{
    return std::count_if(rows.begin(), rows.end(),
                         [](const ImportRow& row) { return row.written; });
}

// The class file of the written lines; none when it would pass the class-file limit.
// Each character takes at least one byte, so the count of characters refuses a file
// too large before any of it is built.
std::optional<std::pair<TextEncoding, QByteArray>> classFileOf(const QList<ImportRow>& rows)
{
    qsizetype characters = 0;
    for (const ImportRow& row : rows)
        characters += row.written ? row.line.size() + 2 : 0;
    if (characters > RollFolder::LargestClassFileBytes)
        return std::nullopt;
    QString text;
    text.reserve(characters);
    for (const ImportRow& row : rows) {
        if (row.written)
            text += row.line + u"\r\n";
    }
    std::pair<TextEncoding, QByteArray> file{TextEncoding::Gbk, QByteArray()};
    if (std::optional<QByteArray> gbk = readableGbk(text))
        file.second = std::move(*gbk);
    else
        file = {TextEncoding::Utf8WithBom, QByteArray("\xEF\xBB\xBF") + text.toUtf8()};
    if (file.second.size() > RollFolder::LargestClassFileBytes)
        return std::nullopt;
    return file;
}

ImportPlan planImport(const CellTable& table, const ImportColumns& columns, const QSet<int>& kept)
{
    ImportPlan plan;
    QHash<QString, int> firstWithName;
    for (qsizetype i = columns.titleRow ? 1 : 0; i < table.size(); ++i) {
        const TableRow& source = table[i];
        ImportRow row;
        row.sourceRow = source.number;
        row.number = cellAt(source, columns.number);
        row.name = cellAt(source, columns.name);
        const QString name = withoutControls(row.name);
        if (row.number.size() > LeadLength) {
            row.problem = RowProblem::NumberTooLong;
        } else if (std::any_of(row.number.begin(), row.number.end(), isFormat) ||
                   std::any_of(row.name.begin(), row.name.end(), isFormat)) {
            row.problem = RowProblem::FormatCharacter;
        } else if (hasControl(row.number) || hasControl(row.name)) {
            row.problem = RowProblem::ControlCharacter;
        } else if (name.isEmpty()) {
            row.problem = RowProblem::EmptyName;
        } else if (const auto first = firstWithName.constFind(name);
                   first != firstWithName.cend()) {
            row.problem = RowProblem::Duplicate;
            row.firstRow = *first;
        }
        if (!name.isEmpty() && !firstWithName.contains(name))
            firstWithName.insert(name, row.sourceRow);

        row.line = withoutControls(row.number).leftJustified(LeadLength, u' ') + name + NewCounters;
        row.written = row.problem == RowProblem::None ||
                      (!blocks(row.problem) && kept.contains(row.sourceRow));
        plan.rows.append(std::move(row));
    }
    if (auto file = classFileOf(plan.rows))
        std::tie(plan.encoding, plan.bytes) = std::move(*file);
    else
        plan.tooLarge = true;
    return plan;
}

QString classFileNameFor(const QString& className)
{
    const QString name = className.trimmed();
    if (name.isEmpty() || name.endsWith(u".txt", Qt::CaseInsensitive))
        return name;
    return name + u".txt";
}

std::optional<QString> classFileNameProblem(const QString& fileName)
{
    static const QRegularExpression Reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString shown = u"“" + fileName + u"”";
    if (fileName.isEmpty() || fileName.compare(u".txt", Qt::CaseInsensitive) == 0)
        return QStringLiteral("请填写班级名称。");
    if (fileName.size() > LongestClassName) {
        return u"班级名称" + shown + u"太长：最多 " + QString::number(LongestClassName) +
               u" 个字符。";
    }
    if (fileName.contains(u'/') || fileName.contains(u'\\'))
        return u"班级名称" + shown + u"不能含有“/”或“\\”。";
    for (const QChar c : u"<>:\"|?*") {
        if (fileName.contains(c))
            return u"班级名称" + shown + u"不能含有 < > : \" | ? * 这些字符（Windows 不允许）。";
    }
    if (hasControl(fileName) ||
        std::any_of(fileName.begin(), fileName.end(), [](QChar c) { return c.isSurrogate(); })) {
        return u"班级名称" + shown + u"含有控制字符或无效字符。";
    }
    if (fileName.startsWith(u'.'))
        return u"班级名称" + shown + u"不能以“.”开头：这样的文件是隐藏的，名册里不会列出。";
    if (fileName.compare(QStringView(RollFolder::ScratchFileName), Qt::CaseInsensitive) == 0)
        return u"班级名称" + shown + u"是 Mirello 记录成绩时使用的临时文件名，请换一个名称。";
    if (Reserved.match(fileName).hasMatch())
        return u"班级名称" + shown + u"是 Windows 保留的名称，请换一个名称。";
    if (fileName.endsWith(u'.') || fileName.endsWith(u' '))
        return u"班级名称" + shown + u"不能以“.”或空格结尾。";
    return std::nullopt;
}

Result<void> writeNewClass(const RollFolder& folder, const QString& fileName, QByteArrayView bytes,
                           FileOperations& files)
{
    if (std::optional<QString> problem = classFileNameProblem(fileName))
        return Error{Refused + *problem, QString()};
    if (bytes.size() > RollFolder::LargestClassFileBytes) {
        return Error{Refused + u"新的班级文件会超过 " +
                         QString::number(RollFolder::LargestClassFileBytes >> 20) +
                         u" MB（一个班级文件的上限），Mirello 将无法打开它，所以没有建立。",
                     QString()};
    }
    const QString shown = u"“" + fileName + u"”";
    const QString nothing = QStringLiteral("没有建立新的班级文件。");

    FileLock lock(folder.lockFilePath());
    if (std::optional<Error> locked = lockRollFolder(lock, folder, Refused, nothing))
        return *locked;

    Result<QList<ListedFile>> classes = folder.listClasses();
    if (!classes) {
        return Error{Refused + u"无法读取点名册文件夹“" + shownFileName(folder.path()) + u"”。" +
                         nothing,
                     classes.error().reason};
    }
    const QString path = folder.classFilePath(fileName);
    Result<std::optional<FileStatus>> there = files.status(path);
    if (!there)
        return Error{Refused + u"无法查看" + shown + u"是否已经存在。" + nothing,
                     there.error().reason};
    const bool taken =
        there.value() ||
        std::any_of(classes.value().begin(), classes.value().end(), [&](const ListedFile& file) {
            return file.name.compare(fileName, Qt::CaseInsensitive) == 0;
        });
    if (taken) {
        return Error{Refused + u"点名册文件夹里已经有名为" + shown +
                         u"的班级（或只差大小写的同名文件），没有覆盖它。请换一个班级名称。",
                     QString()};
    }

    Result<FileStatus> keep = newFileStatusIn(files, folder.path());
    if (!keep) {
        return Error{Refused + u"无法查看点名册文件夹“" + shownFileName(folder.path()) + u"”。" +
                         nothing,
                     keep.error().reason};
    }
    const QString scratch = folder.scratchFilePath();
    if (std::optional<ReplaceFailure> failure =
            replaceFileAtomically(files, path, scratch, bytes, keep.value())) {
        if (failure->targetReplaced) {
            return Error{u"班级" + shown + u"已经建立，但" +
                             describeReplaceFailure(*failure, fileNameOf(scratch), fileName),
                         failure->error.reason};
        }
        return Error{Refused + nothing +
                         describeReplaceFailure(*failure, fileNameOf(scratch), fileName),
                     failure->error.reason};
    }
    return {};
}

} // namespace mirello
