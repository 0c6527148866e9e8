#pragma once

#include "platform/Result.h"
#include "remote/PairedPhones.h"
#include "remote/Pairing.h"
#include "remote/PhoneServer.h"

#include <functional>
#include <QJsonObject>
#include <QObject>
#include <QPointer>

class QTimer;
class QWidget;

namespace mirello {

class Clock;
class PhoneWindow;
class Settings;

// The phone remote as the teacher runs it: switched on from the feature menu, its
// window with the QR code, each new phone confirmed on the computer, the paired
// phones kept for the day in the settings, and the lesson pushed to them as it changes.
class PhoneRemote final : public QObject
{
    Q_OBJECT

public:
    using State = std::function<QJsonObject()>;

    PhoneRemote(QWidget* mainWindow, Settings& settings, const Clock& clock,
                PhoneServer::CarryOut carryOut, State state);

    // Switches the server on where the teacher last chose, and shows its window.
    void showWindow();
    // The countdown's digits, for the phones.
    void showCountdown(const QString& text);

Q_SIGNALS:
    void failed(const mirello::Error& error);
    void notice(const QString& text);

private:
    void switchOn(const QString& address, quint16 port);
    void switchOff();
    void confirm(const QString& request, const QString& phone, const QString& check);
    void takeKeptPhones();
    void keepPhones();
    void publishIfChanged();

    QWidget* m_mainWindow;
    Settings& m_settings;
    PairedPhones m_phones;
    Pairing m_pairing;
    PhoneServer* m_server;
    State m_state;
    QString m_countdown;
    QJsonObject m_published;
    QTimer* m_watch;
    QPointer<PhoneWindow> m_window;
    QPointer<QWidget> m_question;
    bool m_phonesTaken = false;
};

} // namespace mirello
