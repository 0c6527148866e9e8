#include "XlsxWorkbook.h"

using namespace Qt::StringLiterals;

namespace mirello::xlsx {

namespace {

constexpr qsizetype LargestSharedStrings = 1'000'000;

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

} // namespace

bool PartReader::next()
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

} // namespace mirello::xlsx
