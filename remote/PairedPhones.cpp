#include "PairedPhones.h"

#include "platform/Clock.h"

#include <algorithm>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr int TokenBytes = 32;
constexpr int KeyBytes = 32;
constexpr QStringView KeyFile = u"phone-key";
constexpr qsizetype LongestDescription = 200;

// A new file that only its owner may read. Qt 5, the Windows program's, cannot make it
// so at once; there the file inherits the access list of the user's own profile.
bool openOwnerOnly(QFile& file)
{
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
#if QT_VERSION >= QT_VERSION_CHECK(6, 3, 0)
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
#else
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.setPermissions(ownerOnly);
#endif
}

bool isHashHex(const QString& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

} // namespace

PairedPhones::PairedPhones(const Clock& clock, QByteArray key)
    : m_clock(clock)
    , m_key(std::move(key))
{
}

QByteArray PairedPhones::randomKey()
{
    std::array<quint32, KeyBytes / 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    return QByteArray(reinterpret_cast<const char*>(random.data()), KeyBytes);
}

Result<QByteArray> PairedPhones::keyIn(const QString& folder)
{
    const QString path = QDir(folder).filePath(KeyFile.toString());
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray key = QByteArray::fromHex(file.read(2 * KeyBytes + 1));
        if (key.size() == KeyBytes)
            return key;
        file.close();
        (void)QFile::remove(path); // the phones it signed pair again
    }
    const QByteArray key = randomKey();
    QFile made(path);
    if (!QDir().mkpath(folder) || !openOwnerOnly(made) || made.write(key.toHex()) != 2 * KeyBytes ||
        !made.flush()) {
        return Error{u"手机遥控的密钥无法保存在“"_s + QDir::toNativeSeparators(path) +
                         u"”：今天配对的手机在 Mirello 关闭后需要重新配对。"_s,
                     made.errorString()};
    }
    return key;
}

QByteArray PairedPhones::signatureOf(const Phone& phone) const
{
    const QByteArray entry = phone.tokenHash + '\n' + phone.description.toUtf8() + '\n' +
                             QByteArray::number(phone.pairedAt.toMSecsSinceEpoch()) + '\n' +
                             QByteArray::number(phone.expiresMs);
    return QMessageAuthenticationCode::hash(entry, m_key, QCryptographicHash::Sha256).toHex();
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
    m_phones.erase(std::remove_if(m_phones.begin(), m_phones.end(),
                                  [&](const Phone& phone) { return phone.tokenHash == tokenHash; }),
                   m_phones.end());
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
                                {u"expires"_s, phone.expiresMs},
                                {u"signature"_s, QString::fromLatin1(signatureOf(phone))}});
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

void PairedPhones::takeBytes(QByteArrayView bytes)
{
    m_phones.clear();
    const QDateTime at = now();
    const QDateTime tonight(at.date().addDays(1), QTime(0, 0));
    const QJsonArray list = QJsonDocument::fromJson(bytes.toByteArray()).array();
    for (const QJsonValue& entry : list) {
        const QJsonObject kept = entry.toObject();
        const QString hash = kept[u"hash"_s].toString();
        const Phone phone{hash.toLatin1(), kept[u"phone"_s].toString().left(LongestDescription),
                          QDateTime::fromMSecsSinceEpoch(qint64(kept[u"paired"_s].toDouble(-1))),
                          QDateTime::fromMSecsSinceEpoch(qint64(kept[u"expires"_s].toDouble(-1))),
                          qint64(kept[u"expires"_s].toDouble(-1))};
        const bool signedHere = kept[u"signature"_s].toString().toLatin1() == signatureOf(phone);
        if (signedHere && isHashHex(hash) && phone.pairedAt.isValid() && phone.pairedAt <= at &&
            phone.expires <= tonight &&
            phone.expires <= QDateTime(phone.pairedAt.date().addDays(1), QTime(0, 0)) &&
            m_phones.size() < MostPhones)
            m_phones.append(phone);
    }
}

} // namespace mirello
