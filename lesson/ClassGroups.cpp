#include "ClassGroups.h"

#include "platform/Csv.h"
#include "roll/RollRecord.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

double scoreOf(QStringView line)
{
    const RollRecord record(line);
    std::array<qint64, 4> tallies{};
    for (int grade = 0; grade < 4; ++grade) {
        const std::optional<QStringView> digit = record.tallyDigit(grade);
        tallies[std::size_t(grade)] = digit ? std::max(0, digit->toString().toInt()) : 0;
    }
    return gradeScore(tallies[0], tallies[1], tallies[2], tallies[3]);
}

GroupMember memberOn(const NameList& names, quint32 line)
{
    const RollRecord record(names.at(line));
    return {record.leadField().toString(), record.personName().value_or(QStringView()).toString()};
}

QStringList titles()
{
    return {u"组"_s, u"学号"_s, u"姓名"_s};
}

QString groupName(qsizetype group)
{
    return u"第 "_s + QString::number(group + 1) + u" 组"_s;
}

} // namespace

Result<ClassGrouping> groupStudents(const GroupingJob& job, const GroupingRequest& request,
                                    RandomSource& random)
{
    const NameList& names = job.names;
    const std::vector<quint32>& lines = job.lines;
    const std::vector<qsizetype>& present = job.present;
    const QList<StudentGroups>& earlier = job.earlier;
    const std::vector<StudentKey> keys = studentKeys(names, lines);
    QHash<StudentKey, int> numberOf;
    std::vector<double> scores;
    for (const qsizetype student : present) {
        numberOf.insert(keys[std::size_t(student)], int(scores.size()));
        scores.push_back(scoreOf(names.at(lines[std::size_t(student)])));
    }
    // The grouping takes the most recent first; students not present are left out.
    std::vector<Groups> before;
    for (auto grouping = earlier.crbegin(); grouping != earlier.crend(); ++grouping) {
        Groups& numbered = before.emplace_back();
        for (const QList<StudentKey>& group : *grouping) {
            std::vector<int>& members = numbered.emplace_back();
            for (const StudentKey& key : group) {
                if (const auto found = numberOf.constFind(key); found != numberOf.cend())
                    members.push_back(*found);
            }
        }
    }
    const Result<Grouping> result = makeGroups(scores, before, request, random);
    if (!result)
        return result.error();
    const Grouping& made = result.value();
    ClassGrouping grouping{{}, made.repeatedPairs, made.largestBalanceGap};
    for (const std::vector<int>& group : made.groups) {
        grouping.groups.append(QList<StudentKey>());
        QList<StudentKey>& members = grouping.groups.last();
        for (const int number : group)
            members.append(keys[std::size_t(present[std::size_t(number)])]);
    }
    return grouping;
}

NamedGroups namedGroups(const NameList& names, std::span<const quint32> lines,
                        const StudentGroups& groups)
{
    const std::vector<StudentKey> keys = studentKeys(names, lines);
    QHash<StudentKey, quint32> lineOf;
    for (std::size_t student = 0; student < keys.size(); ++student)
        lineOf.insert(keys[student], lines[student]);
    NamedGroups named;
    for (const QList<StudentKey>& group : groups) {
        QList<GroupMember> members;
        for (const StudentKey& key : group) {
            if (const auto found = lineOf.constFind(key); found != lineOf.cend())
                members.append(memberOn(names, *found));
        }
        if (!members.isEmpty())
            named.append(members);
    }
    return named;
}

QString groupsText(const NamedGroups& groups)
{
    QString text;
    for (qsizetype group = 0; group < groups.size(); ++group) {
        QStringList members;
        for (const GroupMember& member : groups[group])
            members.append(member.name);
        text += groupName(group) + u"："_s + members.join(u"、"_s) + u'\n';
    }
    return text;
}

QByteArray groupsCsv(const NamedGroups& groups)
{
    QString text = csvLine(titles());
    for (qsizetype group = 0; group < groups.size(); ++group) {
        for (const GroupMember& member : groups[group])
            text += csvLine({groupName(group), member.number, member.name});
    }
    // With the byte-order mark, as spreadsheet programs on Windows read Chinese right.
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

XlsxSheet groupsSheet(const NamedGroups& groups)
{
    XlsxSheet sheet{u"分组"_s, titles(), {}};
    for (qsizetype group = 0; group < groups.size(); ++group) {
        for (const GroupMember& member : groups[group])
            sheet.rows.append({groupName(group), member.number, member.name});
    }
    return sheet;
}

} // namespace mirello
