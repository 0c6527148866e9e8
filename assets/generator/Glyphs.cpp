#include "Glyphs.h"

#include "Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace mirello {

namespace {

const QColor White(palette::Glyph);

QPen strokePen(qreal width)
{
    return QPen(White, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void paintStart(QPainter& painter)
{
    // Rounded joins soften the triangle's points; its centre of mass sits mid-tile.
    const QPointF corners[] = {{12.5, 9.5}, {12.5, 22.5}, {23.0, 16.0}};
    painter.setPen(strokePen(2.0));
    painter.setBrush(White);
    painter.drawPolygon(corners, 3);
}

void paintPause(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(White);
    painter.drawRoundedRect(QRectF(10.0, 9.0, 4.5, 14.0), 1.2, 1.2);
    painter.drawRoundedRect(QRectF(17.5, 9.0, 4.5, 14.0), 1.2, 1.2);
}

void paintOk(QPainter& painter)
{
    const QPointF stroke[] = {{9.0, 16.5}, {14.0, 21.5}, {23.0, 11.0}};
    painter.setPen(strokePen(3.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(stroke, 3);
}

// Faint lines of a list, which the magnifying glass moves over.
void paintListLines(QPainter& painter)
{
    painter.setPen(QPen(QColor(255, 255, 255, 80), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (const qreal y : {10.0, 16.0, 22.0})
        painter.drawLine(QPointF(7.5, y), QPointF(24.5, y));
}

void paintMagnifier(QPainter& painter, QPointF lensCentre)
{
    const qreal radius = 5.2;
    const QPointF handleStart = lensCentre + QPointF(3.9, 3.9);
    const QPointF handleEnd = lensCentre + QPointF(8.6, 8.6);
    painter.setPen(strokePen(3.6));
    painter.drawLine(handleStart, handleEnd);
    painter.setPen(strokePen(2.3));
    painter.setBrush(QColor(255, 255, 255, 60));
    painter.drawEllipse(lensCentre, radius, radius);
}

void paintSearch(QPainter& painter, QPointF lensCentre)
{
    paintListLines(painter);
    paintMagnifier(painter, lensCentre);
}

QPainterPath personPath(QPointF headCentre, qreal shoulderHalfWidth)
{
    QPainterPath path;
    path.addEllipse(headCentre, 4.6, 4.6);
    const qreal top = headCentre.y() + 6.8;
    const qreal bottom = 26.0;
    const qreal left = headCentre.x() - shoulderHalfWidth;
    const qreal right = headCentre.x() + shoulderHalfWidth;
    path.moveTo(left, bottom);
    path.cubicTo(left, top + 1.5, left + 3.5, top, headCentre.x(), top);
    path.cubicTo(right - 3.5, top, right, top + 1.5, right, bottom);
    path.closeSubpath();
    return path;
}

void paintPersonOutline(QPainter& painter)
{
    painter.setPen(strokePen(2.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(personPath(QPointF(16.0, 11.0), 8.5));
}

void paintPersonRaisingHand(QPainter& painter)
{
    // The person stands left of centre, so the raised arm, bent at the elbow, fits on
    // the right.
    painter.setPen(Qt::NoPen);
    painter.setBrush(White);
    painter.drawPath(personPath(QPointF(12.5, 12.5), 7.5));
    const QPointF arm[] = {{17.0, 21.5}, {23.5, 18.0}, {23.5, 10.0}};
    painter.setPen(strokePen(3.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(arm, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(White);
    painter.drawEllipse(QPointF(23.5, 8.0), 2.6, 3.0);
}

} // namespace

void paintGlyph(QPainter& painter, Glyph glyph)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case Glyph::Start:
        paintStart(painter);
        break;
    case Glyph::Pause:
        paintPause(painter);
        break;
    case Glyph::Ok:
        paintOk(painter);
        break;
    case Glyph::SearchFrame1:
        paintSearch(painter, QPointF(12.0, 12.0));
        break;
    case Glyph::SearchFrame2:
        paintSearch(painter, QPointF(18.0, 13.0));
        break;
    case Glyph::SearchFrame3:
        paintSearch(painter, QPointF(14.0, 17.0));
        break;
    case Glyph::PersonOutline:
        paintPersonOutline(painter);
        break;
    case Glyph::PersonRaisingHand:
        paintPersonRaisingHand(painter);
        break;
    }
    painter.restore();
}

} // namespace mirello
