#include "ClassOverview.h"

#include "draw/ClassFairness.h"
#include "draw/DrawTick.h"
#include "FairnessSentence.h"
#include "platform/FileNames.h"
#include "roll/RollFolder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

OverviewRow rowOf(const RollRecord& record, quint32 line)
{
    OverviewRow row;
    row.order = qsizetype(line) + 1;
    row.lead = record.leadField().toString();
    row.name = record.personName()->toString();
    row.shownName = shownName(row.name);
    row.calls = record.callCount();
    for (std::size_t grade = 0; grade < row.tallies.size(); ++grade)
        row.tallies[grade] = record.tallyDigit(int(grade))->toString();
    return row;
}

} // namespace

ClassOverview readClassOverview(const RollFolder& folder, const QString& classFileName)
{
    ClassOverview overview;
    if (classFileName.isEmpty()) {
        overview.sentence = u"还没有选择班级。"_s;
        return overview;
    }
    overview.shownClass = shownFileName(classFileName);
    Result<QList<HistoryEntry>> history = readHistory(folder, {overview.shownClass});
    if (history)
        overview.history = std::move(history).value();
    else
        overview.historyError = history.error();
    Result<NameList> names = loadRoster(folder.classFilePath(classFileName));
    if (!names) {
        overview.classError = names.error();
        return overview;
    }
    const std::vector<quint32> lines = studentLines(names.value());
    const std::vector<StudentKey> keys = studentKeys(names.value(), lines);
    ClassFairness fairness =
        classFairness(names.value(), lines, overview.history, overview.shownClass);
    const QHash<QString, StudentHistory> histories =
        studentHistories(overview.history, overview.shownClass);
    overview.rows.reserve(qsizetype(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        OverviewRow row = rowOf(RollRecord(names.value().at(lines[i])), lines[i]);
        row.key = keys[i];
        const StudentHistory called = histories.value(row.name);
        row.callsThisTerm = called.callsThisTerm;
        row.lastCalled = called.lastCalled;
        row.fairness = fairness.students[i];
        overview.rows.append(std::move(row));
    }
    overview.report = std::move(fairness.report);
    overview.sentence = fairnessSentence(overview.report, overview.rows);
    return overview;
}

QStringList ClassOverview::historyTexts(const OverviewRow& row) const
{
    const QList<HistoryEntry> lines = historyOfStudent(history, shownClass, row.name);
    QStringList texts{row.shownName + u" 的点名记录："_s};
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        QString text = line->time.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s) + u"  "_s +
                       actionWord(line->action);
        if (!line->grade.isEmpty())
            text += u" "_s + line->grade;
        if (!line->count.isEmpty())
            text += u" → "_s + line->count + u" 次"_s;
        texts.append(text);
    }
    if (lines.isEmpty())
        texts.append(u"（还没有记录）"_s);
    return texts;
}

} // namespace mirello
