// The .xlsx sheet reader over arbitrary bytes, then the import over what it read:
// reading never crashes and keeps within its limits, and the class file an import
// would write reads back, line for line, as the lines the preview shows.
#include "exchange/ClassImport.h"
#include "exchange/XlsxReader.h"
#include "FuzzCheck.h"
#include "roll/RosterLoader.h"

#include <cstdint>

using namespace mirello;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString shown = QStringLiteral("fuzz.xlsx");
    const Result<XlsxContent> content = readXlsx(bytes, 0, shown);
    if (!content)
        return 0;
    const CellTable& table = content.value().table;
    FUZZ_CHECK(table.size() <= LargestTableRows);
    FUZZ_CHECK(content.value().sheetNames.size() <= LargestSheets);
    for (const TableRow& row : table) {
        FUZZ_CHECK(row.number > 0 && row.cells.size() <= LargestTableColumns);
        for (const QString& cell : row.cells)
            FUZZ_CHECK(cell.size() <= LongestCellText);
    }

    const ImportPlan plan = planImport(table, guessColumns(table));
    const NameList lines = nameListFromBytes(plan.bytes);
    qsizetype line = 0;
    for (const ImportRow& row : plan.rows) {
        if (!row.written)
            continue;
        FUZZ_CHECK(line < lines.size() && lines.at(line) == row.line);
        ++line;
    }
    FUZZ_CHECK(lines.size() == line + (line > 0));
    return 0;
}
