#pragma once

#include "lesson/Lesson.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "remote/CommandLine.h"
#include "support/RollFixture.h"
#include "ui/main/FrmMain.h"
#include "ui/main/PanelStatusBar.h"
#include "ui/speech/Speaker.h"
#include "ui/widgets/ErrorReporter.h"

#include <cstdio>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace recordingtest;

// A program folder in a temporary directory: Icons/ with the program's own faces and
// frames, and checkroll/ with the given classes (file name to content).
struct TestProgramFolder
{
    explicit TestProgramFolder(const QMap<QString, QByteArray>& classes = {})
    {
        const QDir icons(QString::fromUtf8(MIRELLO_ASSETS_DIR "/Icons"));
        QVERIFY(QDir(path()).mkdir(u"Icons"_s) && QDir(path()).mkdir(u"checkroll"_s));
        for (const QString& name : icons.entryList(QDir::Files))
            QVERIFY(QFile::copy(icons.filePath(name), iconPath(name)));
        for (auto it = classes.begin(); it != classes.end(); ++it)
            QVERIFY(writeBytes(rollFolder() + u'/' + it.key(), it.value()));
    }
    QString path() const { return dir.path(); }
    QString rollFolder() const { return dir.filePath(u"checkroll"_s); }
    QString iconPath(const QString& fileName) const { return dir.filePath(u"Icons/"_s + fileName); }
    QByteArray classBytes(const QString& fileName) const
    {
        return readBytes(rollFolder() + u'/' + fileName);
    }

    QTemporaryDir dir;
};

// Keeps every report instead of showing it, so that no test waits on a message box.
struct RecordingReporter final : mirello::ErrorReporter
{
    void report(QWidget*, const mirello::Error& error) override
    {
        errors.append(error);
        // A child process that ends in the report says it where its parent reads it.
        if (qEnvironmentVariableIsSet("MIRELLO_REPORT_TO_STDERR"))
            std::fprintf(stderr, "%s\n", error.message.toUtf8().constData());
    }
    QList<mirello::Error> errors;
};

// Keeps what it was asked to say instead of speaking; fails to get ready with
// `failure` when one is set, as a system without a speech engine does.
struct SilentSpeaker final : mirello::Speaker
{
    explicit SilentSpeaker(std::optional<mirello::Error> failure = {})
        : failure(std::move(failure))
    {
    }
    void prepare(Ready ready) override
    {
        ready(failure ? mirello::Result<void>(*failure) : mirello::Result<void>());
    }
    void say(const QString& text) override { said.append(text); }
    void stop() override {}
    QStringList said;
    std::optional<mirello::Error> failure;
};

// Moves on by one draw interval each time it is read, so every run draws alike.
struct SteppedClock final : mirello::Clock
{
    qint64 nanosecondsSinceEpoch() const override { return now += 50'000'000; }
    // Moves with the steps, and is read without one, so the countdown follows the draw.
    qint64 steadyNanoseconds() const override { return now; }
    mutable qint64 now = 1'700'000'000'000'000'000;
};

// The first window of that kind on screen.
template <typename Window>
Window* visible()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<Window*>(window); found && found->isVisible())
            return found;
    }
    return nullptr;
}

// Tests take no keys from the desktop they run on; the board test takes them for real.
inline const mirello::Error NoGlobalKeys{u"测试中不取系统按键"_s, QString()};

// The main window on a program folder, shown with the pointer outside it, with a
// stepped clock and its reports kept. Controls are found by their names.
struct WindowUnderTest
{
    // `speechFailure`: why the speaker cannot get ready, from the start.
    explicit WindowUnderTest(const TestProgramFolder& programFolder,
                             mirello::FileOperations& files = mirello::systemFileOperations(),
                             std::optional<mirello::Error> speechFailure = {})
        : folder(programFolder)
        , speaker(std::move(speechFailure))
        , window(programFolder.path(), programFolder.rollFolder(), clock, reporter, speaker, files,
                 [] { return mirello::GlobalKeysOrWhyNot(NoGlobalKeys); })
    {
        // In board mode the lesson starts behind the floating button.
        window.showAtStart();
        QVERIFY(!window.isVisible() || QTest::qWaitForWindowExposed(&window));
        QCursor::setPos(window.mapToGlobal(QPoint(-40, -40)));
    }

    template <typename T = QWidget>
    T* get(const QString& name) const
    {
        return window.findChild<T*>(name);
    }
    QString text(const QString& labelName) const { return get<QLabel>(labelName)->text(); }
    QString panelText() const { return get<mirello::PanelStatusBar>(u"StatusBar1"_s)->panelText(); }
    bool drawing() const { return get<QTimer>(u"TimerName"_s)->isActive(); }
    bool searchVisible() const { return get(u"PicSearch"_s)->isVisible(); }
    bool shows(const QString& picture, const QString& iconFile) const
    {
        const QImage expected(folder.iconPath(iconFile));
        return mirello::pixmapOf(get<QLabel>(picture)).toImage() ==
               QPixmap::fromImage(expected).toImage();
    }
    // Exactly one report so far, and it names `part`.
    bool reportedOnce(const QString& part) const
    {
        return reporter.errors.size() == 1 && reporter.errors[0].message.contains(part);
    }

    // Moves the pointer over bare surface, never to the point it is on already.
    void moveOverSurface()
    {
        QTest::mouseMove(&window, QPoint(10, 120 + 10 * (surfaceMoves++ % 2)));
    }
    void click(const QString& control) const { QTest::mouseClick(get(control), Qt::LeftButton); }
    // Moves over Start/Pause (to `at` within it) and clicks it.
    void startPause(QPoint at = QPoint(10, 10))
    {
        QTest::mouseMove(get(u"PicSP"_s), at);
        click(u"PicSP"_s);
    }

    const TestProgramFolder& folder;
    SteppedClock clock;
    RecordingReporter reporter;
    SilentSpeaker speaker;
    mirello::FrmMain window;
    int surfaceMoves = 0;
};
