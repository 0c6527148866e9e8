#include "Pictures.h"

#include <QDir>
#include <QImageReader>

namespace mirello {

Result<QPixmap> loadPicture(const QString& path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        return Error{u"无法载入图片“" + QDir::toNativeSeparators(path) +
                         u"”。请确认该文件存在并且是完整的图片。",
                     reader.errorString()};
    }
    return QPixmap::fromImage(image);
}

} // namespace mirello
