#pragma once

#include "NameList.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace mirello {

// A line that a change of a class file changed: its index, its text before and its
// new text.
struct ChangedLine
{
    qsizetype index;
    QString before;
    QString text;
};

// The lines whose text differs between two versions of a class file, split and
// decoded as the roster loader does. A recording or an undo changes only counters
// and line ends, so the versions have their lines at the same places.
QList<ChangedLine> changedLines(QByteArrayView before, QByteArrayView after);

// Gives the loaded class `loaded` the new text of every changed line, so that it
// shows what the file now holds. False, with `loaded` untouched, when a changed
// line's text before the change is not at its place in `loaded`: the file was
// changed elsewhere, or by a change of the whole class, since it was loaded.
bool takeChangedLines(NameList& loaded, const QList<ChangedLine>& changes);

} // namespace mirello
