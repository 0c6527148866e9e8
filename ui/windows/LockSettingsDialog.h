#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace mirello {

class BreakLock;

// Where the teacher sets the lock's PIN (twice, and the current one to change it) and
// how many minutes without use close the lock.
class LockSettingsDialog final : public QDialog
{
    Q_OBJECT

public:
    LockSettingsDialog(BreakLock& lock, QWidget* parent = nullptr);

private:
    QLineEdit* pinField(const QString& name);
    void save(bool removePin);

    BreakLock& m_lock;
    QLabel* m_said;
    QLineEdit* m_current;
    QLineEdit* m_next;
    QLineEdit* m_again;
    QSpinBox* m_minutes;
};

} // namespace mirello
