#include "BenchFiles.h"

#include <cstdio>
#include <cstdlib>
#include <QFile>
#include <unistd.h>

namespace mirello {

void writeFileOrExit(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes.data(), bytes.size()) == bytes.size() && file.flush() &&
        fsync(file.handle()) == 0)
        return;
    std::fprintf(stderr, "Cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
    std::exit(EXIT_FAILURE);
}

} // namespace mirello
