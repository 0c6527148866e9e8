#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QRect>

class QLabel;
class QWidget;

namespace mirello {

// The zooms a teacher can choose, in percent; 100 is the window as designed.
inline constexpr int ZoomSteps[] = {100, 150, 200, 250};

// The step after `percent` going up (`direction` 1) or down (-1), staying within the steps.
int nextZoom(int percent, int direction);
// `percent` where it is one of the steps, else 100: a damaged setting opens the window as designed.
int validZoom(int percent);

// Shows a window laid out in pixels at a zoom: each control's place and font grow
// together, pictures are scaled smoothly, and a label sized to its text is measured
// again in its zoomed font. A text that would pass the window's right edge shrinks its
// font until it fits whole.
class WindowZoom final
{
public:
    explicit WindowZoom(QWidget& window);

    // The window's size and the controls' places, fonts and pictures as they are now
    // are the design at 100 %. `sizedToText` are labels whose width follows their text.
    void takeDesign(const QList<QWidget*>& controls, const QList<QLabel*>& sizedToText);
    void setPicture(QLabel& label, const QPixmap& picture);
    void setSizedText(QLabel& label, const QString& text);
    void zoomTo(int percent);
    int percent() const { return m_percent; }
    qreal factor() const { return m_percent / 100.0; }
    // `picture` at the zoom, smoothly scaled for the screen's own pixels; a picture
    // with a device pixel ratio of 2 is one drawn at twice the size.
    QPixmap zoomed(const QPixmap& picture) const;

private:
    struct Design
    {
        QWidget* control;
        QRect geometry;
        QFont font;
    };

    const Design& designOf(const QWidget& control) const;
    QFont zoomed(const QFont& font) const;

    QWidget& m_window;
    QSize m_designSize;
    QList<Design> m_designs;
    QList<QLabel*> m_sizedToText;
    QHash<QLabel*, QPixmap> m_pictures;
    int m_percent = 100;
};

} // namespace mirello
