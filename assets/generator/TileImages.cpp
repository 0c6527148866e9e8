#include "TileImages.h"

#include <QPainter>

namespace mirello {

namespace {

void paintTileWithGlyph(QImage& image, Glyph glyph, TileShade shade)
{
    QPainter painter(&image);
    paintTile(painter, QRectF(image.rect()), shade);
    painter.scale(image.width() / qreal(FaceSize), image.height() / qreal(FaceSize));
    paintGlyph(painter, glyph);
}

} // namespace

QImage faceOverBackground(Glyph glyph, TileShade shade, const QImage& background, QPoint at)
{
    QImage face =
        background.copy(QRect(at, QSize(FaceSize, FaceSize))).convertToFormat(QImage::Format_RGB32);
    paintTileWithGlyph(face, glyph, shade);
    return face.convertToFormat(QImage::Format_RGB888);
}

QImage tileOnTransparency(Glyph glyph, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    paintTileWithGlyph(image, glyph, TileShade::Resting);
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace mirello
