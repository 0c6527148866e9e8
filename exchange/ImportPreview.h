#pragma once

#include "CellTable.h"
#include "ClassImport.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace mirello {

// What the import dialog shows of a file before anything is written: the table read
// from it, the sheets of a workbook, the columns guessed, the lines planned with them,
// and a name for the class.
struct ImportPreview
{
    QStringList sheetNames; // empty for a CSV file
    CellTable table;
    ImportColumns columns;
    ImportPlan plan;
    QString suggestedName;
};

// Reads the file at `path` (a workbook, whatever its name says, or else CSV) and, of a
// workbook, the sheet at `sheet`; then guesses the columns and plans. Runs off the
// window's thread: the work stays in proportion to what a class list can hold, stops
// soon after `cancel` is set, and a lack of memory is an error like any other.
Result<ImportPreview> previewImportFile(const QString& path, int sheet, const CancelFlag& cancel);

// The same over bytes already read; `fileName` names them in messages.
Result<ImportPreview> previewImport(QByteArrayView bytes, const QString& fileName, int sheet,
                                    const CancelFlag& cancel);

} // namespace mirello
