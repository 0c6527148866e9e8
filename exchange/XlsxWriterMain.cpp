// The helper that writes .xlsx workbooks for Mirello's export: the sheets come on
// standard input (serializeSheets()), the workbook's bytes go to standard output.
// On failure the message and the reason go to standard error, one line each.
#include "XlsxLibraryWriter.h"

#include <cstdio>
#include <QFile>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main()
{
#ifdef Q_OS_WIN
    // Windows' C runtime reads and writes standard streams as text, turning "\n" into
    // "\r\n" and stopping at a Ctrl+Z byte, which would corrupt both the sheets and
    // the workbook.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QFile input;
    QFile output;
    QFile errors;
    if (!input.open(stdin, QIODevice::ReadOnly) || !output.open(stdout, QIODevice::WriteOnly) ||
        !errors.open(stderr, QIODevice::WriteOnly))
        return 2;
    const std::optional<QList<mirello::XlsxSheet>> sheets =
        mirello::deserializeSheets(input.readAll());
    const mirello::Result<QByteArray> workbook =
        sheets
            ? mirello::writeXlsxWithLibrary(*sheets)
            : mirello::Result<QByteArray>(mirello::Error{
                  QStringLiteral("无法生成 Excel 工作簿：导出程序收到的数据不完整。"), QString()});
    if (!workbook) {
        errors.write((workbook.error().message + u'\n' + workbook.error().reason + u'\n').toUtf8());
        return 1;
    }
    return output.write(workbook.value()) == workbook.value().size() && output.flush() ? 0 : 1;
}
