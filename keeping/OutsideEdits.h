#pragma once

#include "History.h"
#include "roll/NameList.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace mirello {

// A student whose counters in the class file are not those Mirello left there: what
// the history says it last wrote on the student's lines, or 00 and 0000 since a new
// term, against what the file holds now.
struct OutsideEdit
{
    QString name;
    // As the history and the file write them: "04", "1301", "、" between the lines of
    // one name.
    QString countKept;
    QString tallyKept;
    QString countNow;
    QString tallyNow;
    // Since when the file should hold what was kept: the last recording or undo of
    // the student, or the new term.
    QDateTime since;

    // "在 Mirello 之外改动过：被点次数 4→6，优秀 +2（2026-12-01 10:05 以后）"
    QString text() const;
    friend bool operator==(const OutsideEdit&, const OutsideEdit&) = default;
};

// The students of `lines` (the class file `shownClass` as it is now) whose
// counters differ from what `history` says Mirello recorded since the class's last
// new term or restore, in the order of the file. Students the history says nothing
// of since then are not compared, except after a new term, which left every count
// at zero: a student added in a text editor with zero counts is no edit; one whose
// line is gone has nothing to compare.
QList<OutsideEdit> outsideEdits(const NameList& lines, const QList<HistoryEntry>& history,
                                const QString& shownClass);

} // namespace mirello
