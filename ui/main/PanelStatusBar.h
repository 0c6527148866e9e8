#pragma once

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace mirello {

// A status bar along the bottom of a window with one panel across its whole width:
// a small picture at the panel's left, then a line of text. A notice can take the
// text's place for a while, after which the text is back, kept current meanwhile.
// A text too long for the panel ends in "…" and is shown whole as the tooltip. It
// keeps the mouse events over it to itself.
class PanelStatusBar final : public QWidget
{
    Q_OBJECT

public:
    explicit PanelStatusBar(const QPixmap& picture, QWidget* parent = nullptr);

    const QString& panelText() const { return m_text; }
    void setPanelText(const QString& text);
    void showNotice(const QString& notice, std::chrono::milliseconds duration);
    // The notice while one is shown, else the panel's text.
    const QString& shownText() const;
    // The picture and its margins follow the window's zoom; the text follows the font.
    void setZoom(qreal factor);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
    bool textCut() const;

    QPixmap m_picture;
    qreal m_zoom = 1;
    QString m_text;
    QString m_notice;
    QTimer m_noticeTimer;
};

} // namespace mirello
