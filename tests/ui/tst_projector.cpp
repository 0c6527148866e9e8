// The windows at the board: the projector window, where a long name fits its width at
// several window sizes (the suite runs this at scale factors 1, 1.5 and 2) and which
// follows the draw, the feature menu and the floating button, by finger, and the
// lesson's countdown on both beside the draw.

#include "lesson/Settings.h"
#include "platform/FileOperations.h"
#include "ui/main/MainWindowFeatures.h"
#include "ui/widgets/FittedText.h"
#include "ui/windows/FloatingButton.h"
#include "ui/windows/NameFlash.h"
#include "ui/windows/ProjectorWindow.h"
#include "WindowUnderTest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtMath>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

ProjectorWindow* openProjector()
{
    return visible<ProjectorWindow>();
}

QPointingDevice* touchScreen()
{
    static QPointingDevice* const device = QTest::createTouchDevice();
    return device;
}

void tap(QWidget* widget, QPoint at)
{
    QTest::touchEvent(widget, touchScreen()).press(0, at, widget);
    QTest::touchEvent(widget, touchScreen()).release(0, at, widget);
}

QString shown(const ProjectorWindow* projector, const QString& line)
{
    return projector->findChild<FittedText*>(line)->text();
}

} // namespace

class TestProjector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void longNameFitsItsWidth_data();
    void longNameFitsItsWidth();
    void followsTheDrawAndActsAsSpace();
    void theMenuWorksByFinger();
    void floatingButtonStaysWhollyOnAScreen_data();
    void floatingButtonStaysWhollyOnAScreen();
    void floatingButtonLeavesTheNamesClear_data();
    void floatingButtonLeavesTheNamesClear();
    void floatingButtonDrawsAndRecordsByFinger();
    void countdownRunsBesideTheDraw();
    void severalAtOnceArePickedByFinger();
    void groupsAreShownAndKept();
    void aRestartBringsBackTheBoardWindows();
    void onlyADrawAskedFromAfarShowsTheNameAboveAll();
};

void TestProjector::longNameFitsItsWidth_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small window") << QSize(400, 250);
    QTest::newRow("laptop screen") << QSize(1024, 640);
    QTest::newRow("projector") << QSize(1600, 900);
}

// The name's ink lies inside its area and fills most of its width, whatever the
// scale factor: too large it would be cut off, too small unreadable from the back.
void TestProjector::longNameFitsItsWidth()
{
    QFETCH(QSize, size);
    QTemporaryDir rollFolder;
    Settings settings(RollFolder::at(rollFolder.path()));
    ProjectorWindow projector(settings);
    projector.resize(size);
    projector.show();
    QVERIFY(QTest::qWaitForWindowExposed(&projector));
    projector.showTexts(u"买买提·阿不都热合曼"_s, u"已被点到过12次"_s,
                        u"优秀1次|良好2次|及格0次|不及格3次"_s);

    const QImage image = projector.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const auto* name = projector.findChild<FittedText*>(u"ProjectorName"_s);
    const QRect area = QTransform::fromScale(ratio, ratio)
                           .mapRect(QRectF(name->mapTo(&projector, QPoint()), name->size()))
                           .toRect();
    int left = area.right();
    int right = area.left();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    QVERIFY(left > area.left() && right < area.right());
    QVERIFY(right - left > area.width() * 3 / 4);
}

void TestProjector::followsTheDrawAndActsAsSpace()
{
    const TestProgramFolder folder(
        {{u"1班.txt"_s, gbk(u"S20230101王小明-03\\1201\r\nS20230102李四-11\\2301\r\n"_s)}});
    WindowUnderTest w(folder);
    QTest::keyClick(&w.window, Qt::Key_F11);
    ProjectorWindow* projector = openProjector();
    QVERIFY(projector);
    QVERIFY(QTest::qWaitForWindowExposed(projector));

    QTest::mouseClick(projector, Qt::LeftButton);
    QVERIFY(w.drawing());
    QTRY_VERIFY(shown(projector, u"ProjectorName"_s) == u"李四"_s);
    QTRY_VERIFY(shown(projector, u"ProjectorName"_s) == u"王小明"_s);
    QTest::keyClick(projector, Qt::Key_Space);
    QVERIFY(!w.drawing());
    // The name only, unless the teacher asks for the grades.
    QCOMPARE(shown(projector, u"ProjectorName"_s), w.text(u"LblName"_s));
    QCOMPARE(shown(projector, u"ProjectorCallCount"_s) + shown(projector, u"ProjectorTallies"_s),
             QString());
    w.window.findChild<QAction*>(u"投影显示成绩"_s)->trigger();
    QCOMPARE(shown(projector, u"ProjectorCallCount"_s), w.text(u"LblAnsCount"_s));
    QCOMPARE(shown(projector, u"ProjectorTallies"_s), w.panelText().replace(u'|', u"　　"_s));

    // A tap is a click; Esc leaves full screen first, then closes, and nothing else.
    tap(projector, QPoint(40, 40));
    QVERIFY(w.drawing());
    QTest::keyClick(projector, Qt::Key_F11);
    QTRY_VERIFY(projector->isFullScreen());
    QTest::keyClick(projector, Qt::Key_Escape);
    QVERIFY(!projector->isFullScreen() && projector->isVisible());
    QTest::keyClick(projector, Qt::Key_Escape);
    QTRY_VERIFY(!openProjector());
    QVERIFY(w.window.isVisible() && w.drawing());
}

// On a touch screen the menu's entries are at least about 9 mm high and a tap chooses
// one; a key that differs between windows says where it works.
void TestProjector::theMenuWorksByFinger()
{
    touchScreen(); // the system has one from now on
    const TestProgramFolder folder;
    WindowUnderTest w(folder);
    QWidget* name = w.get(u"LblName"_s);
    QContextMenuEvent press(QContextMenuEvent::Mouse, QPoint(2, 2),
                            name->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(name, &press);
    QMenu* menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
    const int finger = qCeil(9 / 25.4 * menu->screen()->logicalDotsPerInchY());
    QAction* startPause = nullptr;
    for (QAction* action : menu->actions()) {
        QVERIFY(action->isSeparator() || menu->actionGeometry(action).height() >= finger);
        if (action->text().contains(u"F11"))
            QVERIFY(action->text().endsWith(u"窗口）"));
        if (action->text().startsWith(u"开始/暂停"))
            startPause = action;
    }
    // The first entry: a long menu scrolls on a small screen at a large scale.
    tap(menu, menu->actionGeometry(startPause).center());
    QTRY_VERIFY(w.drawing());
}

void TestProjector::floatingButtonStaysWhollyOnAScreen_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QPoint>("kept");
    // Two screens side by side, the second lower and with a task bar along its bottom.
    QTest::newRow("inside") << QRect(100, 100, 200, 50) << QPoint(100, 100);
    QTest::newRow("past the right edge") << QRect(1900, 20, 200, 50) << QPoint(1720, 20);
    QTest::newRow("mostly on the second") << QRect(1880, 500, 200, 50) << QPoint(1920, 500);
    QTest::newRow("onto its task bar") << QRect(2000, 1200, 200, 50) << QPoint(2000, 1150);
    QTest::newRow("off every screen") << QRect(-500, -400, 200, 50) << QPoint(0, 0);
    QTest::newRow("larger than the screen") << QRect(50, 50, 2500, 50) << QPoint(0, 50);
}

void TestProjector::floatingButtonStaysWhollyOnAScreen()
{
    QFETCH(QRect, wanted);
    QFETCH(QPoint, kept);
    QCOMPARE(keptOnScreen(wanted, {QRect(0, 0, 1920, 1080), QRect(1920, 100, 1280, 1100)}), kept);
}

void TestProjector::floatingButtonLeavesTheNamesClear_data()
{
    QTest::addColumn<QRect>("button");
    QTest::addColumn<QRegion>("names");
    QTest::addColumn<QPoint>("placed");
    const QRect name(400, 100, 1100, 400);
    const QRegion threeLines =
        QRegion(500, 200, 900, 150) + QRect(500, 400, 900, 150) + QRect(500, 600, 900, 460);
    QTest::newRow("clear already")
        << QRect(1600, 1000, 280, 48) << QRegion(name) << QPoint(1600, 1000);
    QTest::newRow("on the name: just below it")
        << QRect(900, 300, 280, 48) << QRegion(name) << QPoint(900, 500);
    QTest::newRow("on the last line: beside it")
        << QRect(1200, 1000, 280, 48) << threeLines << QPoint(1400, 1000);
    QTest::newRow("nowhere clear: where it is")
        << QRect(900, 300, 280, 48) << QRegion(0, 0, 1920, 1080) << QPoint(900, 300);
}

void TestProjector::floatingButtonLeavesTheNamesClear()
{
    QFETCH(QRect, button);
    QFETCH(QRegion, names);
    QFETCH(QPoint, placed);
    QCOMPARE(clearOf(button, names, QRect(0, 0, 1920, 1080)), placed);
}

// It takes no focus from the window that has it: the main window here, the slides at
// the board. Closing the main window asks whether to keep it, then only hides.
void TestProjector::floatingButtonDrawsAndRecordsByFinger()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(u"S20230101王小明-03\\1201\r\n"_s)}});
    WindowUnderTest w(folder);
    QTest::keyClick(&w.window, Qt::Key_F12);
    FloatingButton* floating = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        floating = floating ? floating : qobject_cast<FloatingButton*>(window);
    QVERIFY(floating && QTest::qWaitForWindowExposed(floating));
    QApplication::setActiveWindow(&w.window); // the offscreen system activates every new window
    const auto tapOn = [&](const QString& nameOrText) {
        QPushButton* button = floating->findChild<QPushButton*>(nameOrText);
        for (QPushButton* labelled : floating->findChildren<QPushButton*>())
            button = button ? button : (labelled->text() == nameOrText ? labelled : nullptr);
        tap(button, button->rect().center());
    };
    const auto floatingName = [&] {
        return floating->findChild<FittedText*>(u"FloatingName"_s)->text();
    };
    tapOn(u"FloatingStartPause"_s);
    QVERIFY(w.drawing());
    QTRY_COMPARE(w.text(u"LblName"_s), u"王小明"_s);
    tapOn(u"FloatingStartPause"_s);
    QVERIFY(!w.drawing());
    QCOMPARE(floating->findChild<FittedText*>(u"FloatingName"_s)->text(), u"王小明"_s);
    tapOn(u"FloatingExpand"_s);
    tap(floating->findChild<QWidget*>(u"FloatingOk"_s)
            ->parentWidget()
            ->findChildren<QPushButton*>()[1],
        QPoint(5, 5));
    QCOMPARE(w.get<QComboBox>(u"ComboResult"_s)->currentText(), u"良好"_s);
    tapOn(u"FloatingOk"_s);
    QTRY_COMPARE(folder.classBytes(u"1班.txt"_s), gbk(u"S20230101王小明-04\\1301\r\n"_s));
    // The class reads who was recorded, not how.
    QTRY_COMPARE(floatingName(), u"✓ 已记录：王小明"_s);
    tapOn(u"撤销"_s);
    QTRY_COMPARE(folder.classBytes(u"1班.txt"_s), gbk(u"S20230101王小明-03\\1201\r\n"_s));
    QTRY_COMPARE(floatingName(), u"✓ 已撤销：王小明"_s);
    tapOn(u"缺席"_s);
    QVERIFY(w.window.lesson().view().absent);
    tapOn(u"取消缺席"_s);
    QVERIFY(!w.window.lesson().view().absent);
    QCOMPARE(QApplication::activeWindow(), &w.window);

    QTimer::singleShot(200, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        box->checkBox()->setChecked(true);
        box->buttons().constFirst()->click();
    });
    w.window.close();
    QVERIFY(!w.window.isVisible() && floating->isVisible());
    // With no window left to see and no tray, closing the floating button ends Mirello.
    QSignalSpy quit(w.window.findChild<MainWindowFeatures*>(), &MainWindowFeatures::quitAsked);
    floating->close();
    QTRY_COMPARE(quit.count(), 1);
}

// The digits show on the projector and the floating button, pause with T, end in the
// warning colour, and the draw started meanwhile goes on flickering through it all.
void TestProjector::countdownRunsBesideTheDraw()
{
    const TestProgramFolder folder(
        {{u"1班.txt"_s, gbk(u"S20230101王小明-03\\1201\r\nS20230102李四-11\\2301\r\n"_s)}});
    WindowUnderTest w(folder);
    QTest::keyClick(&w.window, Qt::Key_F12);
    QTest::keyClick(&w.window, Qt::Key_F11);
    ProjectorWindow* projector = openProjector();
    QVERIFY(projector && QTest::qWaitForWindowExposed(projector));
    auto* digits = projector->findChild<FittedText*>(u"ProjectorCountdown"_s);
    QLabel* floating = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        floating = floating ? floating : window->findChild<QLabel*>(u"FloatingCountdown"_s);
    QVERIFY(floating && !digits->isVisible() && !floating->isVisible());

    w.window.findChild<QAction*>(u"30 秒"_s)->trigger();
    QCOMPARE(digits->text(), u"0:30"_s);
    QVERIFY(digits->isVisible() && floating->isVisible());
    const QColor running = digits->palette().color(QPalette::WindowText);
    QTest::mouseClick(projector, Qt::LeftButton);
    QTest::keyClick(projector, Qt::Key_T);
    QVERIFY(digits->text().endsWith(u"暂停"_s));
    QTest::keyClick(projector, Qt::Key_T);
    w.clock.now += 30'000'000'000;
    QTRY_COMPARE(digits->text(), u"0:00 时间到"_s);
    QCOMPARE(floating->text(), digits->text());
    QVERIFY(digits->palette().color(QPalette::WindowText) != running);
    const QColor ended = floating->palette().color(QPalette::WindowText);
    QVERIFY(ended.red() > 0x80 && ended.green() < 0x40);
    QVERIFY(w.drawing());
    QTRY_VERIFY(shown(projector, u"ProjectorName"_s) == u"李四"_s);
    QTRY_VERIFY(shown(projector, u"ProjectorName"_s) == u"王小明"_s);

    w.window.findChild<QAction*>(u"停止计时"_s)->trigger();
    QVERIFY(!digits->isVisible() && !floating->isVisible() && w.drawing());
}

QStringList shownAll(const QWidget* window, const QString& line)
{
    QStringList texts;
    for (const FittedText* text : window->findChildren<FittedText*>(line)) {
        if (text->isVisible())
            texts.append(text->text());
    }
    return texts;
}

const QStringList SevenStudents{u"赵一"_s, u"钱二"_s, u"孙三"_s, u"李四"_s,
                                u"周五"_s, u"吴六"_s, u"郑七"_s};

// Three at once: the projector lists them, a tap picks one, and OK records for them.
void TestProjector::severalAtOnceArePickedByFinger()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(classText(SevenStudents))}});
    WindowUnderTest w(folder);
    QTest::keyClick(&w.window, Qt::Key_F11);
    ProjectorWindow* projector = openProjector();
    // Asked over the projector, where the teacher pressed M, by a tap on 3.
    QApplication::setActiveWindow(projector);
    QTest::keyClick(projector, Qt::Key_M);
    auto* dialog = projector->findChild<QDialog*>(u"SeveralCountDialog"_s);
    QVERIFY(dialog);
    for (QPushButton* count : dialog->findChildren<QPushButton*>()) {
        if (count->text() == u"3"_s)
            count->click();
    }
    QTRY_VERIFY(!dialog->isVisible());
    QApplication::setActiveWindow(&w.window);
    QTest::keyClick(&w.window, Qt::Key_Space);
    QTRY_VERIFY(!w.text(u"LblName"_s).isEmpty());
    QTest::keyClick(&w.window, Qt::Key_Space);
    const QStringList picked = shownAll(projector, u"PickedName"_s);
    QCOMPARE(QSet<QString>(picked.begin(), picked.end()).size(), 3);
    QCOMPARE(w.text(u"LblName"_s), picked[0]);
    const auto* third = projector->findChildren<FittedText*>(u"PickedName"_s)[2];
    tap(projector, third->mapTo(projector, third->rect().center()));
    QCOMPARE(w.text(u"LblName"_s), picked[2]);
    QTest::keyClick(&w.window, Qt::Key_Return);
    QTRY_VERIFY(folder.classBytes(u"1班.txt"_s).contains(gbk(rollLine(picked[2], u"01\\1000"))));
}

// G groups the students present into cards on the projector, each once; the next
// run shows the grouping again.
void TestProjector::groupsAreShownAndKept()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(classText(SevenStudents))}});
    QString grouped;
    {
        WindowUnderTest w(folder);
        QTest::keyClick(&w.window, Qt::Key_F11);
        ProjectorWindow* projector = openProjector();
        QTest::keyClick(&w.window, Qt::Key_G);
        auto* groups = w.window.findChild<QWidget*>(u"GroupsWindow"_s);
        QVERIFY(groups && groups->isVisible());
        groups->findChild<QSpinBox*>()->setValue(3);
        QTest::keyClick(groups, Qt::Key_G);
        // Made off the window's thread, the grouping shows when done.
        QTRY_COMPARE(shownAll(projector, u"GroupTitle"_s).size(), 3);
        QStringList members = shownAll(projector, u"GroupMember"_s);
        members.sort();
        QStringList everyone = SevenStudents;
        everyone.sort();
        QCOMPARE(members, everyone);
        grouped = groups->findChild<QPlainTextEdit*>()->toPlainText();
        QCOMPARE(grouped.count(u'\n'), 3);
    }
    WindowUnderTest w(folder);
    QTest::keyClick(&w.window, Qt::Key_G);
    QTRY_COMPARE(w.window.findChild<QPlainTextEdit*>(u"GroupsText"_s)->toPlainText(), grouped);
}

// A restart in the middle of a lesson opens again what the class and the teacher used;
// what the teacher closed stays closed.
void TestProjector::aRestartBringsBackTheBoardWindows()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(u"S20230101王小明-03\\1201\r\n"_s)}});
    {
        WindowUnderTest w(folder);
        QTest::keyClick(&w.window, Qt::Key_F12);
        QTest::keyClick(&w.window, Qt::Key_F11);
        QTRY_VERIFY(visible<FloatingButton>() && openProjector());
    }
    {
        WindowUnderTest again(folder);
        QTRY_VERIFY(visible<FloatingButton>() && openProjector());
        openProjector()->close();
        QApplication::setActiveWindow(&again.window);
        QTest::keyClick(&again.window, Qt::Key_F12);
        QTRY_VERIFY(!visible<FloatingButton>());
    }
    WindowUnderTest third(folder);
    QTest::qWait(200);
    QVERIFY(!visible<FloatingButton>());
    QVERIFY(!openProjector());
}

// The name goes above the slides for a draw a phone or another program starts while no
// floating button is open, never for one started in the main window.
void TestProjector::onlyADrawAskedFromAfarShowsTheNameAboveAll()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(u"S20230101王小明-03\\1201\r\n"_s)}});
    WindowUnderTest w(folder);
    QApplication::setActiveWindow(nullptr); // as without a window manager
    w.startPause();
    QVERIFY(w.drawing());
    QTest::qWait(100);
    QVERIFY(!visible<NameFlash>());
    w.startPause();
    QVERIFY(!w.drawing());
    QCOMPARE(w.window.lesson().carryOut({{Feature::StartPause, QString()}}), QString());
    QVERIFY(w.drawing());
    QTRY_VERIFY(visible<NameFlash>());
    QVERIFY(!visible<NameFlash>()->findChild<FittedText*>()->text().isEmpty());
}

QTEST_MAIN(TestProjector)
#include "tst_projector.moc"
