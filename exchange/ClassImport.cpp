#include "ClassImport.h"

#include "platform/Csv.h"
#include "roll/RollFolder.h"

#include <algorithm>
#include <array>
#include <QHash>
#include <QRegularExpression>
#include <variant>

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
        cells.erase(cells.begin() + LargestTableColumns, cells.end());
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
    for (const int row : rows.mid(0, 10))
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
    // A sheet's own title, a date or the teacher's name may stand above the titles.
    constexpr qsizetype TitleSearchRows = 10;
    ImportColumns columns;
    for (qsizetype row = 0; row < std::min<qsizetype>(table.size(), TitleSearchRows); ++row) {
        const QStringList& cells = table[row].cells;
        qsizetype numberRank = NumberTitles.size();
        for (int k = 0; k < cells.size(); ++k) {
            const QString title = cells[k].trimmed().toLower();
            const qsizetype rank = NumberTitles.indexOf(title);
            if (NameTitles.contains(title) && columns.titleRows == 0) {
                columns.titleRows = int(row) + 1;
                columns.name = k;
            } else if (rank >= 0 && rank < numberRank) {
                columns.number = k;
                numberRank = rank;
            }
        }
        if (columns.titleRows > 0)
            return columns;
        columns.number.reset();
    }
    columns.number.reset();

    // Without titles: the first column that mostly holds names (text without
    // digits), and the last column before it that mostly holds numbers.
    qsizetype width = 0;
    for (const TableRow& row : table)
        width = std::max<qsizetype>(width, row.cells.size());
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
               u" 行的学号超过 9 个字符，无法写入班级文件；只用后 9 位也不行，会有重复："_s +
               collisions.join(u"、"_s) +
               u"。请在表格中改短这些学号，或在“学号在”中选“不导入学号”。"_s;
    }
    if (!invisible.isEmpty()) {
        return u"第 "_s + rowList(invisible) +
               u" 行含有看不见的格式字符（例如 U+202E 反转文字方向、U+200B 零宽空格），"
               u"名字会显示得和写入的不一样。请在表格中删去这些字符后再导入。"_s;
    }
    if (const ImportRow* cut = firstShortened(); cut && !shorteningAccepted) {
        return u"学号超过 9 位：班级文件只能存 9 位，可以改用后 9 位（例如 "_s + cut->fullNumber +
               u" → "_s + cut->number + u"），改后没有重复。勾选“学号改用后 9 位”即可导入。"_s;
    }
    if (tooLarge) {
        return u"这份名单写成的班级文件会超过 "_s +
               QString::number(RollFolder::LargestClassFileBytes >> 20) +
               u" MB（一个班级文件的上限），Mirello 将无法打开它，所以没有导入。"_s;
    }
    return std::nullopt;
}

std::optional<QString> ImportPlan::shortening() const
{
    const ImportRow* cut = firstShortened();
    if (!cut)
        return std::nullopt;
    return u"学号超过 9 位：已改用后 9 位，例如 "_s + cut->fullNumber + u" → "_s + cut->number;
}

const ImportRow* ImportPlan::firstShortened() const
{
    const auto cut = std::find_if(rows.begin(), rows.end(),
                                  [](const ImportRow& row) { return !row.fullNumber.isEmpty(); });
    return cut == rows.end() ? nullptr : &*cut;
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

// The last nine characters of each number too long, when none of them is also the
// number of another row; otherwise the rows that would share one.
std::variant<QHash<int, QString>, QStringList> cutNumbers(const CellTable& table,
                                                          const ImportColumns& columns)
{
    QHash<int, QString> cut;
    QHash<QString, int> rowWith;
    QStringList collisions;
    const auto take = [&](const QString& number, int row) {
        const auto other = rowWith.constFind(number);
        if (other == rowWith.cend()) {
            rowWith.insert(number, row);
        } else if ((cut.contains(row) || cut.contains(*other)) && collisions.size() < 10) {
            collisions.append(u"第 "_s + QString::number(*other) + u" 行与第 "_s +
                              QString::number(row) + u" 行（"_s + number + u"）"_s);
        }
    };
    for (qsizetype i = columns.titleRows; i < table.size(); ++i) {
        const QString number = cellAt(table[i], columns.number);
        if (number.size() > LeadLength)
            cut.insert(table[i].number, number.right(LeadLength).trimmed());
    }
    for (qsizetype i = columns.titleRows; i < table.size() && !cut.isEmpty(); ++i) {
        const int row = table[i].number;
        const QString number = cut.value(row, cellAt(table[i], columns.number));
        if (!number.isEmpty())
            take(number, row);
    }
    if (!collisions.isEmpty())
        return collisions;
    return cut;
}

ImportPlan planImport(const CellTable& table, const ImportColumns& columns, const QSet<int>& kept,
                      bool acceptShortened)
{
    ImportPlan plan;
    plan.shorteningAccepted = acceptShortened;
    auto cut = cutNumbers(table, columns);
    if (QStringList* collisions = std::get_if<QStringList>(&cut))
        plan.collisions = std::move(*collisions);
    const QHash<int, QString>* shortened = std::get_if<QHash<int, QString>>(&cut);
    QHash<QString, int> firstWithName;
    for (qsizetype i = columns.titleRows; i < table.size(); ++i) {
        const TableRow& source = table[i];
        ImportRow row;
        row.sourceRow = source.number;
        row.number = cellAt(source, columns.number);
        row.name = cellAt(source, columns.name);
        const QString name = withoutControls(row.name);
        const bool format = std::any_of(row.number.begin(), row.number.end(), isFormat) ||
                            std::any_of(row.name.begin(), row.name.end(), isFormat);
        if (row.number.size() > LeadLength && shortened)
            row.fullNumber = std::exchange(row.number, shortened->value(row.sourceRow));
        if (row.number.size() > LeadLength) {
            row.problem = RowProblem::NumberTooLong;
        } else if (format) {
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

} // namespace mirello
