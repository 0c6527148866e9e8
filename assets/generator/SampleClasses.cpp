#include "SampleClasses.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <QRandomGenerator>
#include <QStringList>

namespace mirello {

using namespace Qt::StringLiterals;

namespace {

struct ClassPlan
{
    QString fileName;
    QString leadPrefix; // the lead is this prefix and a two-digit seat number
    QStringList names;
    int calls;
    quint32 seed;
};

// Times each grade was awarded: 优秀, 良好, 及格, 不及格.
using Tallies = std::array<int, 4>;

// Calls as a fair draw makes them, each on a student drawn uniformly, so that the
// fairness report finds nothing amiss; grades at random, good ones more often,
// never past the tally digit's 9.
std::vector<Tallies> drawCalls(QRandomGenerator& random, qsizetype students, int calls)
{
    constexpr std::array<int, 4> shares = {25, 35, 28, 12};
    std::vector<Tallies> tallies(std::size_t(students), Tallies{});
    for (int call = 0; call < calls; ++call) {
        Tallies& student = tallies[std::size_t(random.bounded(int(students)))];
        int roll = random.bounded(100);
        std::size_t grade = 0;
        while (roll >= shares[grade]) {
            roll -= shares[grade];
            ++grade;
        }
        student[grade] = std::min(student[grade] + 1, 9);
    }
    return tallies;
}

QString rollLine(const QString& lead, const QString& name, const Tallies& tallies)
{
    const int calls = tallies[0] + tallies[1] + tallies[2] + tallies[3];
    QString tallyDigits;
    for (const int tally : tallies)
        tallyDigits += QString::number(tally);
    return lead + name + u'-' + u"%1"_s.arg(calls, 2, 10, QChar(u'0')) + u'\\' + tallyDigits;
}

QString classText(const ClassPlan& plan)
{
    QRandomGenerator random(plan.seed);
    const std::vector<Tallies> tallies = drawCalls(random, plan.names.size(), plan.calls);
    QString text;
    for (qsizetype seat = 0; seat < plan.names.size(); ++seat) {
        const QString lead = plan.leadPrefix + u"%1"_s.arg(seat + 1, 2, 10, QChar(u'0'));
        text += rollLine(lead, plan.names[seat], tallies[std::size_t(seat)]);
        text += u"\r\n"_s;
    }
    return text;
}

// One name holds a space (a two-character name padded to line up) and one holds a
// digit (telling apart two students of the same name).
const ClassPlan FullClass{
    u"高一(3)班.txt"_s,
    u"S202303"_s,
    {u"王子涵"_s, u"李 想"_s,  u"张伟"_s,   u"陈思远"_s, u"刘雨桐"_s,   u"杨浩然"_s, u"赵欣怡"_s,
     u"黄俊杰"_s, u"周雅琪"_s, u"吴梓轩"_s, u"徐可馨"_s, u"孙博文"_s,   u"马晓东"_s, u"朱嘉怡"_s,
     u"胡一鸣"_s, u"郭静"_s,   u"何宇航"_s, u"林诗涵"_s, u"罗家豪"_s,   u"高婉清"_s, u"欧阳晨曦"_s,
     u"郑凯"_s,   u"梁佳琪"_s, u"谢天宇"_s, u"宋雨萱"_s, u"唐子墨"_s,   u"韩晓雪"_s, u"冯志强"_s,
     u"张伟2"_s,  u"曹文静"_s, u"彭乐"_s,   u"曾思琪"_s, u"司马云帆"_s, u"田甜"_s,   u"董浩宇"_s,
     u"袁梦瑶"_s, u"蒋毅"_s,   u"蔡雨欣"_s, u"潘俊熙"_s, u"上官若溪"_s},
    240,
    20230903};

const ClassPlan SmallClass{u"高一(5)班.txt"_s,
                           u"S202305"_s,
                           {u"方子睿"_s, u"许诺"_s, u"沈佳宁"_s, u"韦一然"_s, u"钱小雨"_s,
                            u"陆星辰"_s, u"苏晴"_s, u"姚远航"_s, u"邓可欣"_s, u"叶思彤"_s},
                           20,
                           20230905};

} // namespace

Result<std::vector<SampleClass>> sampleClasses()
{
    std::vector<SampleClass> classes;
    for (const ClassPlan& plan : {FullClass, SmallClass}) {
        const std::optional<QByteArray> bytes = encodeText(classText(plan), TextEncoding::Gbk);
        if (!bytes)
            return Error{u"A sample class does not fit in GBK"_s, plan.fileName};
        classes.push_back({plan.fileName, *bytes});
    }
    return classes;
}

} // namespace mirello
