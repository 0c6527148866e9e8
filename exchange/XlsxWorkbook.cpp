#include "XlsxWorkbook.h"

#include "XlsxReader.h"

#include <functional>
#include <QHash>

using namespace Qt::StringLiterals;

namespace mirello::xlsx {

namespace {

constexpr qsizetype LargestSharedStrings = 1'000'000;

struct Relationship
{
    QString type;
    QString target;
};

// By their ids, which the sheets name.
using Relationships = QHash<QString, Relationship>;

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
    return slash < 0 ? QString() : part.left(slash);
}

QString relationshipsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + u"_rels/" + part.mid(slash + 1) + u".rels";
}

// Hands `take` each `element` of the part `part`, which may be missing, until it refuses.
Result<void> eachElement(Package& package, const QString& part, QStringView element,
                         const std::function<std::optional<Error>(PartReader&)>& take)
{
    if (!package.has(part))
        return {};
    Result<QByteArray> bytes = package.read(part);
    if (!bytes)
        return bytes.error();
    PartReader xml(bytes.value());
    while (xml.next()) {
        if (!xml.startOf(element))
            continue;
        if (std::optional<Error> refused = take(xml))
            return *refused;
    }
    if (std::optional<QString> error = xml.error())
        return damaged(package.shown(), part, *error);
    return {};
}

Result<Relationships> readRelationships(Package& package, const QString& part)
{
    Relationships relationships;
    Result<void> read =
        eachElement(package, part, u"Relationship", [&](PartReader& xml) -> std::optional<Error> {
            if (relationships.size() >= LargestRelationships) {
                return refusal(package.shown(), u"中的“" + part + u"”有超过 " +
                                                    QString::number(LargestRelationships) +
                                                    u" 条关联，不像是班级名单，没有读取。");
            }
            relationships.insert(xml.attribute(u"Id"),
                                 Relationship{xml.attribute(u"Type"), xml.attribute(u"Target")});
            return std::nullopt;
        });
    if (!read)
        return read.error();
    return relationships;
}

std::optional<QString> targetOfType(const Relationships& relationships, QStringView typeEnd,
                                    const QString& fromFolder)
{
    for (const Relationship& relationship : relationships) {
        if (relationship.type.endsWith(typeEnd))
            return resolvePart(fromFolder, relationship.target);
    }
    return std::nullopt;
}

Error tooManySheets(const QString& shown)
{
    return refusal(shown, u"有超过 " + QString::number(LargestSheets) +
                              u" 个工作表，不像是班级名单，没有读取。");
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

Result<Workbook> readWorkbook(Package& package)
{
    const QString& shown = package.shown();
    Result<Relationships> root = readRelationships(package, u"_rels/.rels"_s);
    if (!root)
        return root.error();
    const QString workbookPart =
        targetOfType(root.value(), u"/officeDocument", QString()).value_or(u"xl/workbook.xml"_s);
    Result<Relationships> links = readRelationships(package, relationshipsOf(workbookPart));
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
        if (workbook.sheetNames.size() >= LargestSheets)
            return tooManySheets(shown);
        if (std::optional<Error> stopped = package.budget().stopped())
            return *stopped;
        const auto link = links.value().constFind(xml.namespacedAttribute(u"id"));
        workbook.sheetNames.append(xml.attribute(u"name"));
        workbook.sheetParts.append(
            link == links.value().cend() ? QString() : resolvePart(folder, link->target));
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

Result<QStringList> readSharedStrings(Package& package, const QString& part)
{
    QStringList strings;
    Result<void> read =
        eachElement(package, part, u"si", [&](PartReader& xml) -> std::optional<Error> {
            if (strings.size() >= LargestSharedStrings)
                return refusal(package.shown(),
                               u"中的文字超过一百万段，不像是班级名单，没有读取。"_s);
            strings.append(stringItem(xml, u"si"));
            return package.budget().check(strings.last());
        });
    if (!read)
        return read.error();
    return strings;
}

} // namespace mirello::xlsx
