// Class files as the window sees them: encodings, line ends, and files that must be
// refused without hanging or running out of memory.
#include "roll/RosterLoader.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace mirello;
using namespace Qt::StringLiterals;

class TestRosterLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loads_data();
    void loads();
    void refuses_data();
    void refuses();

private:
    QTemporaryDir m_dir;
};

void TestRosterLoader::loads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    const QStringList roster{u"S20230107王小明-03\\1201"_s, u"S20230108李四-00\\0000"_s, {}};
    QTest::newRow("gbk") << "S20230107\xCD\xF5\xD0\xA1\xC3\xF7-03\\1201\r\n"
                            "S20230108\xC0\xEE\xCB\xC4-00\\0000\r\n"_ba
                         << roster;
    QTest::newRow("utf-8 with byte-order mark, lf only")
        << "\xEF\xBB\xBFS20230107\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E-03\\1201\n"
           "S20230108\xE6\x9D\x8E\xE5\x9B\x9B-00\\0000\n"_ba
        << roster;
    // Line ends and GBK's invalid bytes over any bytes: the replays of the
    // roster_draw and text_functions corpora, against references of their own.
    QTest::newRow("a byte-order mark inside the file is a character of its line")
        << "S20230101\xE6\x9D\x8E\xE5\x9B\x9B-01\\0001\n\xEF\xBB\xBFS20230107\xE7\x8E\x8B-03\\1201"_ba
        << QStringList{u"S20230101李四-01\\0001"_s, u"\uFEFFS20230107王-03\\1201"_s};
    QTest::newRow("zero bytes") << QByteArray() << QStringList{};
}

void TestRosterLoader::loads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const QString path = m_dir.filePath(u"班.txt"_s);
    QVERIFY(recordingtest::writeBytes(path, bytes));
    const Result<NameList> loaded = loadRoster(path);
    QVERIFY(loaded.ok());
    QStringList lines;
    for (qsizetype i = 0; i < loaded.value().size(); ++i)
        lines.append(loaded.value().at(i).toString());
    QCOMPARE(lines, expected);
}

void TestRosterLoader::refuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // part of the message

    QTest::newRow("missing") << u"missing"_s << u"找不到文件"_s;
    QTest::newRow("named pipe, which would block a plain open") << u"pipe"_s << u"不是普通文件"_s;
    QTest::newRow("64 GiB, refused unread") << u"sparse"_s << u"超过了 64 MB 的上限"_s;
}

void TestRosterLoader::refuses()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(kind + u".txt"_s);
#ifdef Q_OS_WIN
    if (kind == u"pipe")
        QSKIP("Windows has no named pipes among files.");
#else
    if (kind == u"pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    QFile sparse(path);
    if (kind == u"sparse")
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(64) << 30));
    const Result<NameList> loaded = loadRoster(path);
    QVERIFY(!loaded.ok());
    QVERIFY2(loaded.error().message.contains(reason) &&
                 loaded.error().message.contains(kind + u".txt"_s),
             qPrintable(loaded.error().text()));
}

QTEST_GUILESS_MAIN(TestRosterLoader)
#include "tst_rosterloader.moc"
