// The break lock on a clock moved by hand: the PIN's hash against published vectors,
// what it keeps, when the lock closes by itself, what it refuses and what opens it.

#include "lesson/BreakLock.h"
#include "lesson/PinHash.h"
#include "lesson/Settings.h"
#include "platform/Clock.h"
#include "support/RollFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

struct HandClock final : Clock
{
    qint64 nanosecondsSinceEpoch() const override { return 1'765'000'000'000'000'000 + steady; }
    qint64 steadyNanoseconds() const override { return steady; }
    qint64 steady = 0;
};

// A lock on the settings of a fresh roll folder; the steps of a row act on it.
struct LockAtBoard
{
    // Does one step: "pin OLD NEW", "lock", "try PIN", "phone", "wait SECONDS", "use",
    // "idle MINUTES", "drawing open". What the lock said, if anything.
    QString take(const QString& step)
    {
        const QStringList words = step.split(u' ');
        QSignalSpy said(&lock, &BreakLock::unlockFailed);
        QSignalSpy pin(&lock, &BreakLock::pinChanged);
        QSignalSpy refused(&lock, &BreakLock::pinRefused);
        QSignalSpy opened(&lock, &BreakLock::lockedChanged);
        if (words[0] == u"pin") {
            lock.changePin(words[1] == u"-" ? QString() : words[1], words.value(2));
            if (!QTest::qWaitFor([&] { return pin.size() + refused.size() > 0; }, 20000))
                return u"不：the PIN was not hashed in time"_s;
        } else if (words[0] == u"try") {
            lock.tryUnlock(words[1]);
            if (!QTest::qWaitFor([&] { return said.size() + opened.size() > 0; }, 20000))
                return u"不：the PIN was not checked in time"_s;
        } else if (step == u"lock") {
            lock.lock();
        } else if (step == u"phone") {
            lock.unlockFromPhone();
        } else if (words[0] == u"wait") {
            clock.steady += words[1].toLongLong() * 1'000'000'000;
        } else if (step == u"use") {
            lock.noteUse();
        } else if (words[0] == u"idle") {
            lock.setIdleMinutes(words[1].toInt());
        } else if (step == u"drawing open") {
            settings.setFlag(featureRow(Feature::LockDrawingOpen).setting, true);
        }
        for (const QSignalSpy* spy : {&said, &pin, &refused}) {
            if (!spy->isEmpty())
                return spy->first().first().toString();
        }
        return QString();
    }

    recordingtest::RollFixture roll;
    HandClock clock;
    Settings settings{roll.folder()};
    BreakLock lock{settings, clock};
};

} // namespace

class TestBreakLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void derivesKeysAsPublished_data();
    void derivesKeysAsPublished();
    void keepsOnlyASaltedSlowHash_data();
    void keepsOnlyASaltedSlowHash();
    void closesAndOpens_data();
    void closesAndOpens();
    void startsClosedOnceAPinIsKept();
};

void TestBreakLock::derivesKeysAsPublished_data()
{
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<QByteArray>("salt");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<QByteArray>("key"); // hex
    // RFC 7914, section 11, and the common vectors for PBKDF2-HMAC-SHA-256.
    QTest::newRow("RFC 7914, one round, two blocks")
        << "passwd"_ba
        << "salt"_ba << 1
        << "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
           "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"_ba;
    QTest::newRow("4096 rounds")
        << "password"_ba
        << "salt"_ba << 4096
        << "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"_ba;
    QTest::newRow("a key longer than one block, cut")
        << "passwordPASSWORDpassword"_ba
        << "saltSALTsaltSALTsaltSALTsaltSALTsalt"_ba << 4096
        << "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9"_ba;
}

void TestBreakLock::derivesKeysAsPublished()
{
    QFETCH(QByteArray, secret);
    QFETCH(QByteArray, salt);
    QFETCH(int, rounds);
    QFETCH(QByteArray, key);
    QCOMPARE(pbkdf2Sha256(secret, salt, rounds, key.size() / 2).toHex(), key);
}

void TestBreakLock::keepsOnlyASaltedSlowHash_data()
{
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QByteArray>("kept"); // "" : a fresh hash of 2468
    QTest::addColumn<bool>("matches");
    QTest::newRow("the PIN") << u"2468"_s << QByteArray() << true;
    QTest::newRow("another PIN") << u"2469"_s << QByteArray() << false;
    QTest::newRow("the PIN with a digit more") << u"24680"_s << QByteArray() << false;
    const QByteArray salt = QByteArray(16, 's').toBase64();
    const QByteArray hash = pbkdf2Sha256("2468", QByteArray(16, 's'), 1000, 32).toBase64();
    QTest::newRow("kept by hand") << u"2468"_s << "pbkdf2-sha256$1000$" + salt + '$' + hash << true;
    QTest::newRow("another scheme") << u"2468"_s << "sha256$1000$" + salt + '$' + hash << false;
    QTest::newRow("rounds made to stall")
        << u"2468"_s << "pbkdf2-sha256$999999999$" + salt + '$' + hash << false;
    QTest::newRow("a hash cut short")
        << u"2468"_s << "pbkdf2-sha256$1000$" + salt + "$AAAA" << false;
    QTest::newRow("nothing kept") << u"2468"_s << "-"_ba << false;
}

void TestBreakLock::keepsOnlyASaltedSlowHash()
{
    QFETCH(QString, pin);
    QFETCH(QByteArray, kept);
    QFETCH(bool, matches);
    if (kept.isEmpty()) {
        kept = hashPin(u"2468"_s);
        QVERIFY(!kept.contains("2468"));
        QVERIFY2(kept.startsWith("pbkdf2-sha256$200000$"), kept.constData());
        QVERIFY(hashPin(u"2468"_s) != kept); // salted: the same PIN hashes apart
    }
    QCOMPARE(pinMatches(pin, kept == "-" ? QByteArray() : kept), matches);
}

void TestBreakLock::closesAndOpens_data()
{
    QTest::addColumn<QStringList>("steps");
    // What the last step said (a part of it), and whether the lock is closed then.
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("locked");
    QTest::newRow("no PIN: it cannot close")
        << QStringList{u"lock"_s} << u"还没有设置锁定密码"_s << false;
    QTest::newRow("no PIN: no minutes close it")
        << QStringList{u"wait 3600"_s, u"use"_s} << QString() << false;
    QTest::newRow("a PIN of three digits")
        << QStringList{u"pin - 246"_s} << u"4 到 6 位数字"_s << false;
    QTest::newRow("closed, then opened with the PIN")
        << QStringList{u"pin - 2468"_s, u"lock"_s, u"try 2468"_s} << QString() << false;
    QTest::newRow("a wrong PIN") << QStringList{u"pin - 2468"_s, u"lock"_s, u"try 1357"_s}
                                 << u"密码不对"_s << true;
    QTest::newRow("three wrong PINs: the right one waits")
        << QStringList{u"pin - 2468"_s, u"lock"_s,  u"try 1"_s,
                       u"try 2"_s,      u"try 3"_s, u"try 2468"_s}
        << u"30 秒后再试"_s << true;
    QTest::newRow("three wrong PINs, half a minute later")
        << QStringList{u"pin - 2468"_s, u"lock"_s,    u"try 1"_s,   u"try 2"_s,
                       u"try 3"_s,      u"wait 30"_s, u"try 2468"_s}
        << QString() << false;
    QTest::newRow("a fourth wrong PIN waits a minute")
        << QStringList{u"pin - 2468"_s, u"lock"_s,  u"try 1"_s,   u"try 2"_s,   u"try 3"_s,
                       u"wait 30"_s,    u"try 4"_s, u"wait 30"_s, u"try 2468"_s}
        << u"30 秒后再试"_s << true;
    QTest::newRow("a use within ten minutes keeps it open")
        << QStringList{u"pin - 2468"_s, u"wait 599"_s, u"use"_s, u"wait 599"_s, u"use"_s}
        << QString() << false;
    QTest::newRow("ten minutes without use")
        << QStringList{u"pin - 2468"_s, u"wait 600"_s, u"use"_s} << QString() << true;
    QTest::newRow("the teacher's minutes")
        << QStringList{u"pin - 2468"_s, u"idle 2"_s, u"wait 120"_s, u"use"_s} << QString() << true;
    QTest::newRow("never by itself")
        << QStringList{u"pin - 2468"_s, u"idle 0"_s, u"wait 86400"_s, u"use"_s} << QString()
        << false;
    QTest::newRow("a phone paired today opens it")
        << QStringList{u"pin - 2468"_s, u"lock"_s, u"phone"_s} << QString() << false;
    QTest::newRow("a new PIN needs the one kept")
        << QStringList{u"pin - 2468"_s, u"pin 1111 1357"_s} << u"现在的密码不对"_s << false;
    QTest::newRow("the new PIN opens it, the old one no more")
        << QStringList{u"pin - 2468"_s, u"pin 2468 1357"_s, u"lock"_s, u"try 2468"_s}
        << u"密码不对"_s << true;
    QTest::newRow("the PIN taken away: it cannot close")
        << QStringList{u"pin - 2468"_s, u"pin 2468"_s, u"lock"_s} << u"还没有设置锁定密码"_s
        << false;
}

void TestBreakLock::closesAndOpens()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, said);
    QFETCH(bool, locked);
    LockAtBoard board;
    QString last;
    for (const QString& step : steps)
        last = board.take(step);
    QVERIFY2(said.isEmpty() ? last.isEmpty() || !last.contains(u"不") : last.contains(said),
             qPrintable(last));
    QCOMPARE(board.lock.isLocked(), locked);
    // Closed, it refuses what writes and what shows grades, never the projector.
    QCOMPARE(board.lock.refusalOf(Feature::Record).has_value(), locked);
    QCOMPARE(board.lock.refusalOf(Feature::Overview).has_value(), locked);
    QVERIFY(!board.lock.refusalOf(Feature::Projector));
}

void TestBreakLock::startsClosedOnceAPinIsKept()
{
    LockAtBoard board;
    board.take(u"pin - 2468"_s);
    BreakLock started(board.settings, board.clock);
    QVERIFY(started.isLocked());
    const std::optional<QString> refused = started.refusalOf(Feature::StartPause);
    QVERIFY(refused && refused->contains(u"已锁定") && refused->contains(u"Ctrl+U"));
    board.take(u"drawing open"_s);
    QVERIFY(!started.refusalOf(Feature::StartPause));
    QVERIFY(started.refusalOf(Feature::Record));
}

QTEST_GUILESS_MAIN(TestBreakLock)
#include "tst_breaklock.moc"
