#include "WinterScene.h"

#include "BareTree.h"
#include "Palette.h"

#include <cmath>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

namespace mirello {

namespace {

constexpr qreal Width = BackgroundSize.width();
constexpr qreal Height = BackgroundSize.height();
// Right of this the window shows its buttons; left of it the texts need a quiet ground.
constexpr qreal TextAreaRight = 222;

QColor mix(QRgb from, QRgb to, qreal toShare)
{
    const auto channel = [&](int a, int b) {
        return qRound(a + (b - a) * toShare);
    };
    return QColor(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)),
                  channel(qBlue(from), qBlue(to)));
}

qreal farRidgeY(qreal x)
{
    return 124 - 4 * std::sin(x / 55) - 3 * std::sin(x / 21 + 1) - 6 * std::sin(x / 140 + 2);
}

qreal fieldEdgeY(qreal x)
{
    return 146 + 3 * std::sin(x / 70 + 0.5) + 2 * std::sin(x / 33);
}

// The area below a ridge line, sampled every few pixels.
template <typename Ridge>
QPainterPath areaBelow(Ridge ridgeY)
{
    QPainterPath path(QPointF(0, Height));
    for (qreal x = 0; x <= Width; x += 4)
        path.lineTo(x, ridgeY(x));
    path.lineTo(Width, Height);
    path.closeSubpath();
    return path;
}

void paintSky(QPainter& painter)
{
    QLinearGradient sky(0, 0, 0, 150);
    sky.setColorAt(0, QColor(palette::SkyTop));
    sky.setColorAt(1, QColor(palette::SkyHorizon));
    painter.fillRect(QRectF(0, 0, Width, Height), sky);
}

// Small trees along the far ridge, fainter over the text area.
void paintFarTreeLine(QPainter& painter)
{
    QRandomGenerator random(7);
    for (qreal x = -4; x < Width + 4; x += 3 + random.bounded(7)) {
        const qreal share = x < TextAreaRight ? 0.2 : 0.32;
        paintBareTree(painter,
                      {QPointF(x, farRidgeY(x) + 2), 7.0 + random.bounded(11), 0.8, 4,
                       mix(palette::DistantHill, palette::Bark, share), random.generate()});
    }
}

void paintFarHills(QPainter& painter)
{
    painter.fillPath(areaBelow(farRidgeY), QColor(palette::DistantHill));
    paintFarTreeLine(painter);
}

// A band of white haze that hides where the distance meets the field.
void paintMist(QPainter& painter, qreal top, qreal bottom, int strength)
{
    QLinearGradient mist(0, top, 0, bottom);
    mist.setColorAt(0, QColor(255, 255, 255, 0));
    mist.setColorAt(0.6, QColor(255, 255, 255, strength));
    mist.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(QRectF(0, top, Width, bottom - top), mist);
}

void paintField(QPainter& painter)
{
    QLinearGradient snow(0, 140, 0, Height);
    snow.setColorAt(0, QColor(palette::Snow));
    snow.setColorAt(1, QColor(palette::SnowShadow));
    painter.fillPath(areaBelow(fieldEdgeY), snow);
    // A soft drift shadow under the hut and the trees.
    QPainterPath drift(QPointF(150, Height));
    drift.cubicTo(220, 200, 300, 185, Width, 192);
    drift.lineTo(Width, Height);
    drift.closeSubpath();
    painter.fillPath(drift, mix(palette::Snow, palette::SnowShadow, 0.6));
}

void paintMiddleTrees(QPainter& painter)
{
    const QColor faded = mix(palette::Bark, palette::SkyHorizon, 0.55);
    paintBareTree(painter, {QPointF(322, 151), 62, 1.6, 6, faded, 11});
    paintBareTree(painter, {QPointF(348, 149), 48, 1.3, 6, faded, 12});
    paintBareTree(painter, {QPointF(376, 152), 70, 1.7, 6, faded, 13});
}

// The hut is drawn around the middle of its ground line, at (0, 0), 48 units wide.
void paintHutBody(QPainter& painter)
{
    painter.fillRect(QRectF(-16, -16, 32, 16), QColor(palette::HutWall));
    painter.setPen(QPen(mix(palette::HutWall, palette::HutDoor, 0.6), 0.8));
    for (qreal y = -12.5; y < 0; y += 3.5)
        painter.drawLine(QPointF(-16, y), QPointF(16, y));
    painter.fillRect(QRectF(-11, -11, 7, 11), QColor(palette::HutDoor));
    painter.fillRect(QRectF(1, -12, 9, 6), QColor(palette::HutWindow));
    painter.setPen(QPen(QColor(palette::HutDoor), 1));
    painter.drawRect(QRectF(1, -12, 9, 6));
    painter.drawLine(QPointF(5.5, -12), QPointF(5.5, -6));
}

void paintHutRoof(QPainter& painter)
{
    painter.fillRect(QRectF(10, -32, 4, 10), QColor(palette::HutDoor));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(palette::HutDoor));
    const QPointF eaves[] = {{-22, -13}, {0, -31}, {22, -13}};
    painter.drawPolygon(eaves, 3);
    // A thick blanket of snow with a rounded, overhanging edge.
    QPainterPath snow(QPointF(-24, -14.5));
    snow.lineTo(-1, -34);
    snow.quadTo(0, -35.5, 1, -34);
    snow.lineTo(24, -14.5);
    snow.quadTo(24, -12.5, 20, -13.5);
    snow.quadTo(0, -16, -20, -13.5);
    snow.quadTo(-24, -12.5, -24, -14.5);
    painter.setPen(QPen(QColor(palette::SnowShadow), 0.8));
    painter.setBrush(QColor(palette::Snow));
    painter.drawPath(snow);
    painter.drawRoundedRect(QRectF(9, -33.5, 6, 3), 1.5, 1.5);
}

// A thin, fading wisp of smoke rising from the chimney.
void paintChimneySmoke(QPainter& painter)
{
    QPainterPath smoke(QPointF(12, -36));
    smoke.cubicTo(8, -46, 18, -54, 13, -66);
    smoke.cubicTo(10, -74, 20, -82, 17, -92);
    QLinearGradient fade(0, -36, 0, -92);
    fade.setColorAt(0, QColor(255, 255, 255, 200));
    fade.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(QPen(QBrush(fade), 4.0, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(smoke);
}

// Snow heaped against the walls.
void paintSnowHeap(QPainter& painter)
{
    QPainterPath heap(QPointF(-30, 3));
    heap.cubicTo(-20, -5, -8, -2, 0, -1.5);
    heap.cubicTo(10, -2, 22, -6, 32, 3);
    heap.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.fillPath(heap, QColor(palette::Snow));
}

void paintHut(QPainter& painter, QPointF ground, qreal scale)
{
    painter.save();
    painter.translate(ground);
    painter.scale(scale, scale);
    paintChimneySmoke(painter);
    paintHutBody(painter);
    paintHutRoof(painter);
    paintSnowHeap(painter);
    painter.restore();
}

void paintNearTrees(QPainter& painter)
{
    const QColor bark(palette::Bark);
    paintBareTree(painter, {QPointF(270, 192), 160, 3.8, 6, bark, 26});
    paintBareTree(painter, {QPointF(366, 212), 190, 4.8, 7, bark, 22});
    // A slim, faint tree at the left edge balances the picture without reaching the texts.
    paintBareTree(painter,
                  {QPointF(9, 168), 70, 1.6, 6, mix(palette::Bark, palette::SkyHorizon, 0.6), 23});
}

} // namespace

QImage winterScene(int scale)
{
    QImage image(BackgroundSize * scale, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (scale != 1)
        painter.scale(scale, scale);
    paintSky(painter);
    paintFarHills(painter);
    paintMist(painter, 100, 150, 200);
    paintField(painter);
    paintMiddleTrees(painter);
    paintMist(painter, 120, 165, 120);
    paintHut(painter, QPointF(244, 186), 0.7);
    paintNearTrees(painter);
    return image;
}

} // namespace mirello
