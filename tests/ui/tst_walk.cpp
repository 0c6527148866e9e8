// The main window walked through random sequences of what a teacher does, checked
// after every step against a small model written from the class file's layout: a
// grade lands on the student on screen, in that student's class, and nowhere else,
// whatever the order of clicks, keys, class changes, outside edits and failing disks.

#include "platform/FileOperations.h"
#include "platform/TextCodec.h"
#include "roll/ClassState.h"
#include "roll/History.h"
#include "roll/RollFolder.h"
#include "ui/RecordingWorker.h"
#include "WindowUnderTest.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QSemaphore>
#include <rapidcheck.h>
#include <sstream>
#include <sys/stat.h>

using namespace mirello;

namespace {

enum class Kind
{
    Skip, // what a step shrinks to
    Choose,
    StartPause,
    Tick,
    Grade,
    Ok,
    OkInFlight, // OK, and the next step comes before the recording is done
    Undo,
    Pass,
    RoundMode,
    NewRound,
    EditElsewhere,
    NewTerm,
    FailRename,
    FailFlush,
};
constexpr const char* KindNames[] = {
    "skip", "choose", "startpause", "tick", "grade",   "ok",         "okflight", "undo",
    "pass", "round",  "newround",   "edit", "newterm", "failrename", "failflush"};

struct Step
{
    Kind kind = Kind::Skip;
    int arg = 0;
};

std::ostream& operator<<(std::ostream& out, const Step& step)
{
    return out << KindNames[int(step.kind)] << ' ' << step.arg;
}

// "choose 1, startpause 0, ..." as the regression rows keep them.
QString describe(const std::vector<Step>& steps)
{
    std::ostringstream out;
    for (const Step& step : steps) {
        if (step.kind != Kind::Skip)
            out << step << ", ";
    }
    return QString::fromStdString(out.str()).chopped(2);
}

std::vector<Step> parse(const QString& text)
{
    std::vector<Step> steps;
    for (const QString& part : text.split(u", "_s)) {
        const QStringList words = part.split(u' ');
        const auto* kind =
            std::find_if(std::begin(KindNames), std::end(KindNames),
                         [&](const char* n) { return words[0] == QLatin1StringView(n); });
        steps.push_back({Kind(kind - std::begin(KindNames)), words.value(1).toInt()});
    }
    return steps;
}

// The classes: two share 张伟 and 李娜, one holds 王芳 twice and ends without a line
// end, one has a heading, and 4班 comes and goes (missing, or a named pipe).
struct ClassText
{
    QString file;
    QStringList lines;
    TextEncoding encoding;
    QByteArray lineEnd;
    bool finalLineEnd;
};
const QList<ClassText> Classes{
    {u"1班.txt"_s,
     {u"S20230101张伟-03\\1101"_s, u"S20230102李娜-01\\0100"_s, u"S20230103王强-00\\0000"_s,
      u"S20230104赵敏-05\\2111"_s},
     TextEncoding::Utf8,
     "\r\n",
     true},
    {u"2班.txt"_s,
     {u"S20230201张伟-02\\1010"_s, u"S20230202王芳-01\\1000"_s, u"S20230203王芳-01\\1000"_s,
      u"S20230204李娜-04\\1210"_s},
     TextEncoding::Gbk,
     "\n",
     false},
    {u"3班.txt"_s,
     {u"高一(3)班 名单"_s, u"S20230301陈晨-00\\0000"_s, u"S20230302刘洋-02\\0110"_s},
     TextEncoding::Utf8,
     "\r\n",
     true},
    {u"4班.txt"_s,
     {u"S20230401周杰-01\\0001"_s, u"S20230402吴磊-00\\0000"_s},
     TextEncoding::Utf8,
     "\n",
     true},
};

QByteArray bytesOf(const ClassText& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.lines.size(); ++i) {
        bytes += encodeText(text.lines[i], text.encoding).value();
        if (i + 1 < text.lines.size() || text.finalLineEnd)
            bytes += text.lineEnd;
    }
    return bytes;
}

// The layout: lead 1-9, name 10..L-8, separator, two digits, "\", four digits.
QString nameOf(const QString& line)
{
    return line.size() >= 17 ? line.mid(9, line.size() - 17) : QString();
}
bool hasCounters(const QString& line)
{
    static const QRegularExpression counters(u"^\\d\\d\\\\\\d{4}$"_s);
    return line.size() >= 17 && counters.match(line.right(7)).hasMatch();
}

// A file step that the walk makes fail: the next rename onto a class file, or the
// flush of the roll folder after it.
struct WalkFiles final : FileOperations
{
#define FORWARD(Type, step, params, args)                                                          \
    Result<Type> step params override                                                              \
    {                                                                                              \
        return m_real.step args;                                                                   \
    }
    FORWARD(std::optional<FileStatus>, status, (const QString& p), (p))
    FORWARD(QString, resolvePath, (const QString& p), (p))
    FORWARD(bool, mayWrite, (const QString& p), (p))
    FORWARD(Handle, openForReading, (const QString& p), (p))
    FORWARD(QByteArray, readAll, (Handle h), (h))
    FORWARD(Handle, createNew, (const QString& p), (p))
    FORWARD(void, setOwner, (Handle h, quint32 owner, quint32 group), (h, owner, group))
    FORWARD(void, setPermissions, (Handle h, quint32 bits), (h, bits))
    FORWARD(void, sync, (Handle h), (h))
    FORWARD(void, remove, (const QString& p), (p))
    FORWARD(Handle, openForAppending, (const QString& p), (p))
    FORWARD(void, createFolder, (const QString& p), (p))
    FORWARD(qsizetype, write, (Handle h, QByteArrayView bytes), (h, bytes))
    FORWARD(void, close, (Handle h), (h))
#undef FORWARD
    Result<void> rename(const QString& from, const QString& to) override
    {
        const bool classFile = to.startsWith(rollFolder + u'/') && !to.contains(u"/.mirello");
        if (classFile && hold.exchange(false))
            gate.tryAcquire(1, 10'000);
        if (classFile && failRename.exchange(false))
            return Error{u"injected"_s, u"No space left on device"_s};
        Result<void> renamed = m_real.rename(from, to);
        if (classFile && renamed && failFlush.exchange(false))
            failNextFlush = true;
        return renamed;
    }
    Result<void> syncFolder(const QString& p) override
    {
        if (failNextFlush.exchange(false))
            return Error{u"injected"_s, u"Input/output error"_s};
        return m_real.syncFolder(p);
    }

    // Holds the next change of a class file half-way, until the walk lets it go.
    void holdNext()
    {
        gate.tryAcquire(gate.available());
        hold = true;
    }
    void letGo()
    {
        hold = false;
        gate.release();
    }

    QString rollFolder;
    std::atomic<bool> hold = false;
    QSemaphore gate;
    std::atomic<bool> failRename = false;
    std::atomic<bool> failFlush = false;
    std::atomic<bool> failNextFlush = false;

private:
    FileOperations& m_real = systemFileOperations();
};

struct Undoable
{
    int klass;
    QStringList before;
    QStringList after;
    bool writtenBefore; // an undo puts back the line ends as they were
    bool replaced = false;
};

// What a teacher expects, from the layout and the rules of the window alone.
struct Model
{
    struct Class
    {
        QStringList lines; // on disk
        bool onDisk = true;
        bool pipe = false;
        bool written = false;       // every line ends with CR LF once the program wrote it
        QHash<QString, int> called; // this round, per name
        // Names of which it is unknown which copy a stop or a pass reached.
        QSet<QString> unsure;
    };
    QList<Class> classes;
    int loaded = -1;
    QStringList view; // the loaded class as the window last read it
    QString shown;
    bool drawing = false;
    bool ticked = false;
    bool passable = false;
    bool round = false;
    // Whether the last tick drew in a round: only then is the student stopped on
    // surely one not called yet.
    bool tickedInRound = false;
    bool lineUnsure = false; // the name on screen may stand on a line without it
    bool failRename = false;
    bool failFlush = false;
    int grade = 0;
    int reports = 0;
    std::vector<Undoable> journal;
    QMap<HistoryAction, int> history;

    // The names a tick may show: every student, or in a round those not yet called.
    QStringList drawable() const
    {
        QHash<QString, int> left;
        for (const QString& line : view) {
            if (!nameOf(line).isEmpty())
                ++left[nameOf(line)];
        }
        QStringList names;
        const Class& c = classes[loaded];
        for (auto it = left.cbegin(); it != left.cend(); ++it) {
            if (!round || !c.unsure.isEmpty() || c.called.value(it.key()) < it.value())
                names.append(it.key());
        }
        return names;
    }
    int copies(const QString& name) const
    {
        return int(std::count_if(view.cbegin(), view.cend(),
                                 [&](const QString& line) { return nameOf(line) == name; }));
    }
    // A class file now holds `after`: the window takes the changed lines when it
    // holds them as they were, else reads the whole file again.
    void changed(int klass, const QStringList& before, const QStringList& after)
    {
        classes[klass].lines = after;
        classes[klass].written = true;
        if (klass != loaded)
            return;
        bool inPlace = view.size() >= std::min(before.size(), after.size());
        for (qsizetype i = 0; inPlace && i < std::min(before.size(), after.size()); ++i)
            inPlace = before[i] == after[i] || view[i] == before[i];
        for (qsizetype i = 0; inPlace && i < std::min(before.size(), after.size()); ++i)
            view[i] = after[i];
        if (!inPlace)
            view = after;
    }
};

QString raised(const QString& line, int grade)
{
    QString counters = line.right(7);
    const int count = counters.left(2).toInt() + 1;
    counters.replace(0, 2, u"%1"_s.arg(count, 2, 10, QChar(u'0')));
    counters[3 + grade] = QChar(counters[3 + grade].unicode() + 1);
    return line.chopped(7) + counters;
}

class Walk
{
public:
    explicit Walk(qint64 seed)
        : m_window(m_folder, m_files)
        , m_seed(seed)
    {
        m_files.rollFolder = m_folder.rollFolder();
        for (int i = 0; i < Classes.size(); ++i)
            m_model.classes.append({Classes[i].lines, true, false, false, {}, {}});
        m_model.loaded = 0;
        m_model.view = Classes[0].lines;
        // The draw's timer never fires by itself: the walk ticks it.
        m_window.get<QTimer>(u"TimerName"_s)->setInterval(3'600'000);
        m_recorder = m_window.window.findChild<RecordingWorker*>();
    }

    // Carries out one step on the window and on the model, then compares them.
    void take(const Step& step);
    QString failure;

private:
    void choose(int index);
    void startPause();
    void tick();
    void record();
    void undo();
    void pass();
    void editElsewhere(int klass);
    void newTerm();
    void trigger(const QString& text);
    // A key to the main window, active again after a dialog.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QApplication::setActiveWindow(&m_window.window);
        QTest::keyClick(&m_window.window, key, modifiers);
    }
    void check();
    void expect(bool holds, const QString& what)
    {
        if (!holds && failure.isEmpty())
            failure = what;
    }
    void writeClass(int klass);
    QString classPath(int klass) const
    {
        return m_folder.rollFolder() + u'/' + Classes[klass].file;
    }

    TestProgramFolder m_folder{[] {
        QMap<QString, QByteArray> classes;
        for (const ClassText& text : Classes)
            classes.insert(text.file, bytesOf(text));
        return classes;
    }()};
    WalkFiles m_files;
    WindowUnderTest m_window;
    RecordingWorker* m_recorder = nullptr;
    Model m_model;
    bool m_holding = false;
    qint64 m_seed;
};

void Walk::take(const Step& step)
{
    Model& m = m_model;
    // A recording held half-way goes on once the next step has come, or before the
    // walk waits for the queue.
    const bool held = std::exchange(m_holding, false);
    const auto letGo = [&] {
        if (held)
            m_files.letGo();
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
        // Each tick's draw depends on its own step only, so that a walk shrinks well.
        for (int i = 0; i <= step.arg % 3; ++i) {
            m_window.clock.now = (m_seed * 64 + step.arg * 4 + i) * 1'000'000'007;
            tick();
        }
        break;
    case Kind::Grade:
        m.grade = step.arg % 4;
        key(Qt::Key(Qt::Key_1 + m.grade));
        break;
    case Kind::Ok:
        record();
        break;
    case Kind::OkInFlight:
        letGo();
        m_recorder->finish();
        m_files.holdNext();
        record();
        m_holding = true;
        break;
    case Kind::Undo:
        undo();
        break;
    case Kind::Pass:
        pass();
        break;
    case Kind::RoundMode:
        trigger(u"本轮不重复"_s);
        m.round = !m.round;
        break;
    case Kind::NewRound:
        trigger(u"重新开始一轮"_s);
        if (m.loaded >= 0) {
            m.classes[m.loaded].called.clear();
            m.classes[m.loaded].unsure.clear();
        }
        break;
    case Kind::EditElsewhere:
        // Another program's edit comes after the recordings asked for.
        letGo();
        m_recorder->finish();
        editElsewhere(step.arg % Classes.size());
        break;
    case Kind::NewTerm:
        newTerm();
        break;
    case Kind::FailRename:
        letGo();
        m_recorder->finish();
        m_files.failRename = m.failRename = true;
        break;
    case Kind::FailFlush:
        letGo();
        m_recorder->finish();
        m_files.failFlush = m.failFlush = true;
        break;
    }
    if (m_holding)
        return;
    letGo();
    m_recorder->finish();
    QCoreApplication::processEvents();
    check();
}

// 4班 is missing or a named pipe half of the time: choosing it then fails, and the
// chooser goes back to the class loaded.
void Walk::choose(int index)
{
    Model& m = m_model;
    auto* chooser = m_window.get<QComboBox>(u"ComboFileChange"_s);
    chooser->setCurrentIndex(index);
    Q_EMIT chooser->activated(index);
    m.shown.clear();
    m.lineUnsure = false;
    m.ticked = m.passable = false;
    const Model::Class& chosen = m.classes[index];
    if (!chosen.onDisk || chosen.pipe) {
        ++m.reports;
        return;
    }
    m.loaded = index;
    m.view = chosen.lines;
}

void Walk::startPause()
{
    Model& m = m_model;
    key(Qt::Key_Space);
    m.drawing = !m.drawing;
    if (m.drawing) {
        m.ticked = m.passable = false;
        if (m.round && m.loaded >= 0 && m.classes[m.loaded].unsure.isEmpty() &&
            m.drawable().isEmpty()) {
            m.classes[m.loaded].called.clear();
            m.classes[m.loaded].unsure.clear();
        }
        return;
    }
    if (!m.ticked)
        return;
    m.passable = true;
    Model::Class& c = m.classes[m.loaded];
    if (!m.round || c.called[m.shown] == m.copies(m.shown))
        return;
    if (m.lineUnsure || (!m.tickedInRound && c.called[m.shown] > 0))
        c.unsure.insert(m.shown);
    ++c.called[m.shown];
}

void Walk::tick()
{
    Model& m = m_model;
    if (!m.drawing)
        return;
    const QStringList drawable = m.loaded >= 0 ? m.drawable() : QStringList();
    QMetaObject::invokeMethod(m_window.get<QTimer>(u"TimerName"_s), "timeout");
    const QString name = m_window.text(u"LblName"_s);
    const bool unsure = m.loaded >= 0 && !m.classes[m.loaded].unsure.isEmpty();
    if (unsure && name == m.shown)
        return;
    if (drawable.isEmpty())
        return expect(name == m.shown, u"a tick with nobody to draw changed the name"_s);
    // The plain draw may land on a line without a name (a heading), which leaves
    // the name on screen.
    const bool sameName = !m.round && name == m.shown;
    expect(sameName || drawable.contains(name), u"drew %1, who may not be drawn now"_s.arg(name));
    m.lineUnsure = sameName;
    m.shown = name;
    m.ticked = true;
    m.tickedInRound = m.round;
}

// Recorded for every line of the loaded class with the name on screen.
void Walk::record()
{
    Model& m = m_model;
    key(Qt::Key_Return);
    Model::Class* target = m.loaded >= 0 ? &m.classes[m.loaded] : nullptr;
    QStringList after = target ? target->lines : QStringList();
    bool found = false;
    bool full = false;
    for (QString& line : after) {
        if (!m.shown.isEmpty() && nameOf(line) == m.shown) {
            full = full || line.right(7).startsWith(u"99"_s) || line.right(4)[m.grade] == u'9';
            line = raised(line, m.grade);
            found = true;
        }
    }
    if (!found || full || !target->onDisk || target->pipe || std::exchange(m.failRename, false)) {
        ++m.reports;
        return;
    }
    if (std::exchange(m.failFlush, false))
        ++m.reports; // recorded, with a warning
    m.journal.push_back({m.loaded, target->lines, after, target->written});
    ++m.history[HistoryAction::Recording];
    m.changed(m.loaded, target->lines, after);
}

// An undo puts back only a file that still holds what the recording left.
void Walk::undo()
{
    Model& m = m_model;
    key(Qt::Key_Z, Qt::ControlModifier);
    if (m.journal.empty())
        return;
    const Undoable last = m.journal.back();
    const Model::Class& klass = m.classes[last.klass];
    ++m.reports; // unless it works
    if (last.replaced)
        return m.journal.pop_back();
    if (!klass.onDisk || klass.pipe)
        return; // may be tried again
    if (klass.lines != last.after)
        return m.journal.pop_back();
    if (std::exchange(m.failRename, false))
        return;
    m.journal.pop_back();
    m.reports -= !std::exchange(m.failFlush, false);
    ++m.history[HistoryAction::Undo];
    m.changed(last.klass, last.after, last.before);
    m.classes[last.klass].written = last.writtenBefore;
}

void Walk::pass()
{
    Model& m = m_model;
    key(Qt::Key_P);
    if (m.drawing || !m.passable)
        return;
    m.passable = false;
    Model::Class& c = m.classes[m.loaded];
    if (c.called[m.shown] == 0)
        return;
    if (m.lineUnsure || (!(m.round && m.tickedInRound) && c.called[m.shown] < m.copies(m.shown)))
        c.unsure.insert(m.shown);
    --c.called[m.shown];
}

// Another program edits a class: the last line moves to the top, or 4班 goes missing,
// turns into a named pipe, and comes back as it was.
void Walk::editElsewhere(int klass)
{
    Model::Class& c = m_model.classes[klass];
    if (klass == 3) {
        QFile::remove(classPath(klass));
        if (c.onDisk && !c.pipe) {
            c.onDisk = false;
        } else if (!c.onDisk) {
            c.onDisk = c.pipe = ::mkfifo(qPrintable(classPath(klass)), 0644) == 0;
        } else {
            c.pipe = false;
            writeClass(klass);
        }
        return;
    }
    if (!c.lines.isEmpty())
        c.lines.prepend(c.lines.takeLast());
    writeClass(klass);
}

void Walk::writeClass(int klass)
{
    ClassText text = Classes[klass];
    text.lines = m_model.classes[klass].lines;
    if (m_model.classes[klass].written) {
        text.lineEnd = "\r\n";
        text.finalLineEnd = true;
    }
    QFile file(classPath(klass));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytesOf(text)) >= 0);
}

// New term for the loaded class only: every line with counters starts afresh.
void Walk::newTerm()
{
    Model& m = m_model;
    if (m.loaded < 0)
        return;
    auto* poll = new QTimer(&m_window.window);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons()) {
            if (button->text().startsWith(u"只清零"_s))
                button->click();
        }
        poll->stop();
    });
    poll->start(5);
    trigger(u"新学期…"_s);
    delete poll;
    Model::Class& c = m.classes[m.loaded];
    if (!c.onDisk || c.pipe || std::exchange(m.failRename, false)) {
        ++m.reports;
        return;
    }
    if (std::exchange(m.failFlush, false))
        ++m.reports;
    QStringList after = c.lines;
    for (QString& line : after) {
        if (hasCounters(line))
            line = line.chopped(7) + u"00\\0000"_s;
    }
    for (Undoable& recording : m.journal)
        recording.replaced = recording.replaced || recording.klass == m.loaded;
    ++m.history[HistoryAction::NewTerm];
    m.classes[m.loaded].lines = after;
    m.classes[m.loaded].written = true;
    m.view = after;
}

void Walk::trigger(const QString& text)
{
    for (QAction* action : m_window.window.findChildren<QAction*>()) {
        if (action->text() == text)
            return action->trigger();
    }
    QFAIL(qPrintable(text));
}

void Walk::check()
{
    const Model& m = m_model;
    for (int i = 0; i < Classes.size(); ++i) {
        const Model::Class& c = m.classes[i];
        if (!c.onDisk || c.pipe)
            continue;
        ClassText text = Classes[i];
        text.lines = c.lines;
        if (c.written) {
            text.lineEnd = "\r\n";
            text.finalLineEnd = true;
        }
        expect(m_folder.classBytes(text.file) == bytesOf(text),
               text.file + u" holds other bytes than expected"_s);
    }
    const auto* chooser = m_window.get<QComboBox>(u"ComboFileChange"_s);
    expect(chooser->currentText() == (m.loaded >= 0 ? Classes[m.loaded].file : QString()),
           u"the chooser shows "_s + chooser->currentText());
    expect(m_window.text(u"LblName"_s) == m.shown,
           u"the name on screen is %1, not %2"_s.arg(m_window.text(u"LblName"_s), m.shown));
    QStringList counts;
    for (const QString& line : m.view) {
        if ((m.lineUnsure && line.size() >= 7) || (!m.shown.isEmpty() && nameOf(line) == m.shown))
            counts.append(u"已被点到过"_s + line.right(7).left(2) + u"次"_s);
    }
    const QString count = m_window.text(u"LblAnsCount"_s);
    expect(count.isEmpty() ? m.shown.isEmpty() || m.lineUnsure : counts.contains(count),
           u"the count on screen is %1"_s.arg(count));
    expect(m_window.reporter.errors.size() == m.reports,
           u"%1 messages, %2 expected: %3"_s.arg(m_window.reporter.errors.size())
               .arg(m.reports)
               .arg(m_window.reporter.errors.isEmpty() ? QString()
                                                       : m_window.reporter.errors.last().message));
    QMap<HistoryAction, int> history;
    const Result<QList<HistoryEntry>> entries = readHistory(RollFolder::at(m_folder.rollFolder()));
    for (const HistoryEntry& entry : entries.value())
        ++history[entry.action];
    expect(history == m.history, u"the history holds other entries"_s);
    if (m.loaded < 0)
        return;
    // The round as kept for the next run: who is called, per name.
    QFile stateFile(m_folder.rollFolder() + u"/.mirello/"_s + Classes[m.loaded].file +
                    u".state.json"_s);
    QHash<QString, int> called;
    if (stateFile.open(QIODevice::ReadOnly)) {
        const Result<ClassState> state = classStateFromJson(stateFile.readAll());
        for (auto it = state.value().students.cbegin(); it != state.value().students.cend(); ++it)
            called[it.key().head.mid(9).chopped(1)] += it.value().calledThisRound;
    }
    const Model::Class& c = m.classes[m.loaded];
    for (auto it = c.called.cbegin(); it != c.called.cend() && c.unsure.isEmpty(); ++it)
        expect(called.value(it.key()) == it.value(), u"the round's calls of "_s + it.key());
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
    const std::string params = "max_success=" + std::to_string(sequences > 0 ? sequences : 300) +
                               " max_size=30 " + qEnvironmentVariable("RC_PARAMS").toStdString();
    qputenv("RC_PARAMS", QByteArray::fromStdString(params));
    const auto step = rc::gen::build<Step>(
        rc::gen::set(&Step::kind,
                     rc::gen::element(Kind::Skip, Kind::Choose, Kind::StartPause, Kind::Tick,
                                      Kind::Grade, Kind::Ok, Kind::OkInFlight, Kind::Undo,
                                      Kind::Pass, Kind::RoundMode, Kind::NewRound,
                                      Kind::EditElsewhere, Kind::NewTerm, Kind::FailRename,
                                      Kind::FailFlush)),
        rc::gen::set(&Step::arg, rc::gen::inRange(0, 12)));
    const bool held = rc::check("every step of a walk matches the model", [&] {
        const qint64 seed = *rc::gen::inRange(0, 1'000'000);
        const std::vector<Step> steps = *rc::gen::container<std::vector<Step>>(30, step);
        RC_LOG() << "seed " << seed << ": " << describe(steps).toStdString() << '\n';
        RC_ASSERT(walks(steps, seed));
    });
    QVERIFY(held);
}

void TestWalk::walksThatFailedOnce_data()
{
    QTest::addColumn<qint64>("seed");
    QTest::addColumn<QString>("steps");
    // Walks that once found a fault, shrunk.
    QTest::newRow("a duplicated name is one history entry")
        << qint64(0)
        << u"startpause 0, failflush 0, newterm 0, choose 0, pass 0, ok 0, ok 0, newround 0, okflight 0, choose 0, pass 0, tick 0, pass 0, choose 1, newterm 0, tick 0, newround 0, newterm 0, ok 0"_s;
    // A walk to replay by hand, step by step: MIRELLO_WALK="ok 0, ..." MIRELLO_WALK_SEED=N.
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
