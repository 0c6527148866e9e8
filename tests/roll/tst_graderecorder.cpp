// Grade recording on real files: counters, grades and line ends on GBK and UTF-8
// class files, byte-exactness, and every refusal that must leave the file as it was.

#include "support/RollFixture.h"

#include <QFileInfo>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace mirello;
using namespace recordingtest;

namespace {

const QString Person = u"王小明"_s;
const QString Other = rollLine(u"李华", u"05\\0120", u"S20230108");

// The person's line with `counters`, then another person's line, in GBK.
QByteArray personAndOther(QStringView counters, QByteArrayView end = "\r\n")
{
    return gbkLines({rollLine(Person, counters), Other}, end);
}

QByteArray utf8Lines(const QStringList& lines, QStringView end = u"\r\n")
{
    return QString(lines.join(end) + end).toUtf8();
}

} // namespace

class TestGradeRecorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void records_data();
    void records();
    void refuses_data();
    void refuses();
    void createsNothingWithoutARollFolder();
    void rewritesTheTargetOfALink();
};

void TestGradeRecorder::records_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("person");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QByteArray>("after");

    // The person's counters before and after; the other line stays.
    const auto counters = [](const char* row, const char* grade, QStringView from, QStringView to) {
        QTest::newRow(row) << personAndOther(from) << Person << QString::fromUtf8(grade)
                           << personAndOther(to);
    };
    counters("00 -> 01, 0000 + 不及格 -> 0001", "不及格", u"00\\0000", u"01\\0001");
    counters("09 -> 10, 优秀", "优秀", u"09\\0000", u"10\\1000");
    counters("98 -> 99, 良好", "良好", u"98\\1201", u"99\\1301");
    counters("count without a number -> 01", "及格", u"ab\\0000", u"01\\0010");
    counters("8999 + 优秀 -> 9999", "优秀", u"35\\8999", u"36\\9999");
    counters("grade outside the table raises the count only", "缺席", u"03\\1201", u"04\\1201");
    counters("tally separator is written as backslash", "良好", u"03/1201", u"04\\1301");

    QTest::newRow("two lines with the same name, each from its own counters")
        << gbkLines({rollLine(Person, u"03\\1201"), Other, rollLine(Person, u"10\\0002")}) << Person
        << u"不及格"_s
        << gbkLines({rollLine(Person, u"04\\1202"), Other, rollLine(Person, u"11\\0003")});
    QTest::newRow("及格 does not match 不及格")
        << gbkLines({rollLine(u"及格", u"03\\1201"), rollLine(u"不及格", u"03\\1201")}) << u"及格"_s
        << u"及格"_s
        << gbkLines({rollLine(u"及格", u"04\\1211"), rollLine(u"不及格", u"03\\1201")});
    // Line ends, lone CRs, bytes that are not GBK, byte-order marks and names as the
    // loader shows them, over any bytes: the replay of the grade_recording corpus.
    QTest::newRow("utf-8, its byte-order mark kept")
        << "\xEF\xBB\xBF"_ba +
               utf8Lines({rollLine(Person, u"03\\1201"), rollLine(u"李😀", u"00\\0000")}, u"\n")
        << Person << u"及格"_s
        << "\xEF\xBB\xBF"_ba +
               utf8Lines({rollLine(Person, u"04\\1211"), rollLine(u"李😀", u"00\\0000")});

    // Lines with bytes that are not GBK, lone CRs, control and odd characters; the
    // matching line has such bytes and a lone CR in its head, and a lone lead byte as
    // its separator. Every byte outside its counters and the line ends stays.
    const QByteArray head = "S\xFF\x80"
                            "2023\r0"_ba +
                            gbk(u"王小明") + "\x81";
    const QByteArray lines =
        "S20230101\x80\xFF\xFE-01\\0001\r\n\t\x02\x01 odd \\\\ line \x81\r\n"_ba;
    const QByteArray more = gbk(u"S20230102€①ü±-02\\0002") + "\r\nshort\r\r\n\r\nS20230103" +
                            gbk(u"李四") + "-02\\00\x81\x30";
    QTest::newRow("every other byte kept")
        << QByteArray(lines + head + "03\\1201\n" + more) << Person << u"良好"_s
        << QByteArray(lines + head + "04\\1301\r\n" + more + "\r\n");
}

void TestGradeRecorder::records()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, person);
    QFETCH(QString, grade);
    QFETCH(QByteArray, after);

    // Unusual permission bits and, for root, a teacher's file: both are kept. A
    // "TEMP.txt" left behind that links elsewhere is removed, never written through.
    RollFixture roll;
    const QString victim = roll.programFolder() + u"/victim.txt"_s;
    QVERIFY(roll.writeClass(before) && setMode(roll.classPath(), 0604));
#ifndef Q_OS_WIN
    const bool root = ::geteuid() == 0;
    QVERIFY(!root || ::chown(QFile::encodeName(roll.classPath()).constData(), 65534, 65534) == 0);
#endif
    QVERIFY(writeBytes(victim, "precious"));
    if (!makeLink(victim, roll.scratchPath()))
        QVERIFY(writeBytes(roll.scratchPath(), "left behind")); // Windows without developer mode
    const Result<void> result = roll.record(person, grade);
    QVERIFY2(result.ok(), WHY(result));
    QCOMPARE(roll.classBytes(), after);
    QCOMPARE(roll.entries(), QStringList{roll.className()}); // no TEMP.txt, no lock file
    QCOMPARE(readBytes(victim), "precious"_ba);
    QCOMPARE(modeOf(roll.classPath()), keptMode(0604));
#ifndef Q_OS_WIN
    struct stat owner = {};
    QCOMPARE(::stat(QFile::encodeName(roll.classPath()).constData(), &owner), 0);
    QCOMPARE(owner.st_uid, root ? 65534u : ::geteuid());
#endif
}

void TestGradeRecorder::refuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // of the class file
    QTest::addColumn<uint>("mode");        // of the class file
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QString>("person");
    QTest::addColumn<QString>("expected"); // part of the message

    const auto counters = [](const char* row, const QByteArray& bytes, const char* grade,
                             const QString& expected) {
        QTest::newRow(row) << u"高一3班.txt"_s << bytes << 0644u << QString::fromUtf8(grade)
                           << Person << expected;
    };
    counters("count 99", personAndOther(u"99\\1201"), "缺席", u"“王小明”已被记录 99 次"_s);
    counters("negative count", personAndOther(u"-5\\1201"), "优秀", u"“王小明”的点名次数“-5”"_s);
    counters("negative tally", personAndOther(u"20\\-999"), "缺席", u"“王小明”的成绩记录“-999”"_s);
    counters("优秀 at 9", personAndOther(u"20\\9000"), "优秀", u"“王小明”的“优秀”已记满 9 次"_s);
    counters("不及格 at 9", personAndOther(u"20\\0009"), "不及格",
             u"“王小明”的“不及格”已记满 9 次"_s);
    counters("second of two matching lines at 99",
             gbkLines({rollLine(Person, u"03\\1201"), Other, rollLine(Person, u"99\\0000")}),
             "不及格", u"“王小明”已被记录 99 次"_s);
    // Counters whose U+FFFD stands for no bytes of its own cannot be replaced exactly.
    counters("counters end in a lone lead byte",
             gbk(Other) + "\r\nS20230109" + gbk(Person) + "-03\\120\x81\r\n", "良好",
             u"班级文件“高一3班.txt”第 2 行（“王小明”）末尾的次数和成绩无法按原样找到"_s);
    counters("no line with the name (the roster was edited)", gbkLines({Other}, "\n"), "优秀",
             u"班级文件中没有“王小明”这一行"_s);
    counters("empty file", QByteArray(), "优秀", u"班级文件中没有“王小明”这一行"_s);
    counters("count with an invalid byte", "S20230107" + gbk(Person) + "-\x81" + "0\\0000\r\n",
             "优秀", u"第 1 行（“王小明”）"_s);

    const auto file = [](const char* row, const QString& name, uint mode, const QString& expected) {
        QTest::newRow(row) << name << personAndOther(u"03\\1201") << mode << u"优秀"_s << Person
                           << expected;
    };
    const QString notPlain = u"不是点名册文件夹中的文件名"_s;
    const QString readOnly = u"班级文件“高一3班.txt”是只读的。请取消只读后再试。"_s;
    file("no class chosen", QString(), 0644, u"还没有选择班级"_s);
    QTest::newRow("no one called yet")
        << u"高一3班.txt"_s << gbk(u"S20230107-03\\1201\r\n"_s) << 0644u << u"优秀"_s << QString()
        << u"还没有点到任何同学"_s;
    file("named pipe", u"管道.txt"_s, 0644, u"不是普通文件"_s);
    file("larger than a class can be", u"巨大.txt"_s, 0644, u"太大"_s);
    file("vanished", u"高一4班.txt"_s, 0644, u"找不到班级文件“高一4班.txt”"_s);
    file("dangling link", u"断链.txt"_s, 0644, u"找不到班级文件“断链.txt”"_s);
    file("parent folder", u".."_s, 0644, notPlain);
    file("path outside", u"../高一3班.txt"_s, 0644, notPlain);
    file("path inside", u"子/高一3班.txt"_s, 0644, notPlain);
    file("scratch file", u"TEMP.txt"_s, 0644, u"不是班级文件"_s);
#ifdef Q_OS_WIN
    file("scratch file in other case", u"temp.txt"_s, 0644, u"不是班级文件"_s);
#else
    file("scratch file in other case", u"temp.txt"_s, 0644, u"找不到班级文件“temp.txt”"_s);
#endif
    file("lock file", u".mirello.lock"_s, 0644, u"不是班级文件"_s);
    file("folder", u"子"_s, 0644, u"不是普通文件"_s);
    file("link to the scratch file", u"临时.txt"_s, 0644, u"指向记录成绩用的临时文件"_s);
    // No write permission bit: refused even for root, who could write the file.
    file("read-only 0444", u"高一3班.txt"_s, 0444, readOnly);
    file("read-only 0000", u"高一3班.txt"_s, 0000, readOnly);
}

void TestGradeRecorder::refuses()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(uint, mode);
    QFETCH(QString, grade);
    QFETCH(QString, person);
    QFETCH(QString, expected);

    // The class file among decoys that a wrong name could reach.
    RollFixture roll;
    const QString decoys[] = {roll.scratchPath(), roll.classPath(u"子"_s) + u"/高一3班.txt"_s,
                              roll.programFolder() + u"/高一3班.txt"_s};
    QVERIFY(roll.writeClass(bytes) && QDir(roll.folder().path()).mkdir(u"子"_s));
    for (const QString& decoy : decoys)
        QVERIFY(writeBytes(decoy, bytes));
    const bool linked = makeLink(u"TEMP.txt"_s, roll.classPath(u"临时.txt"_s)) &&
                        makeLink(u"nowhere.txt"_s, roll.classPath(u"断链.txt"_s));
    if (!linked && (name == u"临时.txt" || name == u"断链.txt"))
        QSKIP("No symbolic links here: Windows makes them only in developer mode, wine cannot "
              "follow them.");
#ifdef Q_OS_WIN
    if (name == u"管道.txt")
        QSKIP("Windows has no named pipes among files.");
#else
    QCOMPARE(::mkfifo(QFile::encodeName(roll.classPath(u"管道.txt"_s)).constData(), 0600), 0);
#endif
    QFile huge(roll.classPath(u"巨大.txt"_s));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(64) << 30)); // sparse
    QVERIFY(setMode(roll.classPath(), mode));
    const QStringList before = roll.entries();

    const Result<void> result = recordGrade(roll.folder(), name, person, grade);
    QVERIFY2(!result.ok() && result.error().message.startsWith(u"无法记录成绩："), WHY(result));
    QVERIFY2(result.error().message.contains(expected), WHY(result));
    QCOMPARE(roll.entries(), before);
    QCOMPARE(modeOf(roll.classPath()), keptMode(mode));
    QVERIFY(setMode(roll.classPath(), 0644));
    QCOMPARE(roll.classBytes(), bytes);
    for (const QString& decoy : decoys)
        QCOMPARE(readBytes(decoy), bytes);
}

void TestGradeRecorder::createsNothingWithoutARollFolder()
{
    QTemporaryDir program;
    const Result<void> result =
        recordGrade(RollFolder::besideProgram(program.path()), u"高一3班.txt"_s, Person, u"优秀"_s);
    QVERIFY2(!result.ok() && result.error().message.contains(u"找不到班级文件"), WHY(result));
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestGradeRecorder::rewritesTheTargetOfALink()
{
    // The file the link points to is rewritten through a scratch file beside it; the
    // link stays.
    RollFixture roll;
    const QString elsewhere = roll.programFolder() + u"/elsewhere"_s;
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(writeBytes(elsewhere + u"/real.txt"_s, personAndOther(u"03\\1201")));
    if (!makeLink(u"../elsewhere/real.txt"_s, roll.classPath()))
        QSKIP("No symbolic links here: Windows makes them only in developer mode, wine cannot "
              "follow them.");
    const Result<void> result = roll.record(Person, u"良好"_s);
    QVERIFY2(result.ok(), WHY(result));
    QVERIFY(QFileInfo(roll.classPath()).isSymLink());
    QCOMPARE(readBytes(elsewhere + u"/real.txt"_s), personAndOther(u"04\\1301"));
    QCOMPARE(roll.entries(), QStringList{roll.className()});
    QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"real.txt"_s});
}

QTEST_GUILESS_MAIN(TestGradeRecorder)
#include "tst_graderecorder.moc"
