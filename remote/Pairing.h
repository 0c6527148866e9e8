#pragma once

#include <chrono>
#include <optional>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <variant>

namespace mirello {

class Clock;

// Letting a new phone in. The code on the board is seen by the whole class, so a right
// code only asks: the teacher confirms the phone on the computer before it gets a token.
// Each code serves one request; wrong codes are counted, and after a few the pairing
// pauses, longer each time, so six digits cannot be guessed in a lesson.
class Pairing
{
public:
    static constexpr int WrongTriesBeforePause = 5;
    static constexpr std::chrono::seconds FirstPause{30};
    static constexpr std::chrono::seconds LongestPause{600};
    // A request the teacher has not answered in this time is dropped; a phone waits
    // in this many at most.
    static constexpr std::chrono::seconds RequestLife{120};
    static constexpr qsizetype MostWaiting = 4;

    struct Asked
    {
        QString request; // 128 random bits, hex: the phone polls under it
    };
    struct WrongCode
    {
    };
    struct Paused
    {
        std::chrono::seconds retryAfter;
    };
    using Outcome = std::variant<Asked, WrongCode, Paused>;

    // What the phone sees while it waits, and its token once, when confirmed.
    enum class State
    {
        Unknown,
        Waiting,
        Paired,
        Refused,
    };

    explicit Pairing(const Clock& clock);

    // Six digits, new after every use.
    const QString& code() const { return m_code; }
    void renewCode();

    Outcome tryCode(const QString& code, const QString& phone);
    // The teacher's answer; a paired request gets `token`, once.
    void answer(const QString& request, std::optional<QByteArray> token);
    // The state of `request`, handing out the token the first time it is Paired.
    std::pair<State, QByteArray> poll(const QString& request);
    // The phone of a request still waiting, for the confirmation.
    QString phoneOf(const QString& request) const;

private:
    struct Request
    {
        QString phone;
        qint64 askedAt;
        State state = State::Waiting;
        QByteArray token;
    };
    qint64 nowSeconds() const;
    void dropOld();

    const Clock& m_clock;
    QString m_code;
    int m_wrongTries = 0;
    int m_pauses = 0;
    qint64 m_pausedUntil = 0;
    QHash<QString, Request> m_requests;
};

} // namespace mirello
