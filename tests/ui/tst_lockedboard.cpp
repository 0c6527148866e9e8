// The board locked between lessons: what writes, shows grades or changes a setting is
// refused through the keys, the floating bar (whose menu's actions are the menu's), the
// command line and a phone, and nothing in the roll folder changes; the keypad's PIN
// or a phone opens it.

#include "lesson/BreakLock.h"
#include "lesson/PinHash.h"
#include "lesson/RecordingWorker.h"
#include "lesson/Settings.h"
#include "support/ClassText.h"
#include "ui/keys/FeatureActions.h"
#include "ui/main/MainWindowFeatures.h"
#include "ui/windows/FloatingButton.h"
#include "ui/windows/UnlockPad.h"
#include "WindowUnderTest.h"

#include <QAction>
#include <QDirIterator>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>

Q_DECLARE_METATYPE(mirello::Feature)

using namespace mirello;

namespace {

// Every file of the roll folder and its bytes; the settings apart, which the lesson
// writes as it runs (the class chosen, the notices said).
QMap<QString, QByteArray> filesOf(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator each(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (each.hasNext()) {
        const QString path = each.next();
        if (!path.endsWith(u"settings.ini"))
            files.insert(path, readBytes(path));
    }
    return files;
}

QStringList visibleWindows()
{
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            shown.append(QString::fromLatin1(window->metaObject()->className()) +
                         window->objectName());
    }
    shown.sort();
    return shown;
}

// A board whose teacher set the PIN 2468 and lets the names be drawn while locked; a
// draw has stopped on the one student, one grade is in, and the lock is closed again.
struct LockedBoard
{
    LockedBoard()
    {
        {
            Settings settings(RollFolder::at(folder.rollFolder()));
            settings.setBytes(u"lock/pin", hashPin(u"2468"_s, 1000));
            settings.setFlag(featureRow(Feature::LockDrawingOpen).setting, true);
        }
        w = std::make_unique<WindowUnderTest>(folder);
        QVERIFY(lesson().view().locked);
        w->startPause();
        QTRY_VERIFY(!w->text(u"LblName"_s).isEmpty());
        w->click(u"PicSP"_s);
        QVERIFY(!lesson().view().name.isEmpty());
        lesson().breakLock().unlockFromPhone();
        trigger(Feature::Record);
        QTRY_VERIFY(!lesson().view().undoable.isEmpty());
        trigger(Feature::LockNow);
        QVERIFY(lesson().view().locked);
    }

    Lesson& lesson() const { return w->window.lesson(); }
    FeatureActions& actions() const
    {
        return w->window.findChild<MainWindowFeatures*>()->actions();
    }
    void trigger(Feature feature) const { actions().trigger(feature); }

    // What `feature` is asked for through `channel`, and what came back.
    QString ask(Feature feature, const QString& channel)
    {
        const FeatureRow& row = featureRow(feature);
        const QString command = row.command.toString().section(u' ', 0, 0);
        const QString value = feature == Feature::AbsentOf ? u"王小明"_s
                              : row.amount > 0             ? QString::number(row.amount)
                                                           : QString();
        if (channel == u"key") {
            const QKeySequence key = keysOf(row).first();
            QTest::keyClick(&w->window, key[0].key(), key[0].keyboardModifiers());
        } else if (channel == u"menu") {
            trigger(feature);
        } else if (channel == u"bar") {
            Q_EMIT visible<FloatingButton>()->featureAsked(feature);
        } else if (channel == u"command line") {
            const ParsedCommandLine parsed =
                parseCommandLine(value.isEmpty() ? QStringList{u"--"_s + command}
                                                 : QStringList{u"--"_s + command, value});
            return lesson().carryOut(std::get<QList<RemoteCommand>>(parsed));
        } else if (channel == u"phone") {
            const LessonView& view = lesson().view();
            const std::optional<RemoteCommand> asked =
                phoneCommand({{u"do"_s, command},
                              {u"arg"_s, value},
                              {u"class"_s, view.classFile},
                              {u"draw"_s, view.draw},
                              {u"recording"_s, view.undoable}});
            return asked ? lesson().carryOut({*asked}) : u"unread"_s;
        }
        return lesson().view().notice.text;
    }

    TestProgramFolder folder{{{u"高一3班.txt"_s, gbk(classText({u"王小明"_s}))}}};
    std::unique_ptr<WindowUnderTest> w;
};

} // namespace

class TestLockedBoard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusesAndWritesNothing_data();
    void refusesAndWritesNothing();
    void opensWithThePinOrAPhone_data();
    void opensWithThePinOrAPhone();
};

void TestLockedBoard::refusesAndWritesNothing_data()
{
    QTest::addColumn<Feature>("feature");
    QTest::addColumn<QString>("channel");
    using enum Feature;
    // What writes, what shows grades, what changes a setting, and the windows the
    // teacher sets the program up in.
    for (const Feature feature : {Record,
                                  ChooseFail,
                                  Undo,
                                  Pass,
                                  NewRound,
                                  MarkAbsent,
                                  AbsentOf,
                                  Attendance,
                                  OncePerRound,
                                  WarmCall,
                                  Overview,
                                  BoardMode,
                                  ProjectorGrades,
                                  Speech,
                                  ImportClass,
                                  ExportClasses,
                                  Backups,
                                  NewTerm,
                                  GlobalKeysSettings,
                                  Keys,
                                  PhoneRemote,
                                  LockSettings,
                                  LockDrawingOpen,
                                  Groups}) {
        const FeatureRow& row = featureRow(feature);
        QStringList channels;
        if (!row.keys.isEmpty() && (int(row.scope) & int(KeyScope::InMain)))
            channels << u"key"_s;
        // The menu's entries are the bar's: one action a feature.
        if (row.scope != KeyScope::Nowhere)
            channels << u"bar"_s;
        if (!row.command.isEmpty())
            channels << u"command line"_s << u"phone"_s;
        for (const QString& channel : channels)
            QTest::addRow("%s, %s", qPrintable(row.text.toString()), qPrintable(channel))
                << feature << channel;
    }
}

void TestLockedBoard::refusesAndWritesNothing()
{
    QFETCH(Feature, feature);
    QFETCH(QString, channel);
    LockedBoard board;
    const QMap<QString, QByteArray> before = filesOf(board.folder.rollFolder());
    QAction* entry = board.w->window.findChild<QAction*>(featureRow(feature).text.toString());
    const bool switchedOn = entry && entry->isChecked();
    if (channel == u"bar") {
        board.trigger(Feature::FloatingButton);
        QTRY_VERIFY(visible<FloatingButton>());
    }
    const QStringList windows = visibleWindows();

    const QString said = board.ask(feature, channel);
    QVERIFY2(said.contains(u"已锁定") && said.contains(u"解锁"), qPrintable(said));
    QVERIFY(!board.lesson().recorder().finish(std::chrono::seconds(5)));
    QTest::qWait(100);
    QCOMPARE(filesOf(board.folder.rollFolder()), before);
    QCOMPARE(visibleWindows(), windows);
    QVERIFY(!entry || entry->isChecked() == switchedOn);
    QVERIFY(board.lesson().view().locked);
}

void TestLockedBoard::opensWithThePinOrAPhone_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("locked");
    QTest::newRow("the PIN on the keypad")
        << QStringList{u"pad"_s, u"2"_s, u"4"_s, u"6"_s, u"8"_s, u"unlock"_s} << false;
    QTest::newRow("a wrong PIN") << QStringList{u"pad"_s, u"1"_s, u"3"_s,
                                                u"5"_s,   u"7"_s, u"unlock"_s}
                                 << true;
    QTest::newRow("a digit taken back")
        << QStringList{u"pad"_s, u"2"_s, u"4"_s, u"6"_s, u"9"_s, u"⌫"_s, u"8"_s, u"unlock"_s}
        << false;
    QTest::newRow("a phone paired today") << QStringList{u"phone"_s} << false;
    QTest::newRow("the command line: the keypad, still locked")
        << QStringList{u"command line"_s} << true;
    QTest::newRow("opened, it closes again on Ctrl+K")
        << QStringList{u"phone"_s, u"Ctrl+K"_s} << true;
}

void TestLockedBoard::opensWithThePinOrAPhone()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, locked);
    LockedBoard board;
    for (const QString& step : steps) {
        const QPointer<UnlockPad> pad = visible<UnlockPad>();
        if (step == u"pad") {
            QTest::keyClick(&board.w->window, Qt::Key_U, Qt::ControlModifier);
            QTRY_VERIFY(visible<UnlockPad>());
        } else if (step == u"unlock") {
            QPushButton* unlock = nullptr;
            for (QPushButton* button : pad->findChildren<QPushButton*>())
                unlock = button->text() == u"解锁" ? button : unlock;
            unlock->click();
            QTRY_VERIFY_WITH_TIMEOUT(!board.lesson().view().locked ||
                                         (pad && pad->findChild<QLineEdit*>()->text().isEmpty()),
                                     10000);
        } else if (step == u"phone") {
            QVERIFY(board.ask(Feature::Unlock, u"phone"_s).isEmpty());
        } else if (step == u"command line") {
            QVERIFY(board.ask(Feature::Unlock, u"command line"_s).isEmpty());
            QTRY_VERIFY(visible<UnlockPad>());
        } else if (step == u"Ctrl+K") {
            QTest::keyClick(&board.w->window, Qt::Key_K, Qt::ControlModifier);
        } else {
            pad->findChild<QPushButton*>(u"Key"_s + step)->click();
        }
    }
    QTRY_COMPARE(board.lesson().view().locked, locked);
    QCOMPARE(visible<UnlockPad>() != nullptr, locked && steps.first() != u"phone");
    // Open, the board records again.
    if (!locked) {
        board.trigger(Feature::Record);
        QTRY_COMPARE(board.folder.classBytes(u"高一3班.txt"_s),
                     gbk(classText({u"王小明"_s}, u"02\\2000"_s)));
    }
}

QTEST_MAIN(TestLockedBoard)
#include "tst_lockedboard.moc"
