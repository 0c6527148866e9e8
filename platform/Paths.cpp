#include "Paths.h"

#include <QDir>

namespace mirello {

QString folderOf(const QString& path)
{
    const QString normal = QDir::fromNativeSeparators(path);
    const qsizetype slash = normal.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QStringLiteral("/");
    return QDir::toNativeSeparators(normal.left(slash));
}

QString fileNameOf(const QString& path)
{
    const QString normal = QDir::fromNativeSeparators(path);
    return normal.mid(normal.lastIndexOf(u'/') + 1);
}

QString pathInFolder(const QString& folder, const QString& tail)
{
    return QDir::toNativeSeparators(folder + u'/' + tail);
}

} // namespace mirello
