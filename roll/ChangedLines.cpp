#include "ChangedLines.h"

#include "RosterLoader.h"

namespace mirello {

QList<ChangedLine> changedLines(QByteArrayView before, QByteArrayView after)
{
    const NameList old = nameListFromBytes(before);
    const NameList now = nameListFromBytes(after);
    QList<ChangedLine> changes;
    for (qsizetype i = 0; i < std::min(old.size(), now.size()); ++i) {
        if (old.at(i) != now.at(i))
            changes.append({i, old.at(i).toString(), now.at(i).toString()});
    }
    return changes;
}

bool takeChangedLines(NameList& loaded, const QList<ChangedLine>& changes)
{
    for (const ChangedLine& change : changes) {
        if (change.index >= loaded.size() || loaded.at(change.index) != change.before ||
            change.before.size() != change.text.size())
            return false;
    }
    for (const ChangedLine& change : changes)
        loaded.overwrite(change.index, change.text);
    return true;
}

} // namespace mirello
