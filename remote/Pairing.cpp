#include "Pairing.h"

#include "platform/Clock.h"

#include <QRandomGenerator>

namespace mirello {

namespace {

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

qint64 Pairing::nowSeconds() const
{
    return m_clock.nanosecondsSinceEpoch() / 1'000'000'000;
}

void Pairing::dropOld()
{
    const qint64 oldest = nowSeconds() - RequestLife.count();
    m_requests.removeIf([&](auto entry) { return entry.value().askedAt < oldest; });
}

Pairing::Outcome Pairing::tryCode(const QString& code, const QString& phone)
{
    dropOld();
    const qint64 now = nowSeconds();
    if (now < m_pausedUntil)
        return Paused{std::chrono::seconds(m_pausedUntil - now)};
    const auto waiting = std::count_if(m_requests.cbegin(), m_requests.cend(),
                                       [](const Request& r) { return r.state == State::Waiting; });
    if (code == m_code && waiting >= MostWaiting)
        return Paused{std::chrono::seconds(10)}; // the teacher has enough to answer
    if (code != m_code) {
        if (++m_wrongTries < WrongTriesBeforePause)
            return WrongCode{};
        m_wrongTries = 0;
        const auto pause = std::min(LongestPause, FirstPause * (1 << std::min(m_pauses++, 8)));
        m_pausedUntil = now + pause.count();
        return Paused{pause};
    }
    m_wrongTries = 0;
    m_pauses = 0;
    renewCode();
    const QString request = randomHex(16);
    m_requests.insert(request, {phone, now, State::Waiting, {}});
    return Asked{request};
}

void Pairing::answer(const QString& request, std::optional<QByteArray> token)
{
    const auto found = m_requests.find(request);
    if (found == m_requests.end() || found->state != State::Waiting)
        return;
    found->state = token ? State::Paired : State::Refused;
    found->token = token.value_or(QByteArray());
}

std::pair<Pairing::State, QByteArray> Pairing::poll(const QString& request)
{
    dropOld();
    const auto found = m_requests.find(request);
    if (found == m_requests.end())
        return {State::Unknown, {}};
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
