#pragma once

#include "lesson/Countdown.h"

#include <chrono>
#include <QObject>
#include <QPointer>

class QInputDialog;
class QTimer;
class QWidget;

namespace mirello {

// The lesson's countdown as the menu offers it: started for a set or a typed
// duration, paused, resumed and stopped. Its digits go out through shown() a few times
// a second; nothing here takes the focus or waits, so the draw goes on beside it.
class CountdownFeature final : public QObject
{
    Q_OBJECT

public:
    // The dialog that asks for a duration opens over `window`.
    CountdownFeature(const Clock& clock, QWidget* window);

    void start(std::chrono::seconds duration);
    // Asks for a duration, again with the reason while the entry is refused.
    void askForDuration();
    void pauseOrResume();
    void stop();

Q_SIGNALS:
    // `text` is empty when no countdown runs; `ended` once its time is up.
    void shown(const QString& text, bool ended);
    void notice(const QString& text);

private:
    void tick();
    void takeTyped(const QString& typed);

    QWidget* m_window;
    Countdown m_countdown;
    QTimer* m_ticks;
    QPointer<QInputDialog> m_dialog;
};

} // namespace mirello
