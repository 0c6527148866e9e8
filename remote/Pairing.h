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
// code only asks: the teacher confirms the phone on the computer before it gets a token,
// one phone at a time, and the phone and the question show the same two digits so that
// the teacher lets in the phone in their hand. A code serves until a phone is let in
// with it. Wrong codes are counted per address and of all addresses together: an address
// pauses longer each time, everyone pauses briefly, so six digits cannot be guessed in a
// lesson and one student's guesses keep the teacher out for half a minute at most.
class Pairing
{
public:
    static constexpr int WrongTriesBeforePause = 5;
    static constexpr std::chrono::seconds FirstPause{30};
    static constexpr std::chrono::seconds LongestPause{600};
    // Of all addresses within a window: the pause they earn is always the first one.
    static constexpr int WrongTriesOfAllBeforePause = 20;
    static constexpr std::chrono::seconds WrongTriesWindow{60};
    // A request the teacher has not answered in this time is dropped, as is one its
    // phone stopped asking about; others wait meanwhile, and a refused address waits
    // before it may ask again.
    static constexpr std::chrono::seconds RequestLife{120};
    static constexpr std::chrono::seconds PollGap{15};
    static constexpr std::chrono::seconds BusyRetry{5};
    static constexpr std::chrono::seconds RefusedPause{60};

    struct Asked
    {
        QString request; // 128 random bits, hex: the phone polls under it
        QString check;   // two digits, shown on the phone and in the question
    };
    struct WrongCode
    {
    };
    struct Paused
    {
        std::chrono::seconds retryAfter;
    };
    // Another phone waits for the teacher.
    struct Busy
    {
        std::chrono::seconds retryAfter;
    };
    using Outcome = std::variant<Asked, WrongCode, Paused, Busy>;

    // What the phone sees while it waits, and its token once, when confirmed.
    enum class State
    {
        Unknown,
        Waiting,
        Paired,
        Refused,
    };

    explicit Pairing(const Clock& clock);

    // Six digits, new once a phone is let in with them.
    const QString& code() const { return m_code; }
    void renewCode();

    Outcome tryCode(const QString& code, const QString& address, const QString& phone);
    // The teacher's answer; a paired request gets `token`, once.
    void answer(const QString& request, std::optional<QByteArray> token);
    // The state of `request`, handing out the token the first time it is Paired.
    std::pair<State, QByteArray> poll(const QString& request);
    // The phone of a request still waiting, for the confirmation; empty when none.
    QString phoneOf(const QString& request) const;

private:
    struct Request
    {
        QString address;
        QString phone;
        qint64 since; // asked, or answered
        qint64 polled;
        State state = State::Waiting;
        QByteArray token;
    };
    struct Guesser
    {
        int wrongTries = 0;
        int pauses = 0;
        qint64 pausedUntil = 0;
    };
    qint64 nowSeconds() const;
    void dropOld();
    std::optional<std::chrono::seconds> pauseOf(const QString& address, qint64 now) const;
    Outcome countWrongTry(const QString& address, qint64 now);

    const Clock& m_clock;
    QString m_code;
    QHash<QString, Guesser> m_guessers;
    int m_wrongTriesOfAll = 0;
    qint64 m_windowStart = 0;
    qint64 m_allPausedUntil = 0;
    QHash<QString, Request> m_requests;
};

} // namespace mirello
