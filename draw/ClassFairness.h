#pragma once

#include "Fairness.h"
#include "keeping/History.h"
#include "roll/NameList.h"

#include <QList>
#include <QString>
#include <span>
#include <vector>

namespace mirello {

// The fairness report of a class, from its file and the history. A call is one draw
// that was recorded and not undone, however many grades it got; lines with the same
// name are one student for the test, as a recording raises all of them, with the
// chance of all of them; a student marked absent has no chance at the calls of
// that day after the mark. Calls in the file that the history does not hold (from
// before it, or whose line could not be written) count with everyone present.
// Only the calls since the file's counts last started afresh (a new term or a
// restore) count.
struct ClassFairness
{
    FairnessReport report; // one student per name
    // Per student of `lines`: the figures of their name.
    std::vector<StudentFairness> students;
};

ClassFairness classFairness(const NameList& names, std::span<const quint32> lines,
                            const QList<HistoryEntry>& history, const QString& shownClass);

} // namespace mirello
