#include "ImportPreview.h"

#include "platform/FileNames.h"
#include "platform/FileReading.h"
#include "platform/Paths.h"
#include "XlsxReader.h"

#include <new>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// A workbook is a zip; a password-protected one or an old .xls is a compound
// file. Whatever the name says, those go to the workbook reader, which names them.
bool looksLikeWorkbook(QByteArrayView bytes)
{
    return bytes.startsWith("PK") || bytes.startsWith("\xD0\xCF\x11\xE0");
}

Result<ImportPreview> readPreview(QByteArrayView bytes, const QString& shown, int sheet,
                                  const CancelFlag& cancel)
{
    ImportPreview preview;
    preview.suggestedName = QFileInfo(shown).completeBaseName();
    if (looksLikeWorkbook(bytes)) {
        Result<XlsxContent> content = readXlsx(bytes, sheet, shown, &cancel);
        if (!content)
            return content.error();
        preview.sheetNames = content.value().sheetNames;
        preview.table = std::move(content).value().table;
        if (preview.sheetNames.size() > 1)
            preview.suggestedName = preview.sheetNames.value(sheet);
    } else {
        Result<CellTable> table = tableFromCsv(bytes);
        if (!table)
            return table.error();
        preview.table = std::move(table).value();
    }
    if (cancel)
        return Error{u"已取消读取“" + shown + u"”。", QString()};
    preview.columns = guessColumns(preview.table);
    preview.plan = planImport(preview.table, preview.columns);
    return preview;
}

} // namespace

Result<ImportPreview> previewImport(QByteArrayView bytes, const QString& fileName, int sheet,
                                    const CancelFlag& cancel)
{
    const QString shown = shownFileName(fileName);
    try {
        return readPreview(bytes, shown, sheet, cancel);
    } catch (const std::bad_alloc&) {
        return Error{u"无法导入班级：内存不足，读不完“" + shown + u"”。", u"内存不足"_s};
    }
}

Result<ImportPreview> previewImportFile(const QString& path, int sheet, const CancelFlag& cancel)
{
    Result<QByteArray> bytes = readWholeFile(path, LargestImportFileBytes);
    if (!bytes)
        return Error{u"无法导入班级：" + bytes.error().message, bytes.error().reason};
    return previewImport(bytes.value(), fileNameOf(path), sheet, cancel);
}

} // namespace mirello
