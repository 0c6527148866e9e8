#include "FileReading.h"

#include <QDir>
#include <QFile>

namespace mirello {

Result<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{u"无法打开文件“" + shown + u"”。", file.errorString()};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error{u"无法读取文件“" + shown + u"”。", file.errorString()};
    return bytes;
}

} // namespace mirello
