#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace mirello {

// A status bar along the bottom of a window with one panel across its whole width:
// a small picture at the panel's left, then a line of text. It keeps the mouse
// events over it to itself.
class PanelStatusBar final : public QWidget
{
    Q_OBJECT

public:
    explicit PanelStatusBar(const QPixmap& picture, QWidget* parent = nullptr);

    const QString& panelText() const { return m_text; }
    void setPanelText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    QString m_text;
};

} // namespace mirello
