#include "TestProgramFolder.h"
#include "WindowUnderTest.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QPoint BareSurface(10, 120);

QList<QWidget*> openAboutWindows()
{
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"FrmAbout"_s && widget->isVisible())
            windows.append(widget);
    }
    return windows;
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { qDeleteAll(openAboutWindows()); }
    void onlyARightPressOnBareSurfaceOpensIt_data();
    void onlyARightPressOnBareSurfaceOpensIt();
    void oneWindowAtATime();
    void programRunsUntilItIsClosed();

private:
    TestProgramFolder m_folder;
};

void TestFrmAbout::onlyARightPressOnBareSurfaceOpensIt_data()
{
    QTest::addColumn<QString>("control"); // empty: the bare surface
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("opens");

    QTest::newRow("left") << QString() << Qt::LeftButton << false;
    QTest::newRow("middle") << QString() << Qt::MiddleButton << false;
    QTest::newRow("right") << QString() << Qt::RightButton << true;
    for (const char* name : {"LblName", "LblAnsCount", "LblTip0", "LblTip1", "StatusBar1",
                             "PicSearch", "PicSP", "PicOK", "ComboFileChange", "ComboResult"})
        QTest::newRow(name) << QString::fromLatin1(name) << Qt::RightButton << false;
}

void TestFrmAbout::onlyARightPressOnBareSurfaceOpensIt()
{
    QFETCH(QString, control);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, opens);

    WindowUnderTest w(m_folder.path());
    QVERIFY(w.show());
    // Drawing shows the search picture, so that it can be pressed on too.
    QTest::mouseMove(w.control(u"PicSP"_s));
    w.clickStartPause();
    if (control.isEmpty())
        QTest::mouseClick(&w.window, button, {}, BareSurface);
    else
        QTest::mouseClick(w.control(control), button);
    QCOMPARE(openAboutWindows().size(), opens ? 1 : 0);
}

void TestFrmAbout::oneWindowAtATime()
{
    WindowUnderTest w(m_folder.path());
    QVERIFY(w.show());
    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface);
    const QPointer<QWidget> first = openAboutWindows().value(0);
    QVERIFY(first);
    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface + QPoint(1, 1));
    QCOMPARE(openAboutWindows(), QList<QWidget*>{first});

    // Closed, it is gone; the next right press makes a new one.
    first->close();
    QTRY_VERIFY(!first);
    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface);
    QCOMPARE(openAboutWindows().size(), 1);
}

void TestFrmAbout::programRunsUntilItIsClosed()
{
    WindowUnderTest w(m_folder.path());
    QVERIFY(w.show());
    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface);
    const QPointer<QWidget> about = openAboutWindows().value(0);
    QVERIFY(about);

    bool runningWithoutMainWindow = false;
    QTimer::singleShot(0, &w.window, &QWidget::close);
    QTimer::singleShot(300, about, [&] {
        runningWithoutMainWindow = true;
        about->close();
    });
    QTimer giveUp;
    giveUp.callOnTimeout([] { QCoreApplication::exit(1); });
    giveUp.start(5000);
    // The program ends when its last window closes: here the About window.
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(runningWithoutMainWindow);
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
