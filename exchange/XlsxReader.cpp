#include "XlsxReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <QXmlStreamReader>
#include <unzip.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QByteArrayView CompoundFileMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
// The stream in which an encrypted workbook keeps its zip, in UTF-16 as the
// compound file names it.
constexpr QByteArrayView EncryptedPackage("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
constexpr qsizetype LargestSharedStrings = 1'000'000;

Error refusal(const QString& shown, const QString& what)
{
    return Error{u"无法导入班级：“" + shown + u"”" + what, QString()};
}

Error damaged(const QString& shown, const QString& part, const QString& reason = QString())
{
    return Error{u"无法导入班级：“" + shown + u"”已损坏，读不出其中的“" + part +
                     u"”。请在表格软件中打开并另存为 .xlsx 或 CSV 后再试。",
                 reason};
}

struct Relationship
{
    QString id;
    QString type;
    QString target;
};

// The part a relationship points to, from the folder of the part that holds it.
// Part names are no file paths: QDir::cleanPath() would read a leading "//" as a
// Windows network path.
QString resolvePart(const QString& fromFolder, const QString& target)
{
    const QString joined = target.startsWith(u'/') ? target : fromFolder + u'/' + target;
    QStringList steps;
    for (const QString& step : joined.split(u'/', Qt::SkipEmptyParts)) {
        if (step == u"..") {
            if (!steps.isEmpty())
                steps.removeLast();
        } else if (step != u".") {
            steps.append(step);
        }
    }
    return steps.join(u'/');
}

QString folderOfPart(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.first(slash);
}

QString relationshipsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.first(slash + 1) + u"_rels/" + part.sliced(slash + 1) + u".rels";
}

// The caller's bytes as the file minizip reads the zip from.
struct MemoryFile
{
    QByteArrayView bytes;
    qint64 position = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int)
{
    static_cast<MemoryFile*>(opaque)->position = 0;
    return opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size)
{
    MemoryFile& file = *static_cast<MemoryFile*>(stream);
    const qint64 count = std::min<qint64>(qint64(size), file.bytes.size() - file.position);
    if (count <= 0)
        return 0;
    std::memcpy(buffer, file.bytes.data() + file.position, size_t(count));
    file.position += count;
    return uLong(count);
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<MemoryFile*>(stream)->position);
}

// Like fseek, but a position before the start or past the end is refused: no zip
// that is whole points there.
long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    MemoryFile& file = *static_cast<MemoryFile*>(stream);
    const qint64 size = file.bytes.size();
    qint64 base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        if (offset > ZPOS64_T(size))
            return -1;
        file.position = qint64(offset);
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = file.position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = size;
        break;
    default:
        return -1;
    }
    // Relative offsets come as unsigned; a step back is one that wrapped around.
    const qint64 step = qint64(offset);
    if (step < -base || step > size - base)
        return -1;
    file.position = base + step;
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK errorOfMemory(voidpf, voidpf)
{
    return 0;
}

struct CloseZip
{
    void operator()(void* zip) const { unzClose(zip); }
};
using ZipHandle = std::unique_ptr<void, CloseZip>;

// The entry open for reading, closed on every way out; close() says whether the
// entry was whole, its checksum included.
class OpenEntry
{
public:
    explicit OpenEntry(unzFile zip)
        : m_zip(unzOpenCurrentFile(zip) == UNZ_OK ? zip : nullptr)
    {
    }
    OpenEntry(const OpenEntry&) = delete;
    OpenEntry& operator=(const OpenEntry&) = delete;
    ~OpenEntry()
    {
        if (m_zip)
            unzCloseCurrentFile(m_zip);
    }

    bool isOpen() const { return m_zip != nullptr; }
    bool close() { return unzCloseCurrentFile(std::exchange(m_zip, nullptr)) == UNZ_OK; }

private:
    unzFile m_zip;
};

// The open zip container of one workbook, over the caller's bytes.
class Package
{
public:
    Package(QByteArrayView bytes, const QString& shown)
        : m_shown(shown)
        , m_file{bytes}
    {
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    std::optional<Error> open(QByteArrayView bytes)
    {
        if (bytes.startsWith(CompoundFileMagic)) {
            if (QByteArrayView(bytes).indexOf(EncryptedPackage) >= 0) {
                return refusal(m_shown, u"设有打开密码，Mirello 读不了加密的工作簿。"
                                        u"请在表格软件中去掉密码（或另存为 CSV）后再试。"_s);
            }
            return refusal(m_shown, u"是旧的 Excel 97-2003 格式（.xls），不是 .xlsx 工作簿。"
                                    u"请在表格软件中另存为 .xlsx 或 CSV 后再试。"_s);
        }
        if (bytes.startsWith("PK")) {
            zlib_filefunc64_def functions{openMemory, readMemory,  writeMemory,   tellMemory,
                                          seekMemory, closeMemory, errorOfMemory, &m_file};
            m_zip.reset(unzOpen2_64(&m_file, &functions));
        }
        if (!m_zip) {
            return refusal(m_shown, u"不是 .xlsx 工作簿（也可能已损坏）。"
                                    u"请在表格软件中另存为 .xlsx 或 CSV 后再试。"_s);
        }
        return std::nullopt;
    }

    // Finds the part in any letter case, as the zip may spell it, and makes it the
    // current entry.
    bool has(const QString& part)
    {
        return unzLocateFile(m_zip.get(), part.toUtf8().constData(), 2) == UNZ_OK;
    }

    // The whole part, never more than LargestXlsxPartBytes however small the zip
    // says it is.
    Result<QByteArray> read(const QString& part)
    {
        if (!has(part))
            return damaged(m_shown, part, u"缺少这一部分"_s);
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(m_zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            return damaged(m_shown, part);
        if (info.flag & 1) {
            return refusal(m_shown, u"中的内容设有密码，Mirello 读不了。"
                                    u"请在表格软件中去掉密码（或另存为 CSV）后再试。"_s);
        }
        if (info.uncompressed_size > quint64(LargestXlsxPartBytes))
            return tooLarge(part);
        OpenEntry entry(m_zip.get());
        if (!entry.isOpen())
            return damaged(m_shown, part);
        QByteArray bytes;
        char chunk[64 * 1024];
        int got;
        while ((got = unzReadCurrentFile(m_zip.get(), chunk, sizeof chunk)) > 0) {
            if (bytes.size() + got > LargestXlsxPartBytes)
                return tooLarge(part);
            bytes.append(chunk, got);
        }
        if (!entry.close() || got < 0)
            return damaged(m_shown, part);
        return bytes;
    }

private:
    Error tooLarge(const QString& part) const
    {
        return refusal(m_shown, u"中的“" + part + u"”解压后超过 " +
                                    QString::number(LargestXlsxPartBytes >> 20) +
                                    u" MB，不像是班级名单（可能是特意构造的压缩炸弹），没有读取。");
    }

    QString m_shown;
    MemoryFile m_file;
    ZipHandle m_zip;
};

// Steps through one XML part; a document type declaration counts as an error, since
// no workbook has one and it could declare entities.
class PartReader
{
public:
    explicit PartReader(const QByteArray& bytes)
        : m_xml(bytes)
    {
    }

    bool next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::DTD)
                m_xml.raiseError(u"文档类型声明"_s);
            if (m_xml.atEnd())
                return false;
            if (token == QXmlStreamReader::StartElement || token == QXmlStreamReader::EndElement)
                return true;
        }
    }
    bool startOf(QStringView name) const { return m_xml.isStartElement() && m_xml.name() == name; }
    bool endOf(QStringView name) const { return m_xml.isEndElement() && m_xml.name() == name; }
    QString attribute(QStringView name) const
    {
        return m_xml.attributes().value(name.toString()).toString();
    }
    // An attribute in any namespace, such as r:id.
    QString namespacedAttribute(QStringView name) const
    {
        for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
            if (attribute.name() == name && !attribute.namespaceUri().isEmpty())
                return attribute.value().toString();
        }
        return QString();
    }
    // The text of the current element; the reader stands on its end afterwards.
    QString text() { return m_xml.readElementText(QXmlStreamReader::IncludeChildElements); }
    std::optional<QString> error() const
    {
        if (!m_xml.hasError())
            return std::nullopt;
        return m_xml.errorString();
    }

private:
    QXmlStreamReader m_xml;
};

Result<QList<Relationship>> readRelationships(Package& package, const QString& part,
                                              const QString& shown)
{
    QList<Relationship> relationships;
    if (!package.has(part))
        return relationships;
    Result<QByteArray> bytes = package.read(part);
    if (!bytes)
        return bytes.error();
    PartReader xml(bytes.value());
    while (xml.next()) {
        if (xml.startOf(u"Relationship")) {
            relationships.append(Relationship{xml.attribute(u"Id"), xml.attribute(u"Type"),
                                              xml.attribute(u"Target")});
        }
    }
    if (std::optional<QString> error = xml.error())
        return damaged(shown, part, *error);
    return relationships;
}

std::optional<QString> targetOfType(const QList<Relationship>& relationships, QStringView typeEnd,
                                    const QString& fromFolder)
{
    for (const Relationship& relationship : relationships) {
        if (relationship.type.endsWith(typeEnd))
            return resolvePart(fromFolder, relationship.target);
    }
    return std::nullopt;
}

struct Workbook
{
    QStringList sheetNames;
    QStringList sheetParts;
    QString sharedStringsPart;
};

Result<Workbook> readWorkbook(Package& package, const QString& shown)
{
    Result<QList<Relationship>> root = readRelationships(package, u"_rels/.rels"_s, shown);
    if (!root)
        return root.error();
    const QString workbookPart =
        targetOfType(root.value(), u"/officeDocument", QString()).value_or(u"xl/workbook.xml"_s);
    Result<QList<Relationship>> links =
        readRelationships(package, relationshipsOf(workbookPart), shown);
    if (!links)
        return links.error();
    const QString folder = folderOfPart(workbookPart);

    Workbook workbook;
    workbook.sharedStringsPart = targetOfType(links.value(), u"/sharedStrings", folder)
                                     .value_or(folder + u"/sharedStrings.xml");
    Result<QByteArray> bytes = package.read(workbookPart);
    if (!bytes)
        return bytes.error();
    PartReader xml(bytes.value());
    while (xml.next()) {
        if (!xml.startOf(u"sheet"))
            continue;
        const QString id = xml.namespacedAttribute(u"id");
        QString part;
        for (const Relationship& link : links.value()) {
            if (link.id == id)
                part = resolvePart(folder, link.target);
        }
        workbook.sheetNames.append(xml.attribute(u"name"));
        workbook.sheetParts.append(part);
    }
    if (std::optional<QString> error = xml.error())
        return damaged(shown, workbookPart, *error);
    if (workbook.sheetNames.isEmpty())
        return refusal(shown, u"中没有工作表。"_s);
    return workbook;
}

// The text of a string item: its runs, without the phonetic guides (rPh) that
// Chinese and Japanese spreadsheets keep beside names.
QString stringItem(PartReader& xml, QStringView element)
{
    QString text;
    int phonetic = 0;
    while (xml.next() && !xml.endOf(element)) {
        if (xml.startOf(u"rPh"))
            ++phonetic;
        else if (xml.endOf(u"rPh"))
            --phonetic;
        else if (xml.startOf(u"t") && phonetic == 0)
            text += xml.text();
    }
    return text;
}

Result<QStringList> readSharedStrings(Package& package, const QString& part, const QString& shown)
{
    QStringList strings;
    if (!package.has(part))
        return strings;
    Result<QByteArray> bytes = package.read(part);
    if (!bytes)
        return bytes.error();
    PartReader xml(bytes.value());
    while (xml.next()) {
        if (!xml.startOf(u"si"))
            continue;
        if (strings.size() >= LargestSharedStrings)
            return refusal(shown, u"中的文字超过一百万段，不像是班级名单，没有读取。"_s);
        strings.append(stringItem(xml, u"si"));
    }
    if (std::optional<QString> error = xml.error())
        return damaged(shown, part, *error);
    return strings;
}

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

Result<Cell> readCell(PartReader& xml, int column, const QStringList& strings, const QString& shown,
                      const QString& part)
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

Result<CellTable> readSheetPart(Package& package, const QString& part, const QStringList& strings,
                                const QString& shown)
{
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
            Result<Cell> cell = readCell(xml, column + 1, strings, shown, part);
            if (!cell)
                return cell.error();
            column = cell.value().column;
            if (column >= LargestTableColumns || cell.value().text.isEmpty())
                continue;
            if (cells.size() <= column)
                cells.resize(column + 1);
            cells[column] = cell.value().text;
        }
        if (!cells.isEmpty() && !xml.error()) {
            if (table.size() >= LargestTableRows) {
                return refusal(shown, u"的工作表超过 " + QString::number(LargestTableRows) +
                                          u" 行，不像是一个班级的名单，没有读取。");
            }
            table.append(TableRow{rowNumber, cells});
        }
    }
    if (std::optional<QString> error = xml.error())
        return damaged(shown, part, *error);
    return table;
}

template <typename Use>
auto withWorkbook(QByteArrayView bytes, const QString& shown, Use use)
    -> decltype(use(std::declval<Package&>(), std::declval<const Workbook&>()))
{
    if (bytes.size() > LargestImportFileBytes) {
        return refusal(shown, u"超过 " + QString::number(LargestImportFileBytes >> 20) +
                                  u" MB，不像是班级名单，没有读取。");
    }
    try {
        Package package(bytes, shown);
        if (std::optional<Error> refused = package.open(bytes))
            return *refused;
        Result<Workbook> workbook = readWorkbook(package, shown);
        if (!workbook)
            return workbook.error();
        return use(package, workbook.value());
    } catch (const std::bad_alloc&) {
        return Error{u"内存不足，无法读取“" + shown + u"”。", u"内存不足"_s};
    }
}

} // namespace

Result<QStringList> xlsxSheetNames(QByteArrayView bytes, const QString& shown)
{
    return withWorkbook(bytes, shown, [](Package&, const Workbook& workbook) {
        return Result<QStringList>(workbook.sheetNames);
    });
}

Result<CellTable> readXlsxSheet(QByteArrayView bytes, int index, const QString& shown)
{
    return withWorkbook(bytes, shown, [&](Package& package, const Workbook& workbook) {
        if (index < 0 || index >= workbook.sheetParts.size() ||
            workbook.sheetParts[index].isEmpty()) {
            return Result<CellTable>(refusal(shown, u"中找不到所选的工作表。"_s));
        }
        Result<QStringList> strings = readSharedStrings(package, workbook.sharedStringsPart, shown);
        if (!strings)
            return Result<CellTable>(strings.error());
        return readSheetPart(package, workbook.sheetParts[index], strings.value(), shown);
    });
}

} // namespace mirello
