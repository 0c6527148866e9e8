#include "XlsxReader.h"

#include "XlsxWorkbook.h"

#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace mirello {

using namespace xlsx;

namespace {

// A number as a spreadsheet shows it in a cell of general format.
QString numberText(const QString& stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok)
        return stored;
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

// The column (from 0) of a cell reference such as "B7"; none when it has no letters
// or lies beyond the last column a spreadsheet has.
std::optional<int> columnOf(QStringView reference)
{
    int column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        column = column * 26 + (u - u'A' + 1);
        if (++letters > 3)
            return std::nullopt;
    }
    if (letters == 0 || column > 16384)
        return std::nullopt;
    return column - 1;
}

struct Cell
{
    int column = 0;
    QString text;
};

Result<Cell> readCell(PartReader& xml, int column, const QStringList& strings, const QString& part,
                      const QString& shown)
{
    const QString reference = xml.attribute(u"r");
    Cell cell{column, QString()};
    if (!reference.isEmpty()) {
        const std::optional<int> referenced = columnOf(reference);
        if (!referenced)
            return damaged(shown, part, u"单元格“" + reference + u"”");
        cell.column = *referenced;
    }
    const QString type = xml.attribute(u"t");
    QString value;
    bool inline_ = false;
    while (xml.next() && !xml.endOf(u"c")) {
        if (xml.startOf(u"v")) {
            value = xml.text();
        } else if (xml.startOf(u"is")) {
            cell.text = stringItem(xml, u"is");
            inline_ = true;
        }
    }
    if (inline_ || type == u"inlineStr")
        return cell;
    // Some producers write a styled empty cell as a shared string without a value.
    if (type == u"s" && value.isEmpty())
        return cell;
    if (type == u"s") {
        bool ok = false;
        const qsizetype index = value.toLongLong(&ok);
        if (!ok || index < 0 || index >= strings.size())
            return damaged(shown, part, u"共享文字 " + value);
        cell.text = strings[index];
    } else if (type == u"b") {
        cell.text = value.trimmed() == u"1" ? u"TRUE"_s : u"FALSE"_s;
    } else if (type == u"str" || type == u"e" || type == u"d") {
        cell.text = value;
    } else {
        cell.text = numberText(value.trimmed());
    }
    return cell;
}

Error tooManyRows(const QString& shown)
{
    return refusal(shown, u"的工作表超过 " + QString::number(LargestTableRows) +
                              u" 行，不像是一个班级的名单，没有读取。");
}

Result<CellTable> readSheetPart(Package& package, const QString& part, const QStringList& strings)
{
    const QString& shown = package.shown();
    Result<QByteArray> bytes = package.read(part);
    if (!bytes)
        return bytes.error();
    PartReader xml(bytes.value());
    CellTable table;
    int rowNumber = 0;
    while (xml.next()) {
        if (!xml.startOf(u"row"))
            continue;
        bool ok = false;
        const int numbered = xml.attribute(u"r").toInt(&ok);
        rowNumber = ok && numbered > 0 ? numbered : rowNumber + 1;
        QStringList cells;
        int column = -1;
        while (xml.next() && !xml.endOf(u"row")) {
            if (!xml.startOf(u"c"))
                continue;
            Result<Cell> cell = readCell(xml, column + 1, strings, part, shown);
            if (!cell)
                return cell.error();
            column = cell.value().column;
            if (column >= LargestTableColumns || cell.value().text.isEmpty())
                continue;
            if (std::optional<Error> refused = package.budget().take(cell.value().text))
                return *refused;
            while (cells.size() <= column)
                cells.append(QString());
            cells[column] = cell.value().text;
        }
        if (!cells.isEmpty() && !xml.error()) {
            if (table.size() >= LargestTableRows)
                return tooManyRows(shown);
            table.append(TableRow{rowNumber, cells});
        }
    }
    if (std::optional<QString> error = xml.error())
        return damaged(shown, part, *error);
    return table;
}

Result<XlsxContent> readContent(QByteArrayView bytes, int index, const QString& shown,
                                const CancelFlag* cancel)
{
    Package package(bytes, shown, cancel);
    if (std::optional<Error> refused = package.open(bytes))
        return *refused;
    Result<Workbook> workbook = readWorkbook(package);
    if (!workbook)
        return workbook.error();
    const QStringList& parts = workbook.value().sheetParts;
    if (index < 0 || index >= parts.size() || parts[index].isEmpty())
        return refusal(shown, u"中找不到所选的工作表。"_s);
    Result<QStringList> strings = readSharedStrings(package, workbook.value().sharedStringsPart);
    if (!strings)
        return strings.error();
    Result<CellTable> table = readSheetPart(package, parts[index], strings.value());
    if (!table)
        return table.error();
    return XlsxContent{workbook.value().sheetNames, std::move(table).value()};
}

} // namespace

Result<XlsxContent> readXlsx(QByteArrayView bytes, int index, const QString& shown,
                             const CancelFlag* cancel)
{
    if (bytes.size() > LargestImportFileBytes) {
        return refusal(shown, u"超过 " + QString::number(LargestImportFileBytes >> 20) +
                                  u" MB，不像是班级名单，没有读取。");
    }
    return readContent(bytes, index, shown, cancel);
}

} // namespace mirello
