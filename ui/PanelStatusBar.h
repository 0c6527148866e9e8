#pragma once

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace mirello {

// A status bar along the bottom of a window with one panel across its whole width:
// a small picture at the panel's left, then a line of text. A notice can take the
// text's place for a while, after which the text is back, kept current meanwhile.
// It keeps the mouse events over it to itself.
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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    QString m_text;
    QString m_notice;
    QTimer m_noticeTimer;
};

} // namespace mirello
