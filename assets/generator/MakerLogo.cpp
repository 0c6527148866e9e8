#include "MakerLogo.h"

#include "Palette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

namespace mirello {

using namespace Qt::StringLiterals;

namespace {

constexpr qreal WordLeft = 46;
constexpr qreal WordBaseline = 33;
constexpr qreal WordMaxWidth = 72;

void paintPaper(QPainter& painter)
{
    QLinearGradient paper(0, 0, 0, AboutLogoSize.height());
    paper.setColorAt(0, QColor(palette::LogoPaperTop));
    paper.setColorAt(1, QColor(palette::LogoPaperBottom));
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(AboutLogoSize)), paper);
}

// A blue tile like the program's buttons, with a white "M" drawn as one stroke.
void paintMark(QPainter& painter)
{
    const QRectF tile(9, 11, 30, 30);
    QLinearGradient blue(tile.topLeft(), tile.bottomLeft());
    blue.setColorAt(0, QColor(palette::TileTop));
    blue.setColorAt(1, QColor(palette::TileBottom));
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRoundedRect(tile, 7, 7);
    const QPointF stroke[] = {{16, 33}, {16, 19.5}, {24, 28}, {32, 19.5}, {32, 33}};
    painter.setPen(QPen(QColor(palette::Glyph), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(stroke, 5);
}

// The largest face size, up to 20 pixels, at which the word fits its space.
QFont wordFont(const QString& word)
{
    QFont font;
    font.setFamilies({u"URW Gothic"_s, u"DejaVu Sans"_s});
    font.setWeight(QFont::DemiBold);
    for (int pixels = 20; pixels > 8; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font).horizontalAdvance(word) <= WordMaxWidth)
            break;
    }
    return font;
}

void paintWord(QPainter& painter)
{
    const QString word = u"Mirello"_s;
    painter.setFont(wordFont(word));
    painter.setPen(QColor(palette::LogoInk));
    painter.drawText(QPointF(WordLeft, WordBaseline), word);
    painter.setPen(QPen(QColor(palette::TileTop), 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(WordLeft + 1, WordBaseline + 8),
                     QPointF(WordLeft + WordMaxWidth, WordBaseline + 8));
}

} // namespace

QImage makerLogo()
{
    QImage image(AboutLogoSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPaper(painter);
    paintMark(painter);
    paintWord(painter);
    return image;
}

} // namespace mirello
