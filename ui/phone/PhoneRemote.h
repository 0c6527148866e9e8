#pragma once

#include "lesson/DrawSession.h"
#include "platform/Result.h"
#include "remote/PairedPhones.h"
#include "remote/Pairing.h"
#include "remote/PhoneServer.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

class QWidget;

namespace mirello {

class Clock;
class Lesson;
class PhoneWindow;
class Settings;

// The phone remote as the teacher runs it: switched on from the feature menu, its
// window with the QR code, each new phone confirmed on the computer, the paired
// phones kept for the day in the settings, and `lesson` pushed to them as it changes.
class PhoneRemote final : public QObject
{
    Q_OBJECT

public:
    PhoneRemote(QWidget* mainWindow, Lesson& lesson, const Clock& clock);

    // Switches the server on where the teacher last chose, and shows its window.
    void showWindow();
    // Listens again, without a window, if the remote was on when the program last
    // ended: phones paired today reconnect by themselves.
    void resume();

Q_SIGNALS:
    void failed(const mirello::Error& error);
    void notice(const QString& text);

private:
    void switchOnAsLast();
    void switchOn(const QString& address, quint16 port);
    void switchOff();
    void confirm(const QString& request, const QString& phone, const QString& check);
    void takeKeptPhones();
    void keepPhones();
    // Once the windows have shown a change, and once for several changes at once.
    void publishSoon();
    void publishIfChanged();

    QWidget* m_mainWindow;
    const Lesson& m_lesson;
    Settings& m_settings;
    PairedPhones m_phones;
    Pairing m_pairing;
    PhoneServer* m_server;
    QList<Attendee> m_attendance;
    QJsonObject m_published;
    bool m_publishing = false;
    QPointer<PhoneWindow> m_window;
    QPointer<QWidget> m_question;
    bool m_phonesTaken = false;
};

} // namespace mirello
