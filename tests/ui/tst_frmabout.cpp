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
    void onlyARightPressOnBareSurfaceOpensOneThatOutlivesTheMainWindow();
};

void TestFrmAbout::onlyARightPressOnBareSurfaceOpensOneThatOutlivesTheMainWindow()
{
    const TestProgramFolder folder;
    WindowUnderTest w(folder);
    // Drawing shows the search picture, so that it can be pressed on too.
    w.startPause();
    for (const char* name : {"LblName", "LblAnsCount", "LblTip0", "LblTip1", "StatusBar1",
                             "PicSearch", "PicSP", "PicOK", "ComboFileChange", "ComboResult"}) {
        QTest::mouseClick(w.get(QString::fromLatin1(name)), Qt::RightButton);
        QVERIFY2(openAboutWindows().isEmpty(), name);
    }
    QTest::mouseClick(&w.window, Qt::LeftButton, {}, BareSurface);
    QTest::mouseClick(&w.window, Qt::MiddleButton, {}, BareSurface);
    QVERIFY(openAboutWindows().isEmpty());

    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface);
    const QPointer<QWidget> first = openAboutWindows().value(0);
    QVERIFY(first);
    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface + QPoint(1, 1));
    QCOMPARE(openAboutWindows(), QList<QWidget*>{first});

    // Closed, it is gone; the next right press makes a new one.
    first->close();
    QTRY_VERIFY(!first);
    QTest::mouseClick(&w.window, Qt::RightButton, {}, BareSurface);
    const QPointer<QWidget> about = openAboutWindows().value(0);
    QVERIFY(about && openAboutWindows().size() == 1);

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
