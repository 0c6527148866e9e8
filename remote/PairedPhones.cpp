#include "PairedPhones.h"

#include "platform/Clock.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr int TokenBytes = 32;
constexpr qsizetype LongestDescription = 200;

bool isHashHex(const QString& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

} // namespace

PairedPhones::PairedPhones(const Clock& clock)
    : m_clock(clock)
{
}

QByteArray PairedPhones::hashOf(QByteArrayView token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex();
}

QDateTime PairedPhones::now() const
{
    return QDateTime::fromMSecsSinceEpoch(m_clock.nanosecondsSinceEpoch() / 1'000'000);
}

QByteArray PairedPhones::pair(const QString& description)
{
    std::array<quint32, TokenBytes / 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray token =
        QByteArray(reinterpret_cast<const char*>(random.data()), TokenBytes)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    const QDateTime paired = now();
    const QDateTime expires(paired.date().addDays(1), QTime(0, 0));
    m_phones.append({hashOf(token), description.left(LongestDescription), paired, expires,
                     expires.toMSecsSinceEpoch()});
    while (m_phones.size() > MostPhones)
        m_phones.removeFirst();
    return token;
}

std::optional<QByteArray> PairedPhones::admit(QByteArrayView token) const
{
    if (token.isEmpty() || token.size() > 100)
        return std::nullopt;
    const QByteArray hash = hashOf(token);
    return holds(hash) ? std::optional(hash) : std::nullopt;
}

// Asked at every message of a phone: in milliseconds, without the time zone's rules.
bool PairedPhones::holds(const QByteArray& tokenHash) const
{
    const qint64 at = m_clock.nanosecondsSinceEpoch() / 1'000'000;
    return std::ranges::any_of(m_phones, [&](const Phone& phone) {
        return phone.tokenHash == tokenHash && at < phone.expiresMs;
    });
}

void PairedPhones::revoke(const QByteArray& tokenHash)
{
    m_phones.removeIf([&](const Phone& phone) { return phone.tokenHash == tokenHash; });
}

QList<PairedPhones::Phone> PairedPhones::phones() const
{
    QList<Phone> valid;
    const QDateTime at = now();
    std::copy_if(m_phones.begin(), m_phones.end(), std::back_inserter(valid),
                 [&](const Phone& phone) { return at < phone.expires; });
    return valid;
}

QByteArray PairedPhones::toBytes() const
{
    QJsonArray list;
    for (const Phone& phone : phones()) {
        list.append(QJsonObject{{u"hash"_s, QString::fromLatin1(phone.tokenHash)},
                                {u"phone"_s, phone.description},
                                {u"paired"_s, phone.pairedAt.toMSecsSinceEpoch()},
                                {u"expires"_s, phone.expires.toMSecsSinceEpoch()}});
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

void PairedPhones::takeBytes(QByteArrayView bytes)
{
    m_phones.clear();
    const QJsonArray list = QJsonDocument::fromJson(bytes.toByteArray()).array();
    for (const QJsonValue& entry : list) {
        const QJsonObject phone = entry.toObject();
        const QString hash = phone[u"hash"_s].toString();
        const QDateTime paired =
            QDateTime::fromMSecsSinceEpoch(qint64(phone[u"paired"_s].toDouble(-1)));
        // An expiry is never later than the night after the pairing.
        const QDateTime expires =
            std::min(QDateTime::fromMSecsSinceEpoch(qint64(phone[u"expires"_s].toDouble(-1))),
                     QDateTime(paired.date().addDays(1), QTime(0, 0)));
        if (isHashHex(hash) && paired.isValid() && m_phones.size() < MostPhones)
            m_phones.append({hash.toLatin1(), phone[u"phone"_s].toString().left(LongestDescription),
                             paired, expires, expires.toMSecsSinceEpoch()});
    }
}

} // namespace mirello
