#include "OutsideEdits.h"

#include "roll/Grades.h"
#include "roll/RollRecord.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

struct Kept
{
    QString count;
    QString tally;
    QDateTime since;
};

// "+2", or both values where either is no single number.
QString changeOf(QStringView kept, QStringView now)
{
    bool keptNumber = false;
    bool nowNumber = false;
    const int was = kept.toInt(&keptNumber);
    const int is = now.toInt(&nowNumber);
    if (!keptNumber || !nowNumber)
        return kept.toString() + u"→"_s + now.toString();
    return (is > was ? u"+"_s : QString()) + QString::number(is - was);
}

} // namespace

QString OutsideEdit::text() const
{
    QStringList changes;
    if (countNow != countKept)
        changes.append(u"被点次数 "_s + changeOf(countKept, countNow));
    const bool single = !tallyKept.contains(u'、') && !tallyNow.contains(u'、') &&
                        tallyKept.size() == 4 && tallyNow.size() == 4;
    if (single) {
        for (int grade = 0; grade < 4; ++grade) {
            if (tallyKept[grade] != tallyNow[grade])
                changes.append(GradeNames[grade].toString() + u' ' +
                               changeOf(QStringView(tallyKept).mid(grade, 1),
                                        QStringView(tallyNow).mid(grade, 1)));
        }
    } else if (tallyNow != tallyKept) {
        changes.append(u"成绩记录 "_s + tallyKept + u"→"_s + tallyNow);
    }
    return u"在 Mirello 之外改动过："_s + changes.join(u"，"_s) + u"（"_s +
           since.toString(u"yyyy-MM-dd HH:mm"_s) + u" 以后）"_s;
}

QList<OutsideEdit> outsideEdits(const NameList& lines, const QList<HistoryEntry>& history,
                                const QString& shownClass)
{
    QHash<QString, Kept> kept;
    std::optional<QDateTime> newTerm;
    for (const HistoryEntry& entry : history) {
        if (entry.classFile != shownClass)
            continue;
        switch (entry.action) {
        case HistoryAction::Restore:
        case HistoryAction::NewTerm:
            kept.clear();
            newTerm =
                entry.action == HistoryAction::NewTerm ? std::optional(entry.time) : std::nullopt;
            break;
        case HistoryAction::Recording:
        case HistoryAction::Undo:
            kept.insert(entry.name, {entry.count, entry.tally, entry.time});
            break;
        default:
            break;
        }
    }
    // Each name's counters over all its lines, each different one once, as the
    // history writes them.
    QStringList names;
    QHash<QString, std::pair<QStringList, QStringList>> now;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const RollRecord record(lines.at(i));
        const std::optional<QStringView> person = record.personName();
        if (!person)
            continue;
        const QString name = person->toString();
        auto& [counts, tallies] = now[name];
        if (counts.isEmpty())
            names.append(name);
        counts.append(record.callCountText()->toString());
        tallies.append(lines.at(i).right(4).toString());
    }
    QList<OutsideEdit> edits;
    for (const QString& name : names) {
        const std::optional<Kept> was = kept.contains(name) ? std::optional(kept.value(name))
                                        : newTerm
                                            ? std::optional(Kept{u"00"_s, u"0000"_s, *newTerm})
                                            : std::nullopt;
        auto [counts, tallies] = now.value(name);
        counts.removeDuplicates();
        tallies.removeDuplicates();
        const QString count = counts.join(u'、');
        const QString tally = tallies.join(u'、');
        if (was && (count != was->count || tally != was->tally))
            edits.append({name, was->count, was->tally, count, tally, was->since});
    }
    return edits;
}

} // namespace mirello
