#include "IcoFile.h"

#include <optional>
#include <QBuffer>

namespace mirello {

using namespace Qt::StringLiterals;

namespace {

constexpr int HeaderSize = 6;
constexpr int EntrySize = 16;

void appendLittleEndian(QByteArray& bytes, quint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

std::optional<QByteArray> pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    return bytes;
}

// One directory entry; a side of 256 is stored as 0.
void appendEntry(QByteArray& directory, const QImage& image, qsizetype size, qsizetype offset)
{
    appendLittleEndian(directory, quint32(image.width() & 0xFF), 1);
    appendLittleEndian(directory, quint32(image.height() & 0xFF), 1);
    appendLittleEndian(directory, 0, 1);  // no palette
    appendLittleEndian(directory, 0, 1);  // reserved
    appendLittleEndian(directory, 1, 2);  // colour planes
    appendLittleEndian(directory, 32, 2); // bits per pixel
    appendLittleEndian(directory, quint32(size), 4);
    appendLittleEndian(directory, quint32(offset), 4);
}

} // namespace

Result<QByteArray> icoFile(const QList<QImage>& images)
{
    QByteArray directory;
    appendLittleEndian(directory, 0, 2); // reserved
    appendLittleEndian(directory, 1, 2); // type: icon
    appendLittleEndian(directory, quint32(images.size()), 2);
    QByteArray data;
    qsizetype offset = HeaderSize + EntrySize * images.size();
    for (const QImage& image : images) {
        const std::optional<QByteArray> png = pngBytes(image);
        if (!png)
            return Error{u"Cannot build the icon file"_s, u"PNG encoding failed"_s};
        appendEntry(directory, image, png->size(), offset);
        data += *png;
        offset += png->size();
    }
    return QByteArray(directory + data);
}

} // namespace mirello
