// The class features from the main window's menu, through their dialogs: a list
// imported from a workbook appears in the chooser, an export is written where the
// teacher last put one, a recording shows in the overview's history, and a new term
// in the overview and the next draw; a phone is let in by a click on 允许 alone.

#include "exchange/XlsxReader.h"
#include "ui/windows/ImportDialog.h"
#include "ui/windows/OverviewModel.h"
#include "WindowUnderTest.h"

#include <functional>
#include <memory>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpSocket>
#include <QTimer>
#include <QTreeWidget>

using namespace mirello;

namespace {

const QByteArray Class = gbk(u"S20230107王小明-03\\1201\r\n"_s);

// Triggers the menu entry `text` and answers its dialogs in turn as each comes up.
void choose(WindowUnderTest& w, const QString& text, QList<std::function<void(QWidget*)>> answers)
{
    auto* poll = new QTimer(&w.window);
    auto answered = std::make_shared<QPointer<QWidget>>();
    QObject::connect(poll, &QTimer::timeout, [=]() mutable {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog == *answered || !dialog->isVisible() || answers.isEmpty())
            return;
        *answered = dialog;
        answers.takeFirst()(dialog);
    });
    poll->start(20);
    const QList<QAction*> actions = w.window.findChildren<QAction*>();
    const auto action =
        std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == text; });
    QVERIFY(action != actions.end());
    (*action)->trigger();
    delete poll;
}

QAbstractButton* buttonTitled(QWidget* dialog, const QString& title)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text().startsWith(title))
            return button;
    }
    return nullptr;
}

} // namespace

class TestClassWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importsIntoTheChooser();
    void exportsWhereTheTeacherSays();
    void showsTheHistoryAndTheNewTerm();
    void phoneIsLetInByAClickAlone();
};

void TestClassWindows::importsIntoTheChooser()
{
    TestProgramFolder folder({{u"高一3班.txt"_s, Class}});
    WindowUnderTest w(folder);
    choose(
        w, u"导入班级…"_s, {[](QWidget* dialog) {
            auto* import = qobject_cast<ImportDialog*>(dialog);
            QVERIFY(import);
            // A number too long is taken cut to nine once ticked, before the file.
            dialog->findChild<QLineEdit*>(u"ClassName"_s)->setText(u"高一7班"_s);
            dialog->findChild<QPlainTextEdit*>(u"Pasted"_s)->setPlainText(u"2023010100123 李华"_s);
            QVERIFY(!buttonTitled(dialog, u"导入"_s)->isEnabled());
            dialog->findChild<QCheckBox*>(u"ShortenNumbers"_s)->click();
            QVERIFY(buttonTitled(dialog, u"导入"_s)->isEnabled());
            import->openFile(QStringLiteral(MIRELLO_TEST_DATA "/saved-class.xlsx"));
            QTRY_VERIFY(buttonTitled(dialog, u"导入"_s)->isEnabled());
            buttonTitled(dialog, u"导入"_s)->click();
        }});
    QVERIFY2(w.reporter.errors.isEmpty(), qPrintable(w.reporter.errors.value(0).text()));
    QCOMPARE(
        folder.classBytes(u"高一7班.txt"_s),
        gbk(u"20230107 王小明-00\\0000\r\n20230108 欧阳娜娜-00\\0000\r\nS0109    李华-00\\0000\r\n"_s));
    const auto* chooser = w.get<QComboBox>(u"ComboFileChange"_s);
    QCOMPARE(chooser->count(), 2);
    QCOMPARE(chooser->currentText(), u"高一7班.txt"_s);
}

void TestClassWindows::exportsWhereTheTeacherSays()
{
    // The folder of the last export is where the next one is offered.
    TestProgramFolder folder({{u"高一3班.txt"_s, Class}, {u"高一4班.txt"_s, Class}});
    QVERIFY(QDir(folder.rollFolder()).mkdir(u".mirello"_s));
    QVERIFY(writeBytes(folder.rollFolder() + u"/.mirello/settings.ini"_s,
                       "[export]\nfolder=@ByteArray(" + QFile::encodeName(folder.path()) + ")\n"));
    WindowUnderTest w(folder);
    choose(w, u"导出…"_s,
           {[](QWidget* dialog) {
                buttonTitled(dialog, u"全部"_s)->click();
                buttonTitled(dialog, u"导出…"_s)->click();
            },
            [](QWidget* dialog) {
                QMetaObject::invokeMethod(dialog, "accept");
            }});
    QVERIFY2(w.reporter.errors.isEmpty(), qPrintable(w.reporter.errors.value(0).text()));
    const QByteArray written = readBytes(folder.dir.filePath(
        u"全部班级 成绩 "_s + QDate::currentDate().toString(u"yyyy-MM-dd"_s) + u".xlsx"_s));
    QCOMPARE(readXlsx(written, 0, u"x"_s).value().sheetNames,
             (QStringList{u"高一3班"_s, u"高一4班"_s}));

    // A name typed without its extension: the file it becomes is asked about too.
    const QString older = folder.dir.filePath(u"成绩.xlsx"_s);
    QVERIFY(writeBytes(older, "older"));
    bool asked = false;
    choose(w, u"导出…"_s,
           {[](QWidget* dialog) { buttonTitled(dialog, u"导出…"_s)->click(); },
            [](QWidget* dialog) {
                dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(u"成绩"_s);
                QMetaObject::invokeMethod(dialog, "accept");
            },
            [&asked](QWidget* dialog) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                asked = box && box->text().contains(u"“成绩.xlsx”"_s);
                if (box)
                    box->button(QMessageBox::No)->click();
            }});
    QVERIFY(asked);
    QCOMPARE(readBytes(older), "older");
}

void TestClassWindows::showsTheHistoryAndTheNewTerm()
{
    TestProgramFolder folder({{u"高一3班.txt"_s, Class}});
    WindowUnderTest w(folder);
    w.startPause();
    QTRY_VERIFY(!w.text(u"LblName"_s).isEmpty());
    w.click(u"PicSP"_s);
    w.click(u"PicOK"_s);
    QTRY_COMPARE(folder.classBytes(u"高一3班.txt"_s), gbk(u"S20230107王小明-04\\2201\r\n"_s));

    // The overview reads the history the recording appended. Its model is checked
    // through the load, the new term's refresh and the emptied class.
    QTest::keyClick(&w.window, Qt::Key_L, Qt::ControlModifier);
    auto* table = w.window.findChild<QTableView*>(u"OverviewTable"_s);
    const QAbstractItemModelTester checked(
        qobject_cast<QSortFilterProxyModel*>(table->model())->sourceModel(),
        QAbstractItemModelTester::FailureReportingMode::QtTest);
    const auto cell = [&](int column) {
        return table->model()->index(0, column).data();
    };
    QTRY_COMPARE(cell(OverviewModel::CallsThisTerm).toInt(), 1);
    QCOMPARE(cell(OverviewModel::LastCalled).toString(),
             QDate::currentDate().toString(u"yyyy-MM-dd"_s));
    table->selectRow(0);
    QVERIFY(w.window.findChild<QListWidget*>(u"StudentHistory"_s)
                ->item(1)
                ->text()
                .contains(u"记录 优秀"));

    choose(w, u"新学期…"_s, {[](QWidget* dialog) {
               buttonTitled(dialog, u"只清零"_s)->click();
           }});
    QTRY_COMPARE(folder.classBytes(u"高一3班.txt"_s), gbk(u"S20230107王小明-00\\0000\r\n"_s));
    QTRY_COMPARE(cell(OverviewModel::CallsThisTerm).toInt(), 0);
    // The recording before the new term can no longer be undone, and the teacher is
    // told why.
    QApplication::setActiveWindow(&w.window);
    QTest::keyClick(&w.window, Qt::Key_Z, Qt::ControlModifier);
    QTRY_VERIFY(!w.reporter.errors.isEmpty());
    QVERIFY(w.reporter.errors.last().message.contains(u"之后已开始新学期"_s));
    w.startPause();
    QTRY_COMPARE(w.text(u"LblAnsCount"_s), u"已被点到过00次"_s);
    w.click(u"PicSP"_s);
    QVERIFY(writeBytes(folder.rollFolder() + u"/高一3班.txt"_s, {}));
    QTest::keyClick(&w.window, Qt::Key_L, Qt::ControlModifier);
    QTRY_COMPARE(table->model()->rowCount(), 0);
}

// The question about a new phone answers no key, even where the system gives it the
// focus: a clicker's arrow or Space, Enter, or a letter typed anywhere lets nobody in.
void TestClassWindows::phoneIsLetInByAClickAlone()
{
    QStandardPaths::setTestModeEnabled(true); // the key it keeps stays out of the user's own
    const auto restore = qScopeGuard([] { QStandardPaths::setTestModeEnabled(false); });
    TestProgramFolder folder({{u"1班.txt"_s, Class}});
    WindowUnderTest w(folder);
    w.window.lesson().carryOut({{Feature::PhoneRemote, {}}});
    auto* phones = w.window.findChild<QTreeWidget*>(u"PairedPhones"_s);
    const QUrl page(w.text(u"PhoneAddress"_s));
    QTcpSocket phone;
    phone.connectToHost(page.host(), quint16(page.port()));
    QVERIFY(phone.waitForConnected(2000));
    const QByteArray body = "{\"code\":\"" + w.text(u"PhoneCode"_s).toLatin1() + "\"}";
    phone.write("POST /pair HTTP/1.1\r\nHost: " + page.authority().toLatin1() +
                "\r\nContent-Type: application/json\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QTRY_VERIFY(w.get(u"PhonePairingConfirm"_s) && w.get(u"PhonePairingConfirm"_s)->isVisible());
    QWidget* question = w.get(u"PhonePairingConfirm"_s);
    for (const int key :
         {int(Qt::Key_Right), int(Qt::Key_Space), int(Qt::Key_A), int(Qt::Key_Return)}) {
        QTest::keyClick(question, Qt::Key(key));
        QTest::keyClick(question, Qt::Key(key), Qt::AltModifier);
    }
    QTest::qWait(300);
    QCOMPARE(phones->topLevelItemCount(), 0);
    QTest::mouseClick(w.get<QPushButton>(u"PhonePairingAllow"_s), Qt::LeftButton);
    QTRY_COMPARE(phones->topLevelItemCount(), 1);
}

QTEST_MAIN(TestClassWindows)
#include "tst_classwindows.moc"
