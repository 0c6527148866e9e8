#pragma once

// The XML parts of an .xlsx workbook: the relationships between the parts, the list
// of sheets and the shared strings, read with QXmlStreamReader. Only the reader uses it.

#include "XlsxPackage.h"

#include <optional>
#include <QStringList>
#include <QStringView>
#include <QXmlStreamReader>

namespace mirello::xlsx {

// Steps through one XML part; a document type declaration counts as an error, since
// no workbook has one and it could declare entities.
class PartReader
{
public:
    explicit PartReader(const QByteArray& bytes)
        : m_xml(bytes)
    {
    }

    bool next();
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

struct Workbook
{
    QStringList sheetNames;
    QStringList sheetParts;
    QString sharedStringsPart;
};

Result<Workbook> readWorkbook(Package& package);

// The text of a string item: its runs, without the phonetic guides (rPh) that
// Chinese and Japanese spreadsheets keep beside names.
QString stringItem(PartReader& xml, QStringView element);

Result<QStringList> readSharedStrings(Package& package, const QString& part);

} // namespace mirello::xlsx
