#pragma once

#include <QByteArray>
#include <QString>

namespace mirello {

// PBKDF2 (RFC 8018) with HMAC-SHA-256, on Qt Core's HMAC: Qt Network's digestor is
// not built where Qt has no TLS, as in the 32-bit Windows build.
QByteArray pbkdf2Sha256(const QByteArray& secret, const QByteArray& salt, int iterations,
                        qsizetype length);

// How many rounds a new PIN's hash takes: some tenths of a second on a school's
// computer, so that trying every six-digit PIN on a copied settings file takes days.
constexpr int PinHashRounds = 200000;

// A PIN is 4 to 6 digits.
bool isValidPin(const QString& pin);

// The PIN as kept: "pbkdf2-sha256$rounds$salt$hash", salt (16 random bytes) and hash
// in Base64. Slow on purpose: run it off the window's thread.
QByteArray hashPin(const QString& pin, int rounds = PinHashRounds);

// Whether `pin` is the one `kept` was made of; false for a damaged entry. As slow as
// hashPin().
bool pinMatches(const QString& pin, const QByteArray& kept);

} // namespace mirello
