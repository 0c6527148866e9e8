#include "FairnessSentence.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString pValueText(double p)
{
    if (p < 0.0001)
        return u"p < 0.0001"_s;
    return u"p = "_s + QString::number(p, 'g', 2);
}

// What the table shows, counted over its students (lines).
struct Tally
{
    qsizetype students = 0;
    qsizetype fewer = 0;
    qsizetype more = 0;
    qsizetype outside = 0;
    qsizetype never = 0;
    // How many a fair draw would put outside their range, and never call.
    double chanceOutside = 0;
    double chanceNever = 0;
    bool someAbsent = false;
};

Tally tally(const QList<OverviewRow>& rows, qint64 totalCalls)
{
    Tally t;
    t.students = rows.size();
    for (const OverviewRow& row : rows) {
        const StudentFairness& fair = row.fairness;
        t.fewer += fair.verdict == StudentFairness::Verdict::Fewer;
        t.more += fair.verdict == StudentFairness::Verdict::More;
        t.outside += fair.opportunities > 0 &&
                     (fair.calls < fair.range.lowest || fair.calls > fair.range.highest);
        t.never += row.calls == 0;
        t.chanceOutside += fair.chanceOutside;
        t.chanceNever += fair.opportunities > 0 ? fair.chanceNever : 1;
        t.someAbsent = t.someAbsent || fair.opportunities < totalCalls;
    }
    return t;
}

QString people(double expected)
{
    return expected < 0.95 ? u"不到 1"_s : u"约 "_s + QString::number(std::round(expected), 'f', 0);
}

QString paragraph(const FairnessReport& report, const Tally& t)
{
    if (t.students == 0)
        return u"这个班级还没有学生。"_s;
    if (report.totalCalls == 0) {
        return u"共 "_s + QString::number(t.students) +
               u" 名学生，还没有记录过点名，暂时无法判断点名是否公平。"_s;
    }
    if (t.students == 1)
        return u"班级只有一名学生，所有点名都落在这名学生身上。"_s;
    QString text =
        u"共 "_s + QString::number(t.students) + u" 名学生，已记录点名 "_s +
        QString::number(report.totalCalls) + u" 次（一次抽中只算一次，不论打了几次分）。"_s +
        (t.someAbsent ? u"一直在场的学生"_s : u"每名学生"_s) + u"平均应被点到 "_s +
        number(report.expectedCalls, 1) + u" 次，如果每次都公平随机抽取，有 95% 的可能在 "_s +
        QString::number(report.range.lowest) + u" 到 "_s + QString::number(report.range.highest) +
        u" 次之间"_s + (t.someAbsent ? u"；缺席过的学生按在场时的点名计算。"_s : u"。"_s);
    text += u"卡方拟合优度检验 "_s + pValueText(report.pValue);
    text += report.looksFair()
                ? u"（不小于 0.01）：各人的点名次数与公平随机抽取相符。"_s
                : u"（小于 0.01）：各人的点名次数相差过大，不像公平随机抽取的结果。"_s;
    if (report.roughApproximation())
        text += u"平均每人不到 5 次，记录还少，检验结果仅供参考。"_s;
    if (t.fewer + t.more > 0) {
        text +=
            u"逐人检验（已按全班人数校正，公平抽取时有人被标出的可能不到 1%）：明显偏少的有 "_s +
            QString::number(t.fewer) + u" 人，明显偏多的有 "_s + QString::number(t.more) +
            u" 人（表中已标出）。"_s;
    } else if (t.outside > 0) {
        text += u"有 "_s + QString::number(t.outside) +
                u" 人落在各自的 95% 范围之外；即使完全公平，也会有"_s + people(t.chanceOutside) +
                u" 人如此，属于正常的随机波动，没有哪名学生明显偏少或偏多。"_s;
    }
    if (t.never > 0) {
        text += u"从未被点到的有 "_s + QString::number(t.never) +
                u" 人（表中已标出），公平抽取时平均也会有"_s + people(t.chanceNever) + u" 人。"_s;
    }
    return text;
}

} // namespace

QString fairnessSentence(const FairnessReport& report, const QList<OverviewRow>& rows)
{
    return paragraph(report, tally(rows, report.totalCalls));
}

} // namespace mirello
