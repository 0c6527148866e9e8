// One screen that the class sees: in board mode no window outside the view opened on
// purpose shows a grade, that view closes itself, the lesson comes back so after a
// restart; and the attendance list marks students absent by tap.

#include "lesson/Settings.h"
#include "ui/keys/FeatureActions.h"
#include "ui/main/MainWindowFeatures.h"
#include "ui/widgets/FittedText.h"
#include "ui/windows/AttendanceWindow.h"
#include "ui/windows/FloatingButton.h"
#include "ui/windows/OverviewWindow.h"
#include "ui/windows/ProjectorWindow.h"
#include "WindowUnderTest.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QStringList SevenStudents{u"赵一"_s, u"钱二"_s, u"孙三"_s, u"李四"_s,
                                u"周五"_s, u"吴六"_s, u"郑七"_s};

void trigger(const WindowUnderTest& w, Feature feature)
{
    w.window.findChild<MainWindowFeatures*>()->actions().trigger(feature);
}

// A dialog or window opened over whichever window the teacher works in.
template <typename Widget = QWidget>
Widget* named(const QString& name)
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (widget->objectName() == name && widget->isVisible())
            return qobject_cast<Widget*>(widget);
    }
    return nullptr;
}

QPushButton* buttonTitled(QWidget* window, const QString& text)
{
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == text && button->isVisibleTo(window))
            return button;
    }
    return nullptr;
}

// Every text a student can read on screen, outside a window that says it shows grades.
QStringList textsInSight()
{
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->findChild<QWidget*>(u"PrivateBanner"_s))
            continue;
        texts.append(window->windowTitle());
        for (QWidget* part : window->findChildren<QWidget*>()) {
            if (!part->isVisibleTo(window))
                continue;
            if (auto* label = qobject_cast<QLabel*>(part))
                texts.append(label->text());
            else if (auto* button = qobject_cast<QAbstractButton*>(part))
                texts.append(button->text());
            else if (auto* fitted = qobject_cast<FittedText*>(part))
                texts.append(fitted->text());
            else if (auto* edit = qobject_cast<QPlainTextEdit*>(part))
                texts.append(edit->toPlainText());
            else if (auto* list = qobject_cast<QAbstractItemView*>(part); list && list->model())
                for (int row = 0; row < list->model()->rowCount(); ++row)
                    texts.append(list->model()->index(row, 0).data().toString());
        }
    }
    return texts;
}

// A grade's word, a tally ("优秀1次") or a count of calls ("已被点到过05次").
const QRegularExpression GradeShown(u"优秀|良好|及格|点到过|\\d+ ?次"_s);

} // namespace

class TestBoard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boardModeShowsNoGradeOutsideThePrivateView();
    void attendanceMarksAbsentInATapEach();
};

void TestBoard::boardModeShowsNoGradeOutsideThePrivateView()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(classText(SevenStudents, u"03\\1101"_s))}});
    {
        WindowUnderTest w(folder);
        QTest::keyClick(&w.window, Qt::Key_F11);
        trigger(w, Feature::ProjectorGrades);
        trigger(w, Feature::BoardMode);
        QTRY_VERIFY(!w.window.isVisible() && visible<FloatingButton>());
        const auto noGradeInSight = [](const char* after) {
            const QStringList texts = textsInSight();
            const QString found = texts.filter(GradeShown).join(u" | "_s);
            if (!found.isEmpty())
                qWarning("after %s: %s", after, qPrintable(found));
            return found.isEmpty();
        };
        FloatingButton* bar = visible<FloatingButton>();
        buttonTitled(bar, u"更多 ▾"_s)->click();
        buttonTitled(bar, u"开始"_s)->click();
        QTRY_VERIFY(!w.window.lesson().view().name.isEmpty());
        buttonTitled(bar, u"暂停"_s)->click();
        QVERIFY(noGradeInSight("a draw"));
        w.window.lesson().chooseGrade(3);
        buttonTitled(bar, u"记录"_s)->click();
        QTRY_VERIFY(bar->findChild<FittedText*>(u"FloatingName"_s)->text().startsWith(u"✓"_s));
        QVERIFY(noGradeInSight("a recording"));

        trigger(w, Feature::SeveralAtOnce);
        auto* counts = named(u"SeveralCountDialog"_s);
        QVERIFY(counts);
        buttonTitled(counts, u"3"_s)->click();
        buttonTitled(bar, u"开始"_s)->click();
        QTest::qWait(200);
        buttonTitled(bar, u"暂停"_s)->click();
        QTRY_COMPARE(w.window.lesson().view().picks.size(), 3);
        QVERIFY(noGradeInSight("several at once"));

        trigger(w, Feature::Groups);
        QWidget* groups = named(u"GroupsWindow"_s);
        QVERIFY(groups);
        groups->findChild<QCheckBox*>()->setChecked(true);
        // Three groups by finger: − from the six of the first time.
        for (int tap = 0; tap < 3; ++tap)
            buttonTitled(groups, u"−"_s)->click();
        groups->findChild<QPushButton*>(u"Regroup"_s)->click();
        QTRY_VERIFY(groups->findChild<QLabel*>(u"GroupsReport"_s)->text().contains(u"分成 3 组"_s));
        QVERIFY(noGradeInSight("a grouping"));
        groups->close();

        trigger(w, Feature::Countdown30Seconds);
        QVERIFY(noGradeInSight("a countdown"));

        // Opened on purpose, the overview shows grades, says so, and closes by itself.
        w.window.lesson().settings().setBytes(u"board/privateSeconds", "1");
        trigger(w, Feature::Overview);
        QPointer<OverviewWindow> overview = visible<OverviewWindow>();
        QVERIFY(overview && overview->findChild<QWidget*>(u"PrivateBanner"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!overview, 5000);
        QVERIFY(!w.window.isVisible());
    }
    // The lesson comes back as it was: at the board, behind the floating button.
    WindowUnderTest again(folder);
    QTRY_VERIFY(visible<FloatingButton>() && visible<ProjectorWindow>());
    QVERIFY(!again.window.isVisible());
    trigger(again, Feature::BoardMode);
    QTRY_VERIFY(again.window.isVisible());
}

// Three taps, three students absent today, and no draw stops on them; a second tap
// takes it back.
void TestBoard::attendanceMarksAbsentInATapEach()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbk(classText(SevenStudents))}});
    WindowUnderTest w(folder);
    QTest::keyClick(&w.window, Qt::Key_D);
    auto* list = visible<AttendanceWindow>();
    QVERIFY(list);
    const QStringList away{u"赵一"_s, u"孙三"_s, u"郑七"_s};
    for (const QString& name : away)
        QTest::mouseClick(buttonTitled(list, name), Qt::LeftButton);
    QCOMPARE(list->findChild<QLabel*>(u"AttendanceCount"_s)->text(), u"出席 4 人，缺席 3 人"_s);
    QApplication::setActiveWindow(&w.window);
    for (int draw = 0; draw < 30; ++draw) {
        w.startPause();
        QTRY_VERIFY(!w.text(u"LblName"_s).isEmpty());
        w.startPause();
        QVERIFY2(!away.contains(w.text(u"LblName"_s)), qPrintable(w.text(u"LblName"_s)));
    }
    QTest::mouseClick(buttonTitled(list, u"孙三"_s), Qt::LeftButton);
    QVERIFY(!buttonTitled(list, u"孙三"_s)->isChecked());
    QCOMPARE(list->findChild<QLabel*>(u"AttendanceCount"_s)->text(), u"出席 5 人，缺席 2 人"_s);
}

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
