#pragma once

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLabel;

namespace mirello {

class GlobalKeyBindings;

// The keys that work from any program: switched on or off, each one changed by
// pressing the new key, each one's state (working, held by another program), and a
// warning for a key that other programs will then not get.
class GlobalKeysWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit GlobalKeysWindow(GlobalKeyBindings& bindings, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showStates();

    GlobalKeyBindings& m_bindings;
    QCheckBox* m_on = nullptr;
    QList<QLabel*> m_states;
    QLabel* m_note = nullptr;
};

} // namespace mirello
