// The main window walked through random sequences of what a teacher does, checked
// after every step against a small model written from the class file's layout: a
// grade lands on the student on screen, in that student's class, and nowhere else,
// whatever the order of clicks, keys, class changes, outside edits and failing disks.

#include "keeping/History.h"
#include "lesson/BreakLock.h"
#include "lesson/ClassOverview.h"
#include "lesson/Lesson.h"
#include "lesson/PinHash.h"
#include "lesson/RecordingWorker.h"
#include "lesson/Settings.h"
#include "platform/TextCodec.h"
#include "remote/PhoneState.h"
#include "roll/ClassState.h"
#include "support/FaultInjectingFileOperations.h"
#include "ui/widgets/FittedText.h"
#include "ui/windows/OverviewModel.h"
#include "WindowUnderTest.h"

#include <functional>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTableView>
#include <QTreeWidget>
#include <rapidcheck.h>
#include <sstream>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using namespace mirello;
using namespace std::chrono_literals;

namespace {

// What a teacher does; a step shrinks towards the first, which does nothing.
enum class Kind
{
    Skip,
    Choose,
    StartPause,
    Tick,
    Grade,
    Ok,
    OkInFlight, // OK, held half-way while the next step comes
    Undo,
    Pass,
    RoundMode,
    NewRound,
    EditElsewhere,
    NewTerm,
    FailRename, // of the next change of a class file
    FailFlush,  // of the roll folder after it
    Absent,     // marks a student of the loaded class absent, or present again
    Restore,    // the loaded class's first backup, through 备份与恢复
    Several,    // how many students one Pause draws, 1 to 3
    NextPick,   // the next of the students one Pause drew
    WarmCall,   // the next student announced, or no longer
    PhoneLook,  // the phone is shown the lesson as it is now
    PhoneOk,    // the phone's OK with a grade, for what it was shown last
    PhoneUndo,  // the phone's undo, of the recording it was shown last
    Lock,       // 下课锁定: OK, undo, pass and absent refused, then a phone unlocks
    EditCounts, // a text editor raises a call count in a class file
};
constexpr const char* KindNames[] = {
    "skip",      "choose",    "startpause", "tick",      "grade",    "ok",       "okflight",
    "undo",      "pass",      "round",      "newround",  "edit",     "newterm",  "failrename",
    "failflush", "absent",    "restore",    "several",   "nextpick", "warmcall", "phonelook",
    "phoneok",   "phoneundo", "lock",       "editcounts"};

struct Step
{
    Kind kind = Kind::Skip;
    int arg = 0;
};

std::ostream& operator<<(std::ostream& out, const Step& step)
{
    return out << KindNames[int(step.kind)] << ' ' << step.arg;
}

// "choose 1, startpause 0, …", as the rows of walksThatFailedOnce keep them.
QString describe(const std::vector<Step>& steps)
{
    std::ostringstream out;
    for (const Step& step : steps) {
        if (step.kind != Kind::Skip)
            out << step << ", ";
    }
    QString text = QString::fromStdString(out.str());
    text.chop(2);
    return text;
}

std::vector<Step> parse(const QString& text)
{
    std::vector<Step> steps;
    for (const QString& part : text.split(u", "_s)) {
        const QStringList words = part.split(u' ');
        const auto* kind =
            std::find_if(std::begin(KindNames), std::end(KindNames),
                         [&](const char* n) { return words[0] == QLatin1String(n); });
        steps.push_back({Kind(kind - std::begin(KindNames)), words.value(1).toInt()});
    }
    return steps;
}

// The layout: lead 1-9, name 10..L-8, separator, two digits, "\", four digits.
QString nameOf(const QString& line)
{
    return line.size() >= 17 ? line.mid(9, line.size() - 17) : QString();
}

QString raised(const QString& line, int grade)
{
    QString counters = line.right(7);
    counters.replace(0, 2, u"%1"_s.arg(counters.left(2).toInt() + 1, 2, 10, QChar(u'0')));
    counters[3 + grade] = QChar(counters[3 + grade].unicode() + 1);
    return line.chopped(7) + counters;
}

// A class file's lines and how it ends them. Once the program wrote it, every line
// ends with CR LF.
struct Text
{
    QByteArray lineEnd;
    bool finalLineEnd;
    QStringList lines;
};

// A class as a teacher knows it.
struct Class : Text
{
    QString file;
    TextEncoding encoding;
    // The class before its first change, which kept it as its first backup.
    std::optional<Text> firstBackup = {};
    bool onDisk = true;
    bool pipe = false;
    QHash<QString, int> called = {}; // in this round, per name
    QHash<QString, int> absent = {};
    bool unsure = false; // which copy of a name a stop or pass reached is unknown
    // The counters Mirello last wrote on each name's lines ("01、02|1000"), since the
    // last new term (which left every one at zero) or restore.
    QHash<QString, QString> written = {};
    bool zeroed = false;

    bool readable() const { return onDisk && !pipe; }
    QByteArray bytes() const
    {
        QByteArray bytes;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            bytes += encodeText(lines[i], encoding).value();
            if (i + 1 < lines.size() || finalLineEnd)
                bytes += lineEnd;
        }
        return bytes;
    }
};

// Two classes share 张伟 and 李娜, one holds 王芳 twice and ends without a line end,
// one has a heading, and 4班 comes and goes (missing, or a named pipe).
const QList<Class> Classes{
    {{"\r\n",
      true,
      {u"S20230101张伟-03\\1101"_s, u"S20230102李娜-01\\0100"_s, u"S20230103王强-00\\0000"_s,
       u"S20230104赵敏-05\\2111"_s}},
     u"1班.txt"_s,
     TextEncoding::Utf8},
    {{"\n",
      false,
      {u"S20230201张伟-02\\1010"_s, u"S20230202王芳-01\\1000"_s, u"S20230203王芳-01\\1000"_s,
       u"S20230204李娜-04\\1210"_s}},
     u"2班.txt"_s,
     TextEncoding::Gbk},
    {{"\r\n",
      true,
      {u"高一(3)班 名单"_s, u"S20230301陈晨-00\\0000"_s, u"S20230302刘洋-02\\0110"_s}},
     u"3班.txt"_s,
     TextEncoding::Utf8},
    {{"\n", true, {u"S20230401周杰-01\\0001"_s, u"S20230402吴磊-00\\0000"_s}},
     u"4班.txt"_s,
     TextEncoding::Utf8},
};
constexpr int ComingAndGoing = 3;

// The file layer with two faults on request, and a change of a class file held
// half-way until the walk lets it go.
struct WalkFiles final : faulttest::FaultInjectingFileOperations
{
    Result<void> rename(const QString& from, const QString& to) override
    {
        // By its name: Windows hands the file layer the target's resolved path.
        const bool classFile = !to.contains(u".mirello"_s) && to.endsWith(u"班.txt"_s);
        if (classFile && hold.exchange(false)) {
            waiting = true;
            gate.tryAcquire(1, 10'000);
            waiting = false;
        }
        if (classFile && failRename.exchange(false))
            return Error{u"injected"_s, u"No space left on device"_s};
        Result<void> renamed = FaultInjectingFileOperations::rename(from, to);
        failNextFlush = failNextFlush || (classFile && renamed && failFlush.exchange(false));
        return renamed;
    }
    Result<void> syncFolder(const QString& path) override
    {
        if (failNextFlush.exchange(false))
            return Error{u"injected"_s, u"Input/output error"_s};
        return FaultInjectingFileOperations::syncFolder(path);
    }
    void letGo()
    {
        hold = false;
        gate.release();
    }

    std::atomic<bool> failRename = false, failFlush = false, failNextFlush = false, hold = false,
                      waiting = false;
    QSemaphore gate;
};

// Each different count of a name's lines once, then each tally, as the history keeps them.
QString countersOf(const QStringList& lines, const QString& name)
{
    QStringList counts, tallies;
    for (const QString& line : lines) {
        if (nameOf(line) == name)
            counts.append(line.right(7).left(2)), tallies.append(line.right(4));
    }
    counts.removeDuplicates();
    tallies.removeDuplicates();
    return counts.join(u'、') + u'|' + tallies.join(u'、');
}

struct Undoable
{
    int id;
    int klass;
    QString name;
    Class before; // lines and line ends
    QStringList after;
    bool replaced = false; // by a new term since
};

// The window and, beside it, what a teacher expects of it.
class Walk
{
public:
    explicit Walk(qint64 seed)
        : m_seed(seed)
    {
        // The draw's timer never fires by itself: the walk ticks it.
        m_window.get<QTimer>(u"TimerName"_s)->setInterval(3'600'000);
        m_recorder = m_window.window.findChild<RecordingWorker*>();
        m_window.window.lesson().breakLock().unlockFromPhone();
        // The projector lists the students of one Pause and says who comes next.
        key(Qt::Key_F11);
        for (QWidget* window : QApplication::topLevelWidgets())
            m_projector = window->objectName() == u"ProjectorWindow"_s ? window : m_projector;
    }

    void take(const Step& step);
    QString failure;

private:
    void choose(int index);
    void startPause();
    void tick(int arg);
    void record();
    void undo();
    void pass();
    void editElsewhere(int index);
    void newTerm();
    void markAbsence(int arg);
    void lockAndTry();
    void editCounts(int arg);
    void restore();
    void drawSeveral(int count);
    void nextPick();
    void recordShown();
    void undoLast();
    // A phone's tap for what it was shown last, as the phone sends it; whether it was
    // carried out.
    bool phoneSends(const QString& action, const QString& grade = {});
    // The students the last Pause drew, as the projector lists them.
    QStringList picksShown() const;
    QString announced() const;
    // A change of a class file, which a teacher hears of unless it goes through whole:
    // whether it does. It keeps the class as it was, when that is its first backup.
    bool changes(Class& c)
    {
        ++m_reports;
        if (!c.readable())
            return false;
        if (!c.firstBackup)
            c.firstBackup = Text(c);
        if (std::exchange(m_failRename, false))
            return false;
        m_reports -= !std::exchange(m_failFlush, false);
        return true;
    }
    // The loaded class replaced whole, by a new term or a restore: no undo reaches
    // across it.
    void replaced(HistoryAction action)
    {
        for (Undoable& recording : m_journal)
            recording.replaced = recording.replaced || recording.klass == m_loaded;
        ++m_history[action];
        m_view = m_classes[m_loaded].lines;
    }
    void check();

    // The names a tick may show: every student, or in a round those not yet called.
    QStringList drawable() const;
    int copies(const QString& name) const
    {
        return int(
            std::ranges::count_if(m_view, [&](const QString& l) { return nameOf(l) == name; }));
    }
    // A class file now holds `after`: the window takes the changed lines when it holds
    // them as they were, or else reads the whole file again.
    void changed(int index, const QStringList& before, const QStringList& after);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        // A teacher's key comes through the event loop, once windows closed before it
        // are gone (Qt 5 deletes them no sooner).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::setActiveWindow(&m_window.window); // again after a dialog
        QTest::keyClick(&m_window.window, key, modifiers);
    }
    void trigger(const QString& text)
    {
        for (QAction* action : m_window.window.findChildren<QAction*>()) {
            if (action->text() == text)
                return action->trigger();
        }
    }
    // Triggers the menu entry `text` while `answer` looks for its dialogs; a timer does
    // not fire again within its own handler unless the handler starts it anew.
    void answering(const QString& text, const std::function<void(QTimer*)>& answer)
    {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { answer(&timer); });
        timer.start(5);
        trigger(text);
    }
    void expect(bool holds, const QString& what)
    {
        if (!holds && failure.isEmpty())
            failure = what;
    }

    TestProgramFolder m_folder{[] {
        QMap<QString, QByteArray> files;
        for (const Class& c : Classes)
            files.insert(c.file, c.bytes());
        return files;
    }()};
    // The teacher's PIN, kept before the program starts, which then starts locked;
    // no minutes without use close it here, where the clock runs fast.
    const bool m_pinKept = [this] {
        Settings settings(RollFolder::at(m_folder.rollFolder()));
        settings.setBytes(u"lock/pin", hashPin(u"2468"_s, 1000));
        settings.setBytes(u"lock/idleMinutes", "0");
        return true;
    }();
    WalkFiles m_files;
    WindowUnderTest m_window{m_folder, m_files};
    RecordingWorker* m_recorder = nullptr;
    const qint64 m_seed;
    bool m_holding = false;

    QList<Class> m_classes = Classes;
    int m_loaded = 0;
    QStringList m_view = Classes[0].lines; // the loaded class as the window last read it
    QString m_shown;
    bool m_drawing = false, m_ticked = false, m_round = false, m_warmCall = false;
    QWidget* m_projector = nullptr;
    int m_several = 1;
    // The students of the last Pause, whether each may still pass, and the one shown.
    QStringList m_picks;
    QVector<bool> m_passable;
    qsizetype m_pickAt = 0;
    // Whether the last tick drew in a round, and whether it may have landed on a line
    // without a name (the plain draw does), which leaves the name as it was.
    bool m_tickedInRound = false, m_lineUnsure = false;
    bool m_failRename = false, m_failFlush = false;
    int m_grade = 0;
    int m_reports = 0;
    std::vector<Undoable> m_journal;
    int m_recordings = 0;
    QMap<HistoryAction, int> m_history;
    // Counts every change of who is on screen to be recorded for: a phone's tap from
    // before it acts on nobody.
    int m_drawEpoch = 0;
    struct PhoneView
    {
        QJsonObject state;
        int drawEpoch = -1;
        bool picked = false;
        int undoable = -1;
    } m_phoneSaw;
};

void Walk::take(const Step& step)
{
    // A recording held half-way goes on once the next step has come, and before
    // anything waits for the queue.
    const bool held = std::exchange(m_holding, false);
    const auto settle = [&] {
        if (held)
            m_files.letGo();
        (void)m_recorder->finish(std::chrono::minutes(1));
    };
    switch (step.kind) {
    case Kind::Skip:
        break;
    case Kind::Choose:
        choose(step.arg % Classes.size());
        break;
    case Kind::StartPause:
        startPause();
        break;
    case Kind::Tick:
        tick(step.arg);
        break;
    case Kind::Grade:
        m_grade = step.arg % 4;
        key(Qt::Key(Qt::Key_1 + m_grade));
        break;
    case Kind::Ok:
        record();
        break;
    case Kind::OkInFlight:
        settle();
        m_files.gate.tryAcquire(m_files.gate.available());
        m_files.hold = m_holding = true;
        record();
        return;
    case Kind::Undo:
        undo();
        break;
    case Kind::Pass:
        pass();
        break;
    case Kind::RoundMode:
        trigger(u"本轮不重复"_s);
        m_round = !m_round;
        m_classes[m_loaded].unsure = m_classes[m_loaded].unsure || (m_warmCall && m_round);
        break;
    case Kind::NewRound:
        trigger(u"重新开始一轮"_s);
        m_classes[m_loaded].called.clear();
        m_classes[m_loaded].unsure = m_warmCall && m_round;
        break;
    case Kind::EditElsewhere:
        settle(); // another program's edit comes after the recordings asked for
        editElsewhere(step.arg % Classes.size());
        break;
    case Kind::NewTerm:
        newTerm();
        break;
    case Kind::FailRename:
        settle();
        m_files.failRename = m_failRename = true;
        break;
    case Kind::FailFlush:
        settle();
        m_files.failFlush = m_failFlush = true;
        break;
    case Kind::Absent:
        markAbsence(step.arg);
        break;
    case Kind::Several:
        drawSeveral(step.arg % 3 + 1);
        break;
    case Kind::NextPick:
        nextPick();
        break;
    case Kind::WarmCall:
        trigger(u"预告下一位"_s);
        m_warmCall = !m_warmCall;
        // The walk leaves the warm call's own order to the draw session's tests.
        m_classes[m_loaded].unsure = m_classes[m_loaded].unsure || m_round;
        break;
    case Kind::PhoneLook:
        settle(); // the phone hears of what the queue has done
        m_phoneSaw = {phoneState(m_window.window.lesson().view()), m_drawEpoch,
                      !m_drawing && !m_picks.isEmpty(),
                      m_journal.empty() ? -1 : m_journal.back().id};
        break;
    case Kind::PhoneOk: {
        const bool meant = m_phoneSaw.picked && m_phoneSaw.drawEpoch == m_drawEpoch;
        const bool done = phoneSends(u"record"_s, QString::number(step.arg % 4 + 1));
        expect(done == meant, done ? u"a late OK from the phone was recorded"_s
                                   : u"the phone's OK for the student on screen was refused"_s);
        if (done) {
            m_grade = step.arg % 4;
            recordShown();
        }
        break;
    }
    case Kind::PhoneUndo: {
        const bool meant = !m_journal.empty() && m_journal.back().id == m_phoneSaw.undoable;
        const bool done = phoneSends(u"undo"_s);
        expect(done == meant, done ? u"a late undo from the phone was done"_s
                                   : u"the phone's undo of the last recording was refused"_s);
        if (done)
            undoLast();
        break;
    }
    case Kind::Lock:
        settle();
        lockAndTry();
        break;
    case Kind::EditCounts:
        settle();
        editCounts(step.arg);
        break;
    case Kind::Restore:
        // A recording held half-way has kept its backup once it waits at the rename, or
        // was refused before; it goes on then, as the restore waits behind it.
        expect(!held || QTest::qWaitFor(
                            [&] { return m_files.waiting || !m_recorder->finish(50ms); }, 10'000),
               u"the recording in flight reaches its rename"_s);
        if (held)
            m_files.letGo();
        restore();
        break;
    }
    settle();
    QCoreApplication::processEvents();
    check();
}

// Whether it loads or not, the name goes; a class that cannot be read leaves the
// chooser on the class loaded.
void Walk::choose(int index)
{
    auto* chooser = m_window.get<QComboBox>(u"ComboFileChange"_s);
    chooser->setCurrentIndex(index);
    Q_EMIT chooser->activated(index);
    m_shown.clear();
    m_picks.clear();
    ++m_drawEpoch;
    m_ticked = m_lineUnsure = false;
    if (!m_classes[index].readable()) {
        ++m_reports;
        return;
    }
    m_loaded = index;
    m_view = m_classes[index].lines;
    m_classes[index].unsure = m_classes[index].unsure || (m_warmCall && m_round);
}

void Walk::startPause()
{
    const QString next = announced();
    const QStringList drawn = drawable();
    key(Qt::Key_Space);
    m_drawing = !m_drawing;
    Class& c = m_classes[m_loaded];
    if (m_drawing) {
        m_ticked = false;
        m_picks.clear();
        ++m_drawEpoch;
        // A round that called everyone present gives way to a new one.
        const bool anyonePresent = std::ranges::any_of(m_view, [&](const QString& line) {
            return !nameOf(line).isEmpty() && c.absent.value(nameOf(line)) < copies(nameOf(line));
        });
        if (m_round && !c.unsure && anyonePresent && drawable().isEmpty())
            c.called.clear();
        return;
    }
    if (!m_ticked)
        return;
    // The first is the one announced, else the one the last tick showed.
    m_picks = picksShown();
    ++m_drawEpoch;
    expect(m_picks.size() <= m_several && !m_picks.isEmpty(),
           u"a Pause drew %1 students"_s.arg(m_picks.size()));
    expect(!m_warmCall || next.isEmpty() || m_picks.value(0) == next,
           u"the Pause drew %1, not %2 as announced"_s.arg(m_picks.value(0), next));
    expect(m_warmCall || m_picks.value(0) == m_shown, u"the Pause moved off the name drawn"_s);
    const QString ticked = std::exchange(m_shown, m_picks.value(0));
    m_passable = QVector<bool>(m_picks.size(), true);
    m_pickAt = 0;
    for (qsizetype at = 0; at < m_picks.size(); ++at) {
        const QString& name = m_picks[at];
        // The one on screen stays the first, though marked absent since it was drawn.
        expect(c.unsure || (at == 0 && (m_lineUnsure || name == ticked)) || drawn.contains(name),
               u"the Pause drew %1, who may not be drawn"_s.arg(name));
        if (!m_round || c.called[name] == copies(name))
            continue;
        c.unsure = c.unsure || m_lineUnsure || (!m_tickedInRound && c.called[name] > 0);
        ++c.called[name];
    }
}

// Through the menu's dialog, as a teacher sets it.
void Walk::drawSeveral(int count)
{
    trigger(u"设置人数…"_s);
    auto* dialog = m_window.window.findChild<QDialog*>(u"SeveralCountDialog"_s);
    for (QPushButton* button :
         dialog ? dialog->findChildren<QPushButton*>() : QList<QPushButton*>()) {
        if (button->text() == QString::number(count))
            button->click();
    }
    m_several = count;
}

// The main window follows the pick: OK, a grade key and P act on that student.
void Walk::nextPick()
{
    key(Qt::Key_BracketRight);
    if (m_drawing || m_picks.size() < 2)
        return;
    m_pickAt = (m_pickAt + 1) % m_picks.size();
    m_shown = m_picks[m_pickAt];
    ++m_drawEpoch;
}

bool Walk::phoneSends(const QString& action, const QString& grade)
{
    const QJsonObject& saw = m_phoneSaw.state;
    const std::optional<RemoteCommand> command = phoneCommand({{u"do"_s, action},
                                                               {u"class"_s, saw[u"class"_s]},
                                                               {u"draw"_s, saw[u"draw"_s]},
                                                               {u"recording"_s, saw[u"undo"_s]},
                                                               {u"grade"_s, grade},
                                                               {u"drawing"_s, saw[u"running"_s]}});
    return command && m_window.window.lesson().carryOut({*command}).isEmpty();
}

QStringList Walk::picksShown() const
{
    QStringList names;
    for (const FittedText* name : m_projector->findChildren<FittedText*>(u"PickedName"_s)) {
        if (name->isVisible())
            names.append(name->text());
    }
    return names.isEmpty() ? QStringList{m_window.text(u"LblName"_s)} : names;
}

QString Walk::announced() const
{
    static const QRegularExpression next(u"^下一位：(.*)，请准备$"_s);
    return next.match(m_projector->findChild<FittedText*>(u"ProjectorAnnouncement"_s)->text())
        .captured(1);
}

void Walk::tick(int arg)
{
    for (int i = 0; m_drawing && i <= arg % 3; ++i) {
        // Each tick's draw depends on its own step only, so that a walk shrinks well.
        m_window.clock.now = 1'700'000'000'000'000'000 + (m_seed * 64 + arg * 4 + i) * 1'009;
        const QStringList names = drawable();
        QMetaObject::invokeMethod(m_window.get<QTimer>(u"TimerName"_s), "timeout");
        const QString name = m_window.text(u"LblName"_s);
        if (names.isEmpty()) {
            expect(name == m_shown, u"a tick with nobody to draw changed the name"_s);
            continue;
        }
        // Unsure who is absent, the model cannot tell that nobody is left to draw.
        if (m_classes[m_loaded].unsure && name == m_shown && !names.contains(name))
            continue;
        m_lineUnsure = !m_round && name == m_shown;
        expect(m_lineUnsure || names.contains(name), u"drew %1, who may not be drawn"_s.arg(name));
        m_shown = name;
        m_ticked = true;
        m_tickedInRound = m_round;
    }
}

QStringList Walk::drawable() const
{
    const Class& c = m_classes[m_loaded];
    QStringList names;
    for (const QString& line : m_view) {
        const QString name = nameOf(line);
        const int present = copies(name) - c.absent.value(name);
        if (!name.isEmpty() && !names.contains(name) &&
            (c.unsure || (present > 0 && (!m_round || c.called.value(name) < present))))
            names.append(name);
    }
    return names;
}

void Walk::changed(int index, const QStringList& before, const QStringList& after)
{
    m_classes[index].lines = after;
    if (index != m_loaded)
        return;
    bool inPlace = m_view.size() >= before.size();
    for (qsizetype i = 0; inPlace && i < before.size(); ++i)
        inPlace = before[i] == after[i] || m_view[i] == before[i];
    if (!inPlace)
        m_view = after;
    for (qsizetype i = 0; inPlace && i < before.size(); ++i)
        m_view[i] = before[i] == after[i] ? m_view[i] : after[i];
}

// Recorded for every line of the loaded class with the name on screen, in one go.
void Walk::record()
{
    key(Qt::Key_Return);
    recordShown();
}

void Walk::recordShown()
{
    Class& c = m_classes[m_loaded];
    QStringList after = c.lines;
    bool found = false, full = false;
    for (QString& line : after) {
        if (m_shown.isEmpty() || nameOf(line) != m_shown)
            continue;
        full = full || line.right(7).startsWith(u"99"_s) || line.right(4)[m_grade] == u'9';
        line = raised(line, m_grade);
        found = true;
    }
    if (!found || full)
        return void(++m_reports);
    if (!changes(c))
        return;
    m_journal.push_back({m_recordings++, m_loaded, m_shown, c, after});
    ++m_history[HistoryAction::Recording];
    c.written[m_shown] = countersOf(after, m_shown);
    c.lineEnd = "\r\n";
    c.finalLineEnd = true;
    changed(m_loaded, m_journal.back().before.lines, after);
}

// An undo puts back only a file that still holds what the recording left, and not
// across a new term.
void Walk::undo()
{
    key(Qt::Key_Z, Qt::ControlModifier);
    undoLast();
}

void Walk::undoLast()
{
    if (m_journal.empty())
        return;
    const Undoable last = m_journal.back();
    Class& c = m_classes[last.klass];
    if (last.replaced || (c.readable() && c.lines != last.after)) {
        ++m_reports;
        return m_journal.pop_back();
    }
    if (!changes(c))
        return; // may be tried again
    m_journal.pop_back();
    ++m_history[HistoryAction::Undo];
    c.written[last.name] = countersOf(last.before.lines, last.name);
    changed(last.klass, last.after, last.before.lines);
    c.lineEnd = last.before.lineEnd;
    c.finalLineEnd = last.before.finalLineEnd;
}

// Only the student the draw stopped on passes, once, and goes back into the round.
void Walk::pass()
{
    key(Qt::Key_P);
    if (m_drawing || m_picks.isEmpty() || !std::exchange(m_passable[m_pickAt], false))
        return;
    Class& c = m_classes[m_loaded];
    if (c.called[m_shown] == 0)
        return;
    c.unsure = c.unsure || m_lineUnsure ||
               (!(m_round && m_tickedInRound) && c.called[m_shown] < copies(m_shown));
    --c.called[m_shown];
}

// Another program edits a class: its last line moves to the top; 4班 goes missing,
// turns into a named pipe, and comes back as it was.
void Walk::editElsewhere(int index)
{
    Class& c = m_classes[index];
    const QString path = m_folder.rollFolder() + u'/' + c.file;
    QFile::remove(path);
    if (index == ComingAndGoing && c.readable()) {
        c.onDisk = false;
        return;
    }
#ifndef Q_OS_WIN // no named pipes among files there
    if (index == ComingAndGoing && !c.pipe && ::mkfifo(qPrintable(path), 0644) == 0) {
        c.pipe = true;
        return;
    }
#endif
    c.onDisk = true;
    c.pipe = false;
    if (index != ComingAndGoing)
        c.lines.prepend(c.lines.takeLast());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(c.bytes()) >= 0);
}

// Locked, the keys of OK, undo, pass and absent change nothing; a phone paired today
// opens the lock again.
void Walk::lockAndTry()
{
    key(Qt::Key_K, Qt::ControlModifier);
    expect(m_window.window.lesson().view().locked, u"Ctrl+K does not lock"_s);
    for (const Qt::Key refused : {Qt::Key_Return, Qt::Key_P, Qt::Key_Q})
        key(refused);
    key(Qt::Key_Z, Qt::ControlModifier);
    expect(phoneSends(u"unlock"_s), u"the phone does not unlock"_s);
    expect(!m_window.window.lesson().view().locked, u"the board stays locked"_s);
}

// A text editor raises the call count of one line with counters, below 99.
void Walk::editCounts(int arg)
{
    Class& c = m_classes[arg % Classes.size()];
    static const QRegularExpression counters(u"^\\d\\d\\\\\\d{4}$"_s);
    if (!c.readable())
        return;
    QString& line = c.lines[arg / 4 % c.lines.size()];
    if (nameOf(line).isEmpty() || !counters.match(line.right(7)).hasMatch() ||
        line.right(7).startsWith(u"99"_s))
        return;
    line = line.chopped(7) + u"%1"_s.arg(line.right(7).left(2).toInt() + 1, 2, 10, QChar(u'0')) +
           line.right(5);
    QFile file(m_folder.rollFolder() + u'/' + c.file);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(c.bytes()) >= 0);
}

// 新学期 for the loaded class only: every line with counters starts afresh.
void Walk::newTerm()
{
    answering(u"新学期…"_s, [](QTimer*) {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            for (QAbstractButton* button : box->buttons())
                button->text().startsWith(u"只清零"_s) ? button->click() : void();
        }
    });
    Class& c = m_classes[m_loaded];
    if (!changes(c))
        return;
    static const QRegularExpression counters(u"^\\d\\d\\\\\\d{4}$"_s);
    for (QString& line : c.lines) {
        if (!nameOf(line).isEmpty() && counters.match(line.right(7)).hasMatch())
            line = line.chopped(7) + u"00\\0000"_s;
    }
    c.lineEnd = "\r\n";
    c.finalLineEnd = true;
    c.written.clear();
    c.zeroed = true;
    replaced(HistoryAction::NewTerm);
}

// Through the overview's absence box, as a teacher ticks it; the mark holds for the
// day and goes into the history.
void Walk::markAbsence(int arg)
{
    Class& c = m_classes[m_loaded];
    if (!c.readable())
        return; // the overview would say so; that is the overview's own business
    key(Qt::Key_L, Qt::ControlModifier);
    // The overview reads the class off its thread; its rows are those of the class once
    // the sentence is no longer the note that it is reading.
    auto* sentence = m_window.window.findChild<QLabel*>(u"FairnessSentence"_s);
    expect(QTest::qWaitFor([sentence] { return !sentence->text().startsWith(u"正在读取"_s); }),
           u"the overview is still reading"_s);
    auto* table = m_window.window.findChild<QTableView*>(u"OverviewTable"_s);
    QAbstractItemModel* rows = table->model();
    if (rows->rowCount() > 0) {
        const int row = arg % rows->rowCount();
        const QModelIndex box = rows->index(row, OverviewModel::Absent);
        const bool absent = box.data(Qt::CheckStateRole) != Qt::Checked;
        rows->setData(box, absent ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        const QString name = rows->index(row, OverviewModel::Name).data().toString();
        c.absent[name] += absent ? 1 : -1;
        c.unsure = c.unsure || copies(name) > 1;
        ++m_history[absent ? HistoryAction::Absent : HistoryAction::Present];
    }
    table->window()->close();
}

// 备份与恢复 puts back the class's first backup, chosen in the list and confirmed.
void Walk::restore()
{
    Class& c = m_classes[m_loaded];
    if (!c.firstBackup || !c.readable())
        return; // none yet, or the dialog does not offer a class that is not there
    Class first = c;
    static_cast<Text&>(first) = *c.firstBackup;
    const QDir backups(RollFolder::at(m_folder.rollFolder()).backupsFolderPath() + u'/' + c.file);
    QString wanted;
    for (const QString& name : backups.entryList(QDir::Files)) {
        QFile backup(backups.filePath(name));
        if (backup.open(QIODevice::ReadOnly) && backup.readAll() == first.bytes())
            wanted = name;
    }
    expect(!wanted.isEmpty(), u"the first backup of "_s + c.file + u" is gone"_s);
    answering(u"备份与恢复…"_s, [&](QTimer* answer) {
        QWidget* dialog = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            return box->button(QMessageBox::Yes)->click();
        if (!dialog || dialog->objectName() != u"BackupsDialog"_s)
            return;
        answer->stop();
        auto* list = dialog->findChild<QTreeWidget*>();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->data(0, Qt::UserRole) == wanted)
                list->setCurrentItem(list->topLevelItem(i));
        }
        answer->start();
        dialog->findChild<QPushButton*>(u"Restore"_s)->click();
        answer->stop();
        (void)m_recorder->finish(
            std::chrono::minutes(1)); // the outcome reaches the dialog while it is open
        qobject_cast<QDialog*>(dialog)->reject();
    });
    if (!changes(c))
        return;
    static_cast<Text&>(c) = *c.firstBackup;
    c.written.clear();
    c.zeroed = false;
    replaced(HistoryAction::Restore);
}

void Walk::check()
{
    for (const Class& c : m_classes) {
        expect(!c.readable() || m_folder.classBytes(c.file) == c.bytes(),
               c.file + u" holds other bytes than expected"_s);
    }
    const QString chosen = m_window.get<QComboBox>(u"ComboFileChange"_s)->currentText();
    expect(chosen == Classes[m_loaded].file, u"the chooser shows "_s + chosen);
    const QString name = m_window.text(u"LblName"_s);
    expect(name == m_shown, u"the name on screen is %1, not %2"_s.arg(name, m_shown));
    QStringList counts;
    for (const QString& line : m_view) {
        if ((m_lineUnsure && line.size() >= 7) || (!m_shown.isEmpty() && nameOf(line) == m_shown))
            counts.append(u"已被点到过"_s + line.right(7).left(2) + u"次"_s);
    }
    const QString count = m_window.text(u"LblAnsCount"_s);
    expect(count.isEmpty() ? m_shown.isEmpty() || m_lineUnsure : counts.contains(count),
           u"the count on screen is "_s + count);
    const QList<Error>& errors = m_window.reporter.errors;
    expect(errors.size() == m_reports,
           u"%1 messages, not %2: %3"_s.arg(errors.size())
               .arg(m_reports)
               .arg(errors.isEmpty() ? QString() : errors.last().text()));
    QMap<HistoryAction, int> history;
    const Result<QList<HistoryEntry>> entries = readHistory(RollFolder::at(m_folder.rollFolder()));
    for (const HistoryEntry& entry : entries.value())
        ++history[entry.action];
    expect(history == m_history, u"the history holds other entries"_s);
    // The round as kept for the next run: who is called, per name.
    QFile state(m_folder.rollFolder() + u"/.mirello/"_s + Classes[m_loaded].file +
                u".state.json"_s);
    QHash<QString, int> called, absent;
    if (state.open(QIODevice::ReadOnly)) {
        const ClassState kept = classStateFromJson(state.readAll()).value();
        for (auto it = kept.students.cbegin(); it != kept.students.cend(); ++it) {
            called[it.key().head.mid(9).chopped(1)] += it.value().calledThisRound;
            absent[it.key().head.mid(9).chopped(1)] += it.value().absent;
        }
    }
    const Class& c = m_classes[m_loaded];
    if (c.readable()) {
        // The overview marks exactly the names whose counters differ from Mirello's last.
        QStringList edited, marked;
        for (const QString& line : c.lines) {
            const QString name = nameOf(line);
            const QString kept = c.written.value(name, c.zeroed ? u"00|0000"_s : QString());
            if (!name.isEmpty() && !edited.contains(name) && !kept.isEmpty() &&
                kept != countersOf(c.lines, name))
                edited.append(name);
        }
        const ClassOverview overview =
            readClassOverview(RollFolder::at(m_folder.rollFolder()), c.file);
        for (const OverviewRow& row : overview.rows) {
            if (!row.outsideEdit.isEmpty() && !marked.contains(row.name))
                marked.append(row.name);
        }
        expect(marked == edited,
               u"the overview marks %1, not %2"_s.arg(marked.join(u','), edited.join(u',')));
    }
    for (auto it = c.called.cbegin(); it != c.called.cend() && !c.unsure; ++it)
        expect(called.value(it.key()) == it.value(), u"the round's calls of "_s + it.key());
    for (auto it = c.absent.cbegin(); it != c.absent.cend(); ++it)
        expect(absent.value(it.key()) == it.value(), u"the absence marks of "_s + it.key());
}

bool walks(const std::vector<Step>& steps, qint64 seed)
{
    Walk walk(seed);
    for (std::size_t i = 0; i < steps.size() && walk.failure.isEmpty(); ++i) {
        walk.take(steps[i]);
        if (qEnvironmentVariableIsSet("MIRELLO_WALK"))
            qInfo() << i << KindNames[int(steps[i].kind)] << steps[i].arg << walk.failure;
    }
    walk.take({}); // lets a recording held half-way go on
    if (!walk.failure.isEmpty())
        qWarning("walk of seed %lld failed: %s", seed, qPrintable(walk.failure));
    return walk.failure.isEmpty();
}

} // namespace

class TestWalk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomWalks();
    void walksThatFailedOnce_data();
    void walksThatFailedOnce();
};

void TestWalk::randomWalks()
{
    const int sequences = qEnvironmentVariableIntValue("MIRELLO_WALK_SEQUENCES");
    qputenv("RC_PARAMS", "max_success=" + QByteArray::number(sequences > 0 ? sequences : 300) +
                             ' ' + qgetenv("RC_PARAMS"));
    const auto step = rc::gen::build<Step>(
        rc::gen::set(&Step::kind,
                     rc::gen::cast<Kind>(rc::gen::inRange(0, int(std::size(KindNames))))),
        rc::gen::set(&Step::arg, rc::gen::inRange(0, 12)));
    QVERIFY(rc::check("every step of a walk matches the model", [&] {
        const qint64 seed = *rc::gen::inRange(0, 1'000'000);
        const std::vector<Step> steps = *rc::gen::container<std::vector<Step>>(30, step);
        RC_LOG() << "seed " << seed << ": " << describe(steps).toStdString() << '\n';
        RC_ASSERT(walks(steps, seed));
    }));
}

void TestWalk::walksThatFailedOnce_data()
{
    QTest::addColumn<qint64>("seed");
    QTest::addColumn<QString>("steps");
    // Walks that found a fault, each in its shortest form.
    QTest::newRow("a class chosen after a draw shows no name")
        << qint64(0) << u"startpause 0, tick 0, startpause 0, choose 1, ok 0"_s;
    QTest::newRow("a class that cannot be read leaves the chooser")
        << qint64(0) << u"edit 3, choose 3, startpause 0, tick 0, startpause 0, ok 0"_s;
    QTest::newRow("a change in but not flushed is recorded")
        << qint64(0) << u"startpause 0, tick 0, startpause 0, failflush 0, ok 0, undo 0"_s;
    QTest::newRow("a pass after a re-read goes to the student on screen")
        << qint64(0) << u"round 0, startpause 0, tick 0, startpause 0, edit 0, ok 0, pass 0"_s;
    QTest::newRow("a new term waits for the recording in flight")
        << qint64(0) << u"startpause 0, tick 0, startpause 0, okflight 0, newterm 0"_s;
    QTest::newRow("a duplicated name is one history entry")
        << qint64(0)
        << u"startpause 0, failflush 0, newterm 0, choose 0, pass 0, ok 0, ok 0, newround 0, "
           u"okflight 0, choose 0, pass 0, tick 0, pass 0, choose 1, newterm 0, tick 0, "
           u"newround 0, newterm 0, ok 0"_s;
    QTest::newRow("a restore comes after the recording in flight, or one refused")
        << qint64(0)
        << u"startpause 0, tick 0, startpause 0, okflight 0, restore 0, choose 1, "
           u"okflight 0, restore 1"_s;
    QTest::newRow("the second Pause of a warm call lands on the one announced")
        << qint64(0)
        << u"warmcall 0, several 1, startpause 0, tick 0, startpause 0, nextpick 0, ok 0, "
           u"startpause 0, tick 1, startpause 0, pass 0"_s;
    QTest::newRow("a new round of the warm call begins as its first student is announced")
        << qint64(0)
        << u"warmcall 0, choose 2, round 0, absent 0, newround 0, startpause 0, tick 0, "
           u"startpause 0"_s;
    QTest::newRow("a phone's tap that arrives after the board drew again acts on nobody")
        << qint64(0)
        << u"startpause 0, tick 0, startpause 0, phonelook 0, startpause 0, tick 1, "
           u"startpause 0, phoneok 1, phonelook 0, phoneok 2, phoneundo 0, ok 0, phoneundo 0"_s;
    QTest::newRow("a namesake's absences unsure, and everyone absent")
        << qint64(0)
        << u"choose 1, absent 0, absent 5, startpause 0, absent 2, absent 3, round 0, tick 0"_s;
    // One to replay by hand, step by step: MIRELLO_WALK="ok 0, …" MIRELLO_WALK_SEED=N.
    if (qEnvironmentVariableIsSet("MIRELLO_WALK")) {
        QTest::newRow("MIRELLO_WALK") << qEnvironmentVariable("MIRELLO_WALK_SEED").toLongLong()
                                      << qEnvironmentVariable("MIRELLO_WALK");
    }
}

void TestWalk::walksThatFailedOnce()
{
    QFETCH(qint64, seed);
    QFETCH(QString, steps);
    QVERIFY(walks(parse(steps), seed));
}

QTEST_MAIN(TestWalk)
#include "tst_walk.moc"
