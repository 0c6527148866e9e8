#pragma once

#include <functional>
#include <QWidget>

namespace mirello {

// A small window that lists every key and every feature of the menu, from the same
// table that makes the keys and the menu; its button, and F1 pressed in it, call
// `openGuide`.
class KeysWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit KeysWindow(std::function<void()> openGuide, QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> m_openGuide;
};

} // namespace mirello
