#include "ClassOverview.h"

#include "draw/ClassFairness.h"
#include "draw/DrawTick.h"
#include "FairnessSentence.h"
#include "keeping/HistorySeal.h"
#include "keeping/OutsideEdits.h"
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

// What the overview says beside the fairness sentence of the edits outside Mirello.
QString outsideEditsSentence(qsizetype edited, const Result<SealState>& seal)
{
    QString said;
    if (edited > 0)
        said += u"\n有 "_s + QString::number(edited) +
                u" 位学生的次数或成绩在 Mirello 之外改动过，见“外部改动”一列。"_s;
    if (seal && seal.value() == SealState::Broken)
        said += u"\n点名记录“.mirello/history.csv”与它的校验不一致：它在 Mirello 之外改动过，"
                u"或者校验没能写入。它所记的不能证明名册没被改过。"_s;
    return said;
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
    QHash<QString, QString> edits;
    for (const OutsideEdit& edit :
         outsideEdits(names.value(), overview.history, overview.shownClass))
        edits.insert(edit.name, edit.text());
    overview.rows.reserve(qsizetype(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        OverviewRow row = rowOf(RollRecord(names.value().at(lines[i])), lines[i]);
        row.key = keys[i];
        const StudentHistory called = histories.value(row.name);
        row.callsThisTerm = called.callsThisTerm;
        row.lastCalled = called.lastCalled;
        row.fairness = fairness.students[i];
        row.outsideEdit = edits.value(row.name);
        overview.rows.append(std::move(row));
    }
    overview.report = std::move(fairness.report);
    overview.sentence = fairnessSentence(overview.report, overview.rows) +
                        outsideEditsSentence(edits.size(), checkHistorySeal(folder));
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
