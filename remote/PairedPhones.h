#pragma once

#include "platform/Result.h"

#include <optional>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace mirello {

class Clock;

// The phones the teacher let in today. A phone holds its token; only the token's
// SHA-256 is kept here and in the settings, so a copy of the roll folder lets no one
// in. Every token ends at midnight, local time. The settings travel with the roll
// folder, so each kept entry is signed with a key of this computer's user, kept
// outside it: an entry written elsewhere, or altered, pairs nobody.
class PairedPhones
{
public:
    // More phones than a teacher carries; pairing one more forgets the oldest.
    static constexpr qsizetype MostPhones = 8;

    struct Phone
    {
        QByteArray tokenHash; // hex
        QString description;  // address and browser, as the teacher confirmed it
        QDateTime pairedAt;
        QDateTime expires;
        qint64 expiresMs;
    };

    // `key`: the secret that signs the kept entries, as keyIn() gives it.
    PairedPhones(const Clock& clock, QByteArray key);

    // The key kept in `folder` (the user's own configuration), made there the first
    // time, or again when damaged: 256 random bits that only the owner may read.
    static Result<QByteArray> keyIn(const QString& folder);
    static QByteArray randomKey();
    // Another key, before the kept entries are taken.
    void setKey(QByteArray key) { m_key = std::move(key); }

    // A fresh token of 256 random bits for the phone described so; it is given out
    // once and never kept.
    QByteArray pair(const QString& description);
    // The hash of the phone's token, while it is neither expired nor revoked.
    std::optional<QByteArray> admit(QByteArrayView token) const;
    // Whether the token of this hash still lets its phone in.
    bool holds(const QByteArray& tokenHash) const;
    void revoke(const QByteArray& tokenHash);
    // Those still valid, oldest first.
    QList<Phone> phones() const;

    // As kept in the settings, and back; a damaged, foreign or unsigned entry, one
    // paired after now or valid past tonight's midnight, pairs nobody.
    QByteArray toBytes() const;
    void takeBytes(QByteArrayView bytes);

    static QByteArray hashOf(QByteArrayView token);

private:
    QDateTime now() const;
    QByteArray signatureOf(const Phone& phone) const;

    const Clock& m_clock;
    QByteArray m_key;
    QList<Phone> m_phones;
};

} // namespace mirello
