#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mirello {

class BreakLock;

// The PIN typed on the board: a keypad of finger-sized buttons beside the field, for
// a touch panel without a keyboard. Closes once the lock is open.
class UnlockPad final : public QDialog
{
    Q_OBJECT

public:
    UnlockPad(BreakLock& lock, QWidget* parent = nullptr);

private:
    QPushButton* keyButton(const QString& text);
    void tryPin();

    BreakLock& m_lock;
    QLabel* m_said;
    QLineEdit* m_pin;
    QPushButton* m_unlock;
};

} // namespace mirello
