#pragma once

#include <QWidget>

namespace mirello {

// One line of text drawn as large as its area allows, centred: its font grows and
// shrinks with the widget, so a long name fits the width as well as a short one.
class FittedText final : public QWidget
{
    Q_OBJECT

public:
    FittedText(const QFont& font, QWidget* parent);

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // Where the text is drawn, in the widget; empty without text.
    QRect textRect() const;

    // The largest pixel size at which `text` in `font` fits into `box`.
    static int fittingPixelSize(const QFont& font, const QString& text, QSizeF box);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_font;
    QString m_text;
};

} // namespace mirello
