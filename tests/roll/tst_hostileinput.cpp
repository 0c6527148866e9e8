// Files a teacher could really put in the roll folder, each loaded, drawn from and
// recorded into: nothing crashes, and the file is either correctly recorded or left
// byte for byte as it was.
#include "draw/DrawTick.h"
#include "platform/RandomSource.h"
#include "RecordingFixture.h"
#include "roll/RosterLoader.h"
#include "support/FixedRandom.h"
#include "support/RecordingProperties.h"

#include <QFile>
#include <QTest>

using namespace mirello;
using namespace recordingtest;

namespace {

enum class Outcome
{
    Recorded,
    Refused
};

// Files too large to keep in the repository are made on the spot.
QByteArray generated(const QString& name)
{
    if (name == u"10 MB line") {
        return "S20230101" + QByteArray(10 << 20, 'x') + "-01\\0001\r\n" +
               gbk(u"S20230102张三-00\\0000\r\n"_s);
    }
    QByteArray bytes;
    const QByteArray line = gbk(u"S20230101王小明-03\\1201\r\n"_s);
    bytes.reserve(50 << 20);
    while (bytes.size() < (50 << 20))
        bytes += line;
    return bytes + gbk(u"S20239999张三-00\\0000\r\n"_s);
}

QByteArray contentOf(const QString& source)
{
    if (source.startsWith(u"generated:"))
        return generated(source.sliced(10));
    QFile file(QStringLiteral(MIRELLO_HOSTILE_DIR "/") + source);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing test data");
}

// Lines that differ, each without the CR of a CR LF.
int changedLines(QByteArray before, QByteArray after)
{
    const QList<QByteArray> a = before.replace("\r\n", "\n").split('\n');
    const QList<QByteArray> b = after.replace("\r\n", "\n").split('\n');
    int changed = 0;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        changed += a[i] != b[i];
    return changed;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsDrawsAndRecordsSafely_data();
    void loadsDrawsAndRecordsSafely();
};

void TestHostileInput::loadsDrawsAndRecordsSafely_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("person");
    QTest::addColumn<QString>("grade");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("changed");

    const auto row = [](const char* name, const char* source, const QString& person,
                        const char* grade, Outcome outcome, int changed) {
        QTest::newRow(name) << QString::fromUtf8(source) << person << QString::fromUtf8(grade)
                            << outcome << changed;
    };
    using enum Outcome;
    row("0-byte file stays empty", "empty.txt", u"张三"_s, "优秀", Recorded, 0);
    row("one blank line", "blank-line.txt", u"张三"_s, "优秀", Recorded, 0);
    row("a picture is no class", "picture.png", u"张三"_s, "优秀", Refused, 0);
    row("invalid gbk in other bytes", "invalid-gbk.txt", u"张三"_s, "良好", Recorded, 1);
    row("lone 0x80", "lone-0x80.txt", u"张三"_s, "优秀", Recorded, 0);
    row("utf-8 without byte-order mark", "utf8.txt", u"李四"_s, "及格", Recorded, 1);
    row("utf-8 with byte-order mark", "utf8-bom.txt", u"张三"_s, "不及格", Recorded, 1);
    row("utf-16 is no gbk or utf-8 text", "utf16le.txt", u"张三"_s, "优秀", Refused, 0);
    row("lines ended by CR alone are one line", "cr-only.txt", u"张三"_s, "优秀", Recorded, 0);
    row("name with backslashes", "odd-names.txt", u"a\\b\\c"_s, "优秀", Recorded, 1);
    row("name with a tab and control characters", "odd-names.txt", u"\t李\x01四\x7f"_s, "良好",
        Recorded, 1);
    row("name of blanks and a backslash", "odd-names.txt", u" \\ "_s, "及格", Recorded, 1);
    row("counter with a sign and blanks", "odd-counters.txt", u"张三"_s, "优秀", Recorded, 1);
    row("negative count", "odd-counters.txt", u"李四"_s, "优秀", Refused, 0);
    row("negative tally", "odd-counters.txt", u"王五"_s, "优秀", Refused, 0);
    row("blank inside the counters", "odd-counters.txt", u"赵六"_s, "良好", Recorded, 1);
    row("count at 99", "full-counters.txt", u"张三"_s, "不及格", Refused, 0);
    row("grade digit at 9", "full-counters.txt", u"李四"_s, "优秀", Refused, 0);
    row("other grade beside a 9", "full-counters.txt", u"李四"_s, "良好", Recorded, 1);
    row("hundreds digit at 9", "full-counters.txt", u"王五"_s, "良好", Refused, 0);
    row("duplicate names both raised", "duplicates.txt", u"张三"_s, "及格", Recorded, 2);
    row("a line of 10 MB", "generated:10 MB line", u"张三"_s, "优秀", Recorded, 1);
    row("a file of 50 MB", "generated:50 MB file", u"张三"_s, "优秀", Recorded, 1);
}

void TestHostileInput::loadsDrawsAndRecordsSafely()
{
    QFETCH(QString, source);
    QFETCH(QString, person);
    QFETCH(QString, grade);
    QFETCH(Outcome, outcome);
    QFETCH(int, changed);

    RollFixture roll;
    const QByteArray before = contentOf(source);
    QVERIFY(roll.writeClass(before));

    const Result<NameList> names = loadRoster(roll.classPath());
    QVERIFY(names);
    for (const double r : {0.0, 0.37, 0.999999}) {
        test::FixedRandom random(r);
        (void)drawTick(std::optional(names.value()), random);
    }

    const Result<void> recorded = roll.record(person, grade);
    const QByteArray after = roll.classBytes();
    QCOMPARE(roll.entries(), QStringList{roll.className()});
    if (outcome == Outcome::Refused) {
        QVERIFY(!recorded);
        QVERIFY(after == before);
        return;
    }
    QVERIFY2(recorded, WHY(recorded));
    const QString violation = test::recordingViolation(before, after, person);
    QVERIFY2(violation.isEmpty(), qPrintable(violation));
    QCOMPARE(changedLines(before, after), changed);
}

QTEST_GUILESS_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
