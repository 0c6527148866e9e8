#include "ui/ImageButtonStates.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

using Changes = QList<FaceChange>;

namespace {

FaceChange startPause(const QString& face, const QString& word, std::optional<bool> drawing = {})
{
    return {ImageButton::StartPause, face, word, drawing};
}

FaceChange ok(const QString& face, const QString& word)
{
    return {ImageButton::Ok, face, word, {}};
}

} // namespace

class TestImageButtonStates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void changesFollowTheTables_data();
    void changesFollowTheTables();
};

void TestImageButtonStates::changesFollowTheTables_data()
{
    QTest::addColumn<QString>("startPauseWord");
    QTest::addColumn<QString>("okWord");
    // What a move over Start/Pause, a click on it, a move over the surface and a move
    // over OK ask for, both buttons together, Start/Pause first.
    QTest::addColumn<QList<Changes>>("changesPerEvent");

    const Changes none;
    QTest::newRow("S1 ok1") << u"S1"_s << u"ok1"_s
                            << QList{Changes{startPause(u"start2.bmp"_s, u"S2"_s)}, none, none,
                                     Changes{ok(u"ok2.bmp"_s, u"ok2"_s)}};
    QTest::newRow("S2 ok2") << u"S2"_s << u"ok2"_s
                            << QList{none, Changes{startPause(u"pause2.bmp"_s, u"P2"_s, true)},
                                     Changes{startPause(u"start1.bmp"_s, u"S1"_s),
                                             ok(u"ok1.bmp"_s, u"ok1"_s)},
                                     none};
    QTest::newRow("P1 ok1") << u"P1"_s << u"ok1"_s
                            << QList{Changes{startPause(u"pause2.bmp"_s, u"P2"_s)}, none, none,
                                     Changes{ok(u"ok2.bmp"_s, u"ok2"_s)}};
    QTest::newRow("P2 ok2") << u"P2"_s << u"ok2"_s
                            << QList{none, Changes{startPause(u"start2.bmp"_s, u"S2"_s, false)},
                                     Changes{startPause(u"pause1.bmp"_s, u"P1"_s),
                                             ok(u"ok1.bmp"_s, u"ok1"_s)},
                                     none};
    QTest::newRow("lower case is no word") << u"s2"_s << u"OK2"_s << QList{none, none, none, none};
    QTest::newRow("before start-up") << QString() << QString() << QList{none, none, none, none};
}

void TestImageButtonStates::changesFollowTheTables()
{
    QFETCH(QString, startPauseWord);
    QFETCH(QString, okWord);
    QFETCH(QList<Changes>, changesPerEvent);

    ImageButtonStates states;
    states.commit(startPause({}, startPauseWord));
    states.commit(ok({}, okWord));
    using enum ButtonEvent;
    const QList events{MoveOverStartPause, ClickOnStartPause, MoveOverSurface, MoveOverOk};
    for (qsizetype i = 0; i < events.size(); ++i)
        QCOMPARE(states.changesFor(events[i]), changesPerEvent[i]);
}

QTEST_APPLESS_MAIN(TestImageButtonStates)
#include "tst_imagebuttonstates.moc"
