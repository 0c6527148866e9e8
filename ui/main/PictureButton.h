#pragma once

#include <QLabel>

namespace mirello {

// A picture that acts as a button. It reports every mouse move over it, with or
// without a mouse button held, and each left click; and it keeps every press to
// itself, so that none reaches the window beneath. As with a double click on a
// push button, the second click of a double click does not count as a click.
class PictureButton final : public QLabel
{
    Q_OBJECT

public:
    explicit PictureButton(QWidget* parent = nullptr);

Q_SIGNALS:
    void mouseMoved();
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_releaseEndsDoubleClick = false;
};

} // namespace mirello
