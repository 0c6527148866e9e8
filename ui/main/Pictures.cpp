#include "Pictures.h"

#include "platform/FileNames.h"
#include "platform/FileReading.h"

#include <QBuffer>
#include <QImageReader>

namespace mirello {

namespace {

// A face or frame is a few kilobytes; anything far larger is no picture of ours.
constexpr qint64 LargestPictureBytes = qint64(16) << 20;

} // namespace

Result<QPixmap> loadPicture(const QString& path)
{
    const QString advice = QStringLiteral("请确认该文件存在并且是完整的图片。");
    // Read like every other file: never blocking on a pipe, never unbounded.
    Result<QByteArray> bytes = readWholeFile(path, LargestPictureBytes, u"图片");
    if (!bytes)
        return Error{bytes.error().message + u"无法载入。", bytes.error().reason};
    QByteArray data = std::move(bytes).value();
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QImage image = reader.read();
    if (image.isNull()) {
        return Error{u"无法载入图片“" + shownFileName(path) + u"”。" + advice,
                     reader.errorString()};
    }
    return QPixmap::fromImage(image);
}

} // namespace mirello
