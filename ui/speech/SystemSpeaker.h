#pragma once

#include "Speaker.h"

#include <QObject>

class QThread;

namespace mirello {

class SpeechWorker;

// Speaks through the system's speech engine with a Mandarin voice. The engine lives
// on a thread of its own: connecting to it takes seconds, and an engine without a
// working sound output can stall any call, which must never freeze the window.
class SystemSpeaker final : public QObject, public Speaker
{
    Q_OBJECT

public:
    explicit SystemSpeaker(QObject* parent = nullptr);
    ~SystemSpeaker() override;

    void prepare(Ready ready) override;
    void say(const QString& text) override;
    void stop() override;

private:
    void started(bool ok, const QString& message, const QString& reason);

    QThread* m_thread = nullptr;
    SpeechWorker* m_worker = nullptr;
    Ready m_ready;
};

} // namespace mirello
