#pragma once

#include <QWidget>

namespace mirello {

// A small window that lists every key and every feature of the menu, from the same
// table that makes the keys and the menu.
class KeysWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit KeysWindow(QWidget* parent = nullptr);
};

} // namespace mirello
