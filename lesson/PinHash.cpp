#include "PinHash.h"

#include <algorithm>
#include <QList>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr char Scheme[] = "pbkdf2-sha256";
constexpr qsizetype SaltBytes = 16;
constexpr qsizetype HashBytes = 32;
// A kept entry asking for more rounds than this is damaged, or made to stall us.
constexpr int MostRounds = 10000000;

QByteArray blockNumber(quint32 block)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(block >> (24 - 8 * i));
    return bytes;
}

// Compares in a time that does not tell where the first difference is.
bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace

QByteArray pbkdf2Sha256(const QByteArray& secret, const QByteArray& salt, int iterations,
                        qsizetype length)
{
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, secret);
    QByteArray key;
    for (quint32 block = 1; key.size() < length; ++block) {
        mac.reset();
        mac.addData(salt + blockNumber(block));
        QByteArray u = mac.result();
        QByteArray sum = u;
        for (int round = 1; round < iterations; ++round) {
            mac.reset();
            mac.addData(u);
            u = mac.result();
            for (qsizetype i = 0; i < sum.size(); ++i)
                sum[i] = char(sum[i] ^ u[i]);
        }
        key += sum;
    }
    return key.left(length);
}

bool isValidPin(const QString& pin)
{
    return pin.size() >= 4 && pin.size() <= 6 &&
           std::ranges::all_of(pin, [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QByteArray hashPin(const QString& pin, int rounds)
{
    QByteArray salt(SaltBytes, '\0');
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    const QByteArray hash = pbkdf2Sha256(pin.toUtf8(), salt, rounds, HashBytes);
    return QByteArray(Scheme) + '$' + QByteArray::number(rounds) + '$' + salt.toBase64() + '$' +
           hash.toBase64();
}

bool pinMatches(const QString& pin, const QByteArray& kept)
{
    const QList<QByteArray> parts = kept.split('$');
    if (parts.size() != 4 || parts[0] != Scheme)
        return false;
    bool number = false;
    const int rounds = parts[1].toInt(&number);
    const QByteArray salt = QByteArray::fromBase64(parts[2]);
    const QByteArray hash = QByteArray::fromBase64(parts[3]);
    if (!number || rounds < 1 || rounds > MostRounds || salt.isEmpty() || hash.size() != HashBytes)
        return false;
    return sameBytes(pbkdf2Sha256(pin.toUtf8(), salt, rounds, HashBytes), hash);
}

} // namespace mirello
