#pragma once

#include "draw/Fairness.h"
#include "keeping/History.h"
#include "platform/Result.h"
#include "roll/ClassState.h"

#include <array>
#include <optional>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace mirello {

class RollFolder;

// One student of the overview, as the class file and the kept marks have them.
struct OverviewRow
{
    qsizetype order = 0; // place in the class file, from 1
    QString lead;
    QString name;
    // The name as the window shows it, never longer than a window can show.
    QString shownName;
    qint64 calls = 0;
    std::array<QString, 4> tallies; // the digits as they stand in the line
    // From the history: recordings since the last new term, and the last one's day.
    qint64 callsThisTerm = 0;
    QDate lastCalled;
    StudentKey key;
    // Left empty by readClassOverview(): the lesson keeps them.
    StudentMarks marks;
    // The calls as the fairness report counts them, and what it makes of them.
    StudentFairness fairness;
    // What of the line was changed outside Mirello (OutsideEdits.h); empty when nothing.
    QString outsideEdit;
};

// What the class overview shows of a class: its students with their figures, the
// fairness report and the sentence on it, and the class's history.
struct ClassOverview
{
    QString shownClass; // empty when no class is chosen
    QList<OverviewRow> rows;
    FairnessReport report;
    QString sentence;
    // Of this class only, the newest parseHistory() keeps.
    QList<HistoryEntry> history;
    // Why the history could not be read: the rest stands without it.
    std::optional<Error> historyError;
    // Why the class file could not be read: rows, report and sentence are empty.
    std::optional<Error> classError;

    // The lines of the history of the student of `row`, newest first, with the class's
    // restores and new terms among them, as the window lists them.
    QStringList historyTexts(const OverviewRow& row) const;
};

// Reads the class file `classFileName` of `folder` and the history and computes what
// the overview shows; touches nothing of the lesson, so it may run on any thread.
ClassOverview readClassOverview(const RollFolder& folder, const QString& classFileName);

} // namespace mirello
