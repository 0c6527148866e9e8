#include "Pairing.h"

#include "platform/Clock.h"

#include <algorithm>
#include <QRandomGenerator>

namespace mirello {

namespace {

// Addresses remembered for their wrong tries; beyond this, those not paused are forgotten.
constexpr qsizetype MostGuessers = 256;

QString randomHex(int bytes)
{
    QByteArray random(bytes, Qt::Uninitialized);
    for (char& byte : random)
        byte = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(random.toHex());
}

} // namespace

Pairing::Pairing(const Clock& clock)
    : m_clock(clock)
{
    renewCode();
}

void Pairing::renewCode()
{
    m_code =
        QString::number(QRandomGenerator::system()->bounded(1'000'000)).rightJustified(6, u'0');
}

// Steady: a clock set at boot neither ends a pause nor lengthens it.
qint64 Pairing::nowSeconds() const
{
    return m_clock.steadyNanoseconds() / 1'000'000'000;
}

void Pairing::dropOld()
{
    const qint64 now = nowSeconds();
    for (auto request = m_requests.begin(); request != m_requests.end();) {
        const bool old =
            request->since < now - RequestLife.count() ||
            (request->state == State::Waiting && request->polled < now - PollGap.count());
        request = old ? m_requests.erase(request) : std::next(request);
    }
}

std::optional<std::chrono::seconds> Pairing::pauseOf(const QString& address, qint64 now) const
{
    const qint64 until = std::max(m_allPausedUntil, m_guessers.value(address).pausedUntil);
    return now < until ? std::optional(std::chrono::seconds(until - now)) : std::nullopt;
}

Pairing::Outcome Pairing::countWrongTry(const QString& address, qint64 now)
{
    if (now - m_windowStart >= WrongTriesWindow.count()) {
        m_windowStart = now;
        m_wrongTriesOfAll = 0;
    }
    if (++m_wrongTriesOfAll >= WrongTriesOfAllBeforePause) {
        m_wrongTriesOfAll = 0;
        m_allPausedUntil = now + FirstPause.count();
    }
    if (m_guessers.size() >= MostGuessers) {
        for (auto other = m_guessers.begin(); other != m_guessers.end();)
            other = other->pausedUntil <= now ? m_guessers.erase(other) : std::next(other);
    }
    Guesser& guesser = m_guessers[address];
    if (++guesser.wrongTries >= WrongTriesBeforePause) {
        guesser.wrongTries = 0;
        const auto pause =
            std::min(LongestPause, FirstPause * (1 << std::min(guesser.pauses++, 8)));
        guesser.pausedUntil = now + pause.count();
    }
    if (const auto pause = pauseOf(address, now))
        return Paused{*pause};
    return WrongCode{};
}

Pairing::Outcome Pairing::tryCode(const QString& code, const QString& address, const QString& phone)
{
    dropOld();
    const qint64 now = nowSeconds();
    if (const auto pause = pauseOf(address, now))
        return Paused{*pause};
    if (code != m_code)
        return countWrongTry(address, now);
    if (std::ranges::any_of(m_requests, [](const Request& r) { return r.state == State::Waiting; }))
        return Busy{BusyRetry};
    // Only a request the teacher sees forgives the wrong tries before it.
    m_guessers[address].wrongTries = 0;
    const QString request = randomHex(16);
    const QString check = QString::number(10 + QRandomGenerator::system()->bounded(90));
    m_requests.insert(request, {address, phone, now, now, State::Waiting, {}});
    return Asked{request, check};
}

void Pairing::answer(const QString& request, std::optional<QByteArray> token)
{
    const auto found = m_requests.find(request);
    if (found == m_requests.end() || found->state != State::Waiting)
        return;
    found->state = token ? State::Paired : State::Refused;
    found->token = token.value_or(QByteArray());
    found->since = nowSeconds();
    if (token)
        renewCode();
    else
        m_guessers[found->address].pausedUntil = found->since + RefusedPause.count();
}

std::pair<Pairing::State, QByteArray> Pairing::poll(const QString& request)
{
    dropOld();
    const auto found = m_requests.find(request);
    if (found == m_requests.end())
        return {State::Unknown, {}};
    found->polled = nowSeconds();
    const std::pair<State, QByteArray> seen{found->state, found->token};
    if (found->state != State::Waiting)
        m_requests.erase(found); // the token goes out once
    return seen;
}

QString Pairing::phoneOf(const QString& request) const
{
    const auto found = m_requests.constFind(request);
    return found != m_requests.cend() && found->state == State::Waiting ? found->phone : QString();
}

} // namespace mirello
