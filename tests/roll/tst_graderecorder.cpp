// Grade recording on real files: counters, grades and line ends on GBK class files,
// byte-exactness, and every refusal that must leave the class file as it was.

#include "RecordingFixture.h"
#include "roll/GradeRecorder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"

#include <QFileInfo>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace mirello;
using namespace recordingtest;
using namespace Qt::StringLiterals;

namespace {

// GBK bytes of lines, each followed by `end`.
QByteArray gbkLines(const QStringList& lines, QByteArrayView end = "\r\n")
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += gbk(line);
        bytes += end;
    }
    return bytes;
}

const QString Person = u"王小明"_s;

} // namespace

class TestGradeRecorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gradeWeights_data();
    void gradeWeights();

    void recordsAsSpecified_data();
    void recordsAsSpecified();
    void keepsEveryOtherByte();
    void keepsUtf8AndItsByteOrderMark();
    void matchesTheNameTheLoaderShows();
    void nameListFileIsRereadWithNewCounters();

    void refusesCountersThatDoNotFit_data();
    void refusesCountersThatDoNotFit();
    void refusesCountersItCannotLocate();

    void refusesReadOnlyClassFile_data();
    void refusesReadOnlyClassFile();
    void keepsPermissionBitsAndOwner();
    void rewritesTheTargetOfALink();
    void rewritesALinkIntoTheRollFolder();

    void refusesWithoutAClass_data();
    void refusesWithoutAClass();
    void refusesWithoutARollFolder();
    void clearsALeftoverScratchFile();
    void neverFollowsAScratchLink();
};

void TestGradeRecorder::gradeWeights_data()
{
    QTest::addColumn<QString>("grade");
    QTest::addColumn<int>("weight"); // -1: none

    QTest::newRow("优秀") << u"优秀"_s << 1000;
    QTest::newRow("良好") << u"良好"_s << 100;
    QTest::newRow("及格") << u"及格"_s << 10;
    QTest::newRow("不及格") << u"不及格"_s << 1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("trailing space") << u"及格 "_s << -1;
    QTest::newRow("leading space") << u" 优秀"_s << -1;
    QTest::newRow("other") << u"缺席"_s << -1;
    QTest::newRow("part of 不及格") << u"不及"_s << -1;
}

void TestGradeRecorder::gradeWeights()
{
    QFETCH(QString, grade);
    QFETCH(int, weight);
    const std::optional<int> got = gradeWeight(grade);
    QCOMPARE(got.value_or(-1), weight);
}

void TestGradeRecorder::recordsAsSpecified_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("person");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QByteArray>("after");

    const QString other = rollLine(u"李华", u"05", u"0120", u"S20230108");
    const auto oneMatch = [&](QStringView count, QStringView tally, QStringView grade,
                              QStringView newCount, QStringView newTally) {
        return std::tuple(gbkLines({rollLine(Person, count, tally), other}), grade.toString(),
                          gbkLines({rollLine(Person, newCount, newTally), other}));
    };
    const auto row = [](const char* name, const auto& c) {
        QTest::newRow(name) << std::get<0>(c) << Person << std::get<1>(c) << std::get<2>(c);
    };

    // The worked examples of the line layout.
    row("example: 03 1201 + 良好 -> 04 1301", oneMatch(u"03", u"1201", u"良好", u"04", u"1301"));
    row("example: 00 0000 + 不及格 -> 01 0001", oneMatch(u"00", u"0000", u"不及格", u"01", u"0001"));
    // The call count, from its own field.
    row("count 00 -> 01", oneMatch(u"00", u"0000", u"优秀", u"01", u"1000"));
    row("count 09 -> 10", oneMatch(u"09", u"0000", u"缺席", u"10", u"0000"));
    row("count 98 -> 99", oneMatch(u"98", u"0000", u"缺席", u"99", u"0000"));
    row("count without number -> 01", oneMatch(u"ab", u"0000", u"缺席", u"01", u"0000"));
    row("count with one digit and a letter", oneMatch(u"7x", u"0000", u"缺席", u"08", u"0000"));
    // The tally, padded to four digits.
    row("0000 + 不及格 -> 0001", oneMatch(u"00", u"0000", u"不及格", u"01", u"0001"));
    row("0010 + 不及格 -> 0011", oneMatch(u"01", u"0010", u"不及格", u"02", u"0011"));
    row("0100 + 及格 -> 0110", oneMatch(u"01", u"0100", u"及格", u"02", u"0110"));
    row("0000 + 优秀 -> 1000", oneMatch(u"00", u"0000", u"优秀", u"01", u"1000"));
    row("0009 + 优秀 -> 1009", oneMatch(u"09", u"0009", u"优秀", u"10", u"1009"));
    row("8999 + 优秀 -> 9999", oneMatch(u"35", u"8999", u"优秀", u"36", u"9999"));
    // Grades outside the table raise only the count.
    row("grade outside the table", oneMatch(u"03", u"1201", u"缺席", u"04", u"1201"));
    row("empty grade", oneMatch(u"03", u"1201", QStringView(), u"04", u"1201"));
    row("grade with a space", oneMatch(u"03", u"1201", u"良好 ", u"04", u"1201"));
    row("tally without number", oneMatch(u"03", u"ab12", u"良好", u"04", u"0100"));

    QTest::newRow("tally separator is written as backslash")
        << gbk(u"S20230107王小明-03/1201\r\n") << Person << u"良好"_s
        << gbk(u"S20230107王小明-04\\1301\r\n");

    QTest::newRow("two lines with the same name, each from its own counters")
        << gbkLines({rollLine(Person, u"03", u"1201"), other,
                     rollLine(Person, u"10", u"0002", u"S20230199")})
        << Person << u"不及格"_s
        << gbkLines({rollLine(Person, u"04", u"1202"), other,
                     rollLine(Person, u"11", u"0003", u"S20230199")});

    QTest::newRow("no match: rewritten with CR LF ends")
        << gbkLines({rollLine(Person, u"03", u"1201"), other}, "\n") << u"张三"_s << u"优秀"_s
        << gbkLines({rollLine(Person, u"03", u"1201"), other});

    QTest::newRow("trailing space in the file does not match")
        << gbkLines({rollLine(u"王小明 ", u"03", u"1201")}) << Person << u"优秀"_s
        << gbkLines({rollLine(u"王小明 ", u"03", u"1201")});
    QTest::newRow("trailing space in the name does not match")
        << gbkLines({rollLine(Person, u"03", u"1201")}) << u"王小明 "_s << u"优秀"_s
        << gbkLines({rollLine(Person, u"03", u"1201")});

    QTest::newRow("empty file stays empty") << QByteArray() << Person << u"优秀"_s << QByteArray();

    QTest::newRow("lf-only file") << gbkLines({rollLine(Person, u"03", u"1201"), other}, "\n")
                                  << Person << u"及格"_s
                                  << gbkLines({rollLine(Person, u"04", u"1211"), other});

    QTest::newRow("mixed line ends, last line without one")
        << gbk(rollLine(Person, u"03", u"1201") + u"\n" + other + u"\r\n" +
               rollLine(u"赵六", u"00", u"0000") + u"\n" + rollLine(Person, u"00", u"0000"))
        << Person << u"及格"_s
        << gbkLines({rollLine(Person, u"04", u"1211"), other, rollLine(u"赵六", u"00", u"0000"),
                     rollLine(Person, u"01", u"0010")});

    QTest::newRow("lone CR stays in its line, CR at the end of the file too")
        << gbk(u"S2023\r107王小明-03\\1201\r\nS20230108李\r华-05\\0120\r") << Person << u"优秀"_s
        << gbk(u"S2023\r107王小明-04\\2201\r\nS20230108李\r华-05\\0120\r\r\n");

    QTest::newRow("short and blank lines are copied and never match")
        << gbk(u"\r\nabc\r\n" + rollLine(Person, u"03", u"1201") + u"\r\n\r\n" +
               u"S2023010-00\\000\r\n")
        << Person << u"良好"_s
        << gbk(u"\r\nabc\r\n" + rollLine(Person, u"04", u"1301") + u"\r\n\r\n" +
               u"S2023010-00\\000\r\n");

    QTest::newRow("empty name matches only 17-character lines")
        << gbk(u"S20230107-03\\1201\r\nS2023010-03\\1201\r\nS20230107X-03\\1201\r\n\r\n")
        << QString() << u"优秀"_s
        << gbk(u"S20230107-04\\2201\r\nS2023010-03\\1201\r\nS20230107X-03\\1201\r\n\r\n");

    QTest::newRow("name with backslash, digits and spaces")
        << gbkLines({rollLine(u"王 5\\小-9", u"03", u"1201")}) << u"王 5\\小-9"_s << u"不及格"_s
        << gbkLines({rollLine(u"王 5\\小-9", u"04", u"1202")});

    QTest::newRow("及格 does not match 不及格 lines by name")
        << gbkLines({rollLine(u"及格", u"03", u"1201"), rollLine(u"不及格", u"03", u"1201")})
        << u"及格"_s << u"及格"_s
        << gbkLines({rollLine(u"及格", u"04", u"1211"), rollLine(u"不及格", u"03", u"1201")});
}

void TestGradeRecorder::recordsAsSpecified()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, person);
    QFETCH(QString, grade);
    QFETCH(QByteArray, after);

    RollFixture roll;
    QVERIFY(roll.isValid());
    QVERIFY(roll.writeClass(before));

    const Result<void> result = recordGrade(roll.folder(), roll.className(), person, grade);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().text()));
    QCOMPARE(roll.classBytes(), after);
    // No "TEMP.txt" and no lock file are left: the folder holds the class alone.
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::keepsEveryOtherByte()
{
    // Lines with bytes that are not GBK (0xFF, lead bytes without a trail byte),
    // lone CRs, a tab, a NUL and odd characters; the matching line has such bytes and
    // a lone CR in its RecordHead, and a lone lead byte as its separator.
    const QByteArray head = "S\xFF\x80"
                            "2023\r0"_ba +
                            gbk(u"王小明") + "\x81";
    const QByteArray matching = head + "03\\1201";
    const QByteArray lines[] = {
        "S20230101\x80\xFF\xFE-01\\0001"_ba,
        "\t\x02\x01 odd \\\\ line \x81"_ba,
        gbk(u"S20230102€①ü±-02\\0002"),
        "short\r"_ba,
        QByteArray(),
        "S20230103"_ba + gbk(u"李四") + "-02\\00\x81\x30",
    };
    const QByteArray before = lines[0] + "\r\n" + lines[1] + "\r\n" + matching + "\r\n" + lines[2] +
                              "\n" + lines[3] + "\r\n" + lines[4] + "\r\n" + lines[5] + "\r\n";
    const QByteArray after = lines[0] + "\r\n" + lines[1] + "\r\n" + head + "04\\1301\r\n" +
                             lines[2] + "\r\n" + lines[3] + "\r\n" + lines[4] + "\r\n" + lines[5] +
                             "\r\n";
    QCOMPARE(detectEncoding(before), TextEncoding::Gbk);
    QCOMPARE(RollRecord(nameListFromBytes(before).at(2)).personName()->toString(), Person);

    // Every byte outside the replaced counters and the line ends stays.
    RollFixture roll;
    QVERIFY(roll.writeClass(before));
    Result<void> result = recordGrade(roll.folder(), roll.className(), Person, u"良好"_s);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().text()));
    QCOMPARE(roll.classBytes(), after);
    QCOMPARE(roll.entries(), QStringList{roll.className()});

    // A matching line that ends in a lone lead byte: its last 7 characters are
    // "03\120" and U+FFFD, which stands for no bytes of its own, so they cannot be
    // located exactly and the recording is refused.
    const QByteArray bad = "S20230109"_ba + gbk(u"王小明") + "-03\\120\x81";
    QVERIFY(roll.writeClass(before + bad + "\r\n"));
    result = recordGrade(roll.folder(), roll.className(), Person, u"良好"_s);
    QVERIFY(!result.ok());
    QVERIFY2(result.error().message.contains(u"无法按原样找到"), qPrintable(result.error().text()));
    QVERIFY(result.error().message.contains(u"第 8 行"));
    QCOMPARE(roll.classBytes(), before + bad + "\r\n");
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::keepsUtf8AndItsByteOrderMark()
{
    const QString before =
        rollLine(Person, u"03", u"1201") + u"\n" + rollLine(u"李😀", u"00", u"0000");
    const QString after =
        rollLine(Person, u"04", u"1211") + u"\r\n" + rollLine(u"李😀", u"00", u"0000") + u"\r\n";

    RollFixture roll;
    QVERIFY(roll.writeClass(utf8(before)));
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"及格"_s).ok());
    QCOMPARE(roll.classBytes(), utf8(after));

    QVERIFY(roll.writeClass("\xEF\xBB\xBF" + utf8(before)));
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"及格"_s).ok());
    QCOMPARE(roll.classBytes(), "\xEF\xBB\xBF" + utf8(after));

    // A name with a character outside the basic plane is matched as the loader
    // shows it, and its line keeps its bytes.
    QVERIFY(roll.writeClass(utf8(before)));
    QVERIFY(recordGrade(roll.folder(), roll.className(), u"李😀"_s, u"优秀"_s).ok());
    QCOMPARE(roll.classBytes(), utf8(rollLine(Person, u"03", u"1201") + u"\r\n" +
                                     rollLine(u"李😀", u"01", u"1000") + u"\r\n"));

    // A BOM-only file stays as it is.
    QVERIFY(roll.writeClass("\xEF\xBB\xBF"));
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"及格"_s).ok());
    QCOMPARE(roll.classBytes(), "\xEF\xBB\xBF"_ba);
}

void TestGradeRecorder::matchesTheNameTheLoaderShows()
{
    // Names with invalid bytes: the text the loader shows on screen (with U+FFFD)
    // matches the lines it came from, and the bytes of those names stay.
    const QByteArray bytes = "S20230101A\x81"
                             ",Z-03\\1201\r\n"
                             "S20230102A\x82"
                             ",Z-05\\0000\r\n"_ba +
                             "S20230103"_ba + gbk(u"张") +
                             "\x81"
                             "3B-00\\0000\r\n" +
                             "S20230104A\xFF"
                             "Z-00\\0000\r\n";
    RollFixture roll;
    QVERIFY(roll.writeClass(bytes));
    const NameList list = nameListFromBytes(bytes);
    const QString first = RollRecord(list.at(0)).personName()->toString();
    const QString third = RollRecord(list.at(2)).personName()->toString();
    QCOMPARE(first, u"A\uFFFD,Z"_s);
    QCOMPARE(third, u"张\uFFFD3B"_s);

    // The first two lines show the same name, so both are recorded.
    QVERIFY(recordGrade(roll.folder(), roll.className(), first, u"及格"_s).ok());
    QVERIFY(recordGrade(roll.folder(), roll.className(), third, u"优秀"_s).ok());
    QCOMPARE(roll.classBytes(), "S20230101A\x81"
                                ",Z-04\\1211\r\n"
                                "S20230102A\x82"
                                ",Z-06\\0010\r\n"_ba +
                                    "S20230103"_ba + gbk(u"张") +
                                    "\x81"
                                    "3B-01\\1000\r\n" +
                                    "S20230104A\xFF"
                                    "Z-00\\0000\r\n");
}

void TestGradeRecorder::nameListFileIsRereadWithNewCounters()
{
    // The loader reads the recorded file back with the new counters in place.
    RollFixture roll;
    QVERIFY(roll.writeClass(gbkLines({rollLine(Person, u"03", u"1201")})));
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"优秀"_s).ok());
    const Result<NameList> list = loadRoster(roll.classPath());
    QVERIFY(list.ok());
    QCOMPARE(list.value().size(), 2);
    QCOMPARE(RollRecord(list.value().at(0)).callCount(), 4);
    QCOMPARE(RollRecord(list.value().at(0)).gradeTally(), 2201);
}

void TestGradeRecorder::refusesCountersThatDoNotFit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QString>("expected"); // part of the message

    const QString other = rollLine(u"李华", u"05", u"0120", u"S20230108");
    QTest::newRow("count 99") << gbkLines({rollLine(Person, u"99", u"1201"), other}) << u"缺席"_s
                              << u"99"_s;
    QTest::newRow("count -5") << gbkLines({rollLine(Person, u"-5", u"1201"), other}) << u"优秀"_s
                              << u"“-5”"_s;
    QTest::newRow("优秀 already 9")
        << gbkLines({rollLine(Person, u"20", u"9000")}) << u"优秀"_s << u"“优秀”已记满 9 次"_s;
    QTest::newRow("良好 already 9")
        << gbkLines({rollLine(Person, u"20", u"1900")}) << u"良好"_s << u"“良好”已记满 9 次"_s;
    QTest::newRow("及格 already 9")
        << gbkLines({rollLine(Person, u"20", u"0090")}) << u"及格"_s << u"“及格”已记满 9 次"_s;
    QTest::newRow("不及格 already 9")
        << gbkLines({rollLine(Person, u"20", u"0009")}) << u"不及格"_s << u"“不及格”已记满 9 次"_s;
    QTest::newRow("negative tally")
        << gbkLines({rollLine(Person, u"20", u"-999")}) << u"缺席"_s << u"“-999”超出范围"_s;
    QTest::newRow("second of two matching lines overflows")
        << gbkLines({rollLine(Person, u"03", u"1201"), other, rollLine(Person, u"99", u"0000")})
        << u"不及格"_s << u"99"_s;
}

void TestGradeRecorder::refusesCountersThatDoNotFit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, grade);
    QFETCH(QString, expected);

    RollFixture roll;
    QVERIFY(roll.writeClass(bytes));
    const Result<void> result = recordGrade(roll.folder(), roll.className(), Person, grade);
    QVERIFY(!result.ok());
    const QString& message = result.error().message;
    QVERIFY2(message.contains(expected), qPrintable(message));
    QVERIFY2(message.contains(u"“王小明”"), qPrintable(message));
    QVERIFY2(message.contains(roll.className()), qPrintable(message));
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::refusesCountersItCannotLocate()
{
    // A count field that holds an invalid byte: its U+FFFD has no bytes to replace.
    const QByteArray bytes = "S20230107" + gbk(u"王小明") +
                             "-\x81"
                             "0\\0000\r\n";
    RollFixture roll;
    QVERIFY(roll.writeClass(bytes));
    const Result<void> result = recordGrade(roll.folder(), roll.className(), Person, u"优秀"_s);
    QVERIFY(!result.ok());
    QVERIFY2(result.error().message.contains(u"第 1 行"), qPrintable(result.error().message));
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::refusesReadOnlyClassFile_data()
{
    QTest::addColumn<uint>("mode");
    QTest::newRow("0444") << 0444u;
    QTest::newRow("0400") << 0400u;
    QTest::newRow("0000") << 0000u;
    QTest::newRow("0555") << 0555u;
}

void TestGradeRecorder::refusesReadOnlyClassFile()
{
    // No write permission bit at all: refused even for the administrator, who could
    // write the file anyway (these tests run as root in CI).
    QFETCH(uint, mode);
    RollFixture roll;
    const QByteArray bytes = gbkLines({rollLine(Person, u"03", u"1201")});
    QVERIFY(roll.writeClass(bytes));
    QCOMPARE(::chmod(QFile::encodeName(roll.classPath()).constData(), mode), 0);

    const Result<void> result = recordGrade(roll.folder(), roll.className(), Person, u"优秀"_s);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().message,
             u"无法记录成绩：班级文件“高一3班.txt”是只读的。请取消只读后再试。"_s);
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(roll.classPath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode);
    QCOMPARE(::chmod(QFile::encodeName(roll.classPath()).constData(), 0600), 0);
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::keepsPermissionBitsAndOwner()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(gbkLines({rollLine(Person, u"03", u"1201")})));
    const QByteArray path = QFile::encodeName(roll.classPath());
    for (const mode_t mode : {0640u, 0604u, 0660u, 0777u, 0600u}) {
        QCOMPARE(::chmod(path.constData(), mode), 0);
        QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"缺席"_s).ok());
        struct stat info = {};
        QCOMPARE(::stat(path.constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode);
    }
    if (::geteuid() == 0) {
        // Root records into a teacher's file: the file stays the teacher's.
        QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
        QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"缺席"_s).ok());
        struct stat info = {};
        QCOMPARE(::stat(path.constData(), &info), 0);
        QCOMPARE(info.st_uid, 65534u);
        QCOMPARE(info.st_gid, 65534u);
    }
    const QStringView count = ::geteuid() == 0 ? u"09" : u"08";
    QCOMPARE(roll.classBytes(), gbkLines({rollLine(Person, count, u"1201")}));
}

void TestGradeRecorder::rewritesTheTargetOfALink()
{
    RollFixture roll;
    const QString elsewhere = roll.programFolder() + u"/elsewhere"_s;
    QVERIFY(QDir().mkpath(elsewhere));
    const QString target = elsewhere + u"/real.txt"_s;
    QVERIFY(writeBytes(target, gbkLines({rollLine(Person, u"03", u"1201")})));
    QVERIFY(QFile::link(u"../elsewhere/real.txt"_s, roll.classPath()));

    const Result<void> result = recordGrade(roll.folder(), roll.className(), Person, u"良好"_s);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().text()));
    QVERIFY(QFileInfo(roll.classPath()).isSymLink());
    QCOMPARE(readBytes(target), gbkLines({rollLine(Person, u"04", u"1301")}));
    QCOMPARE(roll.entries(), QStringList{roll.className()});
    QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"real.txt"_s});

    // A link whose target has gone is a class file that has vanished.
    QVERIFY(QFile::remove(target));
    const Result<void> dangling = recordGrade(roll.folder(), roll.className(), Person, u"良好"_s);
    QVERIFY(!dangling.ok());
    QVERIFY2(dangling.error().message.contains(u"找不到班级文件"),
             qPrintable(dangling.error().message));
    QVERIFY(QFileInfo(roll.classPath()).isSymLink());
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::rewritesALinkIntoTheRollFolder()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(gbkLines({rollLine(Person, u"03", u"1201")})));
    QVERIFY(QFile::link(roll.className(), roll.classPath(u"别名.txt"_s)));
    QVERIFY(recordGrade(roll.folder(), u"别名.txt"_s, Person, u"优秀"_s).ok());
    QVERIFY(QFileInfo(roll.classPath(u"别名.txt"_s)).isSymLink());
    QCOMPARE(roll.classBytes(), gbkLines({rollLine(Person, u"04", u"2201")}));
    QCOMPARE(roll.entries(), (QStringList{u"别名.txt"_s, roll.className()}));

    // A link to the scratch file is no class file to rewrite.
    QVERIFY(writeBytes(roll.scratchPath(), "leftover"));
    QVERIFY(QFile::link(u"TEMP.txt"_s, roll.classPath(u"临时.txt"_s)));
    const Result<void> result = recordGrade(roll.folder(), u"临时.txt"_s, Person, u"优秀"_s);
    QVERIFY(!result.ok());
    QCOMPARE(readBytes(roll.scratchPath()), "leftover"_ba);
}

void TestGradeRecorder::refusesWithoutAClass_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no class chosen") << QString() << u"还没有选择班级"_s;
    QTest::newRow("vanished") << u"高一4班.txt"_s << u"找不到班级文件“高一4班.txt”"_s;
    QTest::newRow("parent folder") << u".."_s << u"不是点名册文件夹中的文件名"_s;
    QTest::newRow("current folder") << u"."_s << u"不是点名册文件夹中的文件名"_s;
    QTest::newRow("path outside") << u"../高一3班.txt"_s << u"不是点名册文件夹中的文件名"_s;
    QTest::newRow("path inside") << u"子/高一3班.txt"_s << u"不是点名册文件夹中的文件名"_s;
    QTest::newRow("scratch file") << u"TEMP.txt"_s << u"不是班级文件"_s;
    QTest::newRow("lock file") << u".mirello.lock"_s << u"不是班级文件"_s;
    QTest::newRow("folder") << u"子"_s << u"不是普通文件"_s;
}

void TestGradeRecorder::refusesWithoutAClass()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    RollFixture roll;
    const QByteArray bytes = gbkLines({rollLine(Person, u"03", u"1201")});
    QVERIFY(roll.writeClass(bytes));
    QVERIFY(QDir(roll.folder().path()).mkdir(u"子"_s));
    QVERIFY(writeBytes(roll.classPath(u"子"_s) + u"/高一3班.txt"_s, bytes));
    QVERIFY(writeBytes(roll.programFolder() + u"/高一3班.txt"_s, bytes));
    QVERIFY(writeBytes(roll.scratchPath(), bytes));
    const QStringList before = roll.entries();

    const Result<void> result = recordGrade(roll.folder(), name, Person, u"优秀"_s);
    QVERIFY(!result.ok());
    QVERIFY2(result.error().message.startsWith(u"无法记录成绩："),
             qPrintable(result.error().message));
    QVERIFY2(result.error().message.contains(expected), qPrintable(result.error().message));
    QCOMPARE(roll.entries(), before);
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(readBytes(roll.scratchPath()), bytes);
    QCOMPARE(readBytes(roll.classPath(u"子"_s) + u"/高一3班.txt"_s), bytes);
    QCOMPARE(readBytes(roll.programFolder() + u"/高一3班.txt"_s), bytes);
}

void TestGradeRecorder::refusesWithoutARollFolder()
{
    // No roll folder at all (nothing to choose from): nothing is created.
    QTemporaryDir program;
    const RollFolder folder(program.path());
    const Result<void> result = recordGrade(folder, u"高一3班.txt"_s, Person, u"优秀"_s);
    QVERIFY(!result.ok());
    QVERIFY(result.error().message.contains(u"找不到班级文件"));
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestGradeRecorder::clearsALeftoverScratchFile()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(gbkLines({rollLine(Person, u"03", u"1201")})));
    QVERIFY(writeBytes(roll.scratchPath(), QByteArray(100000, 'x')));
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"优秀"_s).ok());
    QCOMPARE(roll.classBytes(), gbkLines({rollLine(Person, u"04", u"2201")}));
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestGradeRecorder::neverFollowsAScratchLink()
{
    // A "TEMP.txt" that links to another file is removed, not emptied through.
    RollFixture roll;
    QVERIFY(roll.writeClass(gbkLines({rollLine(Person, u"03", u"1201")})));
    const QString victim = roll.programFolder() + u"/victim.txt"_s;
    QVERIFY(writeBytes(victim, "precious"));
    QVERIFY(QFile::link(victim, roll.scratchPath()));
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"优秀"_s).ok());
    QCOMPARE(readBytes(victim), "precious"_ba);
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

QTEST_GUILESS_MAIN(TestGradeRecorder)
#include "tst_graderecorder.moc"
