#include "ui/ImageButtonStates.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

using Changes = QList<FaceChange>;
Q_DECLARE_METATYPE(ImageButton)
Q_DECLARE_METATYPE(FaceChange)

namespace {

using enum ButtonEvent;
constexpr ButtonEvent Events[] = {MoveOverStartPause, ClickOnStartPause, MoveOverSurface,
                                  MoveOverOk};

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
    void oneMoveOverTheSurfaceRestsBothButtons();
};

void TestImageButtonStates::changesFollowTheTables_data()
{
    QTest::addColumn<ImageButton>("button");
    QTest::addColumn<QString>("word");
    // What a move over Start/Pause, a click on it, a move over the surface and a move
    // over OK change for `button`.
    QTest::addColumn<QList<Changes>>("changesPerEvent");

    const Changes none;
    const auto sp = ImageButton::StartPause;
    QTest::newRow("S1") << sp << u"S1"_s
                        << QList{Changes{startPause(u"start2.bmp"_s, u"S2"_s)}, none, none, none};
    QTest::newRow("S2") << sp << u"S2"_s
                        << QList{none, Changes{startPause(u"pause2.bmp"_s, u"P2"_s, true)},
                                 Changes{startPause(u"start1.bmp"_s, u"S1"_s)}, none};
    QTest::newRow("P1") << sp << u"P1"_s
                        << QList{Changes{startPause(u"pause2.bmp"_s, u"P2"_s)}, none, none, none};
    QTest::newRow("P2") << sp << u"P2"_s
                        << QList{none, Changes{startPause(u"start2.bmp"_s, u"S2"_s, false)},
                                 Changes{startPause(u"pause1.bmp"_s, u"P1"_s)}, none};
    QTest::newRow("ok1") << ImageButton::Ok << u"ok1"_s
                         << QList{none, none, none, Changes{ok(u"ok2.bmp"_s, u"ok2"_s)}};
    QTest::newRow("ok2") << ImageButton::Ok << u"ok2"_s
                         << QList{none, none, Changes{ok(u"ok1.bmp"_s, u"ok1"_s)}, none};
    QTest::newRow("lower case s2 is no word") << sp << u"s2"_s << QList{none, none, none, none};
    QTest::newRow("before start-up") << sp << QString() << QList{none, none, none, none};
}

void TestImageButtonStates::changesFollowTheTables()
{
    QFETCH(ImageButton, button);
    QFETCH(QString, word);
    QFETCH(QList<Changes>, changesPerEvent);

    ImageButtonStates states;
    states.commit({button, {}, word, {}});
    for (qsizetype i = 0; i < std::ssize(Events); ++i) {
        Changes changes = states.changesFor(Events[i]);
        changes.removeIf([button](const FaceChange& change) { return change.button != button; });
        QCOMPARE(changes, changesPerEvent[i]);
    }
}

void TestImageButtonStates::oneMoveOverTheSurfaceRestsBothButtons()
{
    ImageButtonStates states;
    states.commit(startPause({}, u"P2"_s));
    states.commit(ok({}, u"ok2"_s));
    QCOMPARE(states.changesFor(MoveOverSurface),
             (Changes{startPause(u"pause1.bmp"_s, u"P1"_s), ok(u"ok1.bmp"_s, u"ok1"_s)}));
}

QTEST_APPLESS_MAIN(TestImageButtonStates)
#include "tst_imagebuttonstates.moc"
