#include "RosterGenerator.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <QRandomGenerator>
#include <QString>

namespace mirello {

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 Seed = 20240905;
constexpr int MostCalls = 24;
constexpr int HighestTally = 8;
constexpr qsizetype GbkCharacterSize = 2;

// Characters as GBK bytes, two per character, picked by index.
class GbkCharacters
{
public:
    explicit GbkCharacters(const QString& characters)
        : m_bytes(encodeText(characters, TextEncoding::Gbk).value())
    {
    }

    qsizetype count() const { return m_bytes.size() / GbkCharacterSize; }
    QByteArrayView at(qsizetype index) const
    {
        return QByteArrayView(m_bytes).sliced(index * GbkCharacterSize, GbkCharacterSize);
    }

private:
    QByteArray m_bytes;
};

// Frequent surnames and characters of given names; compound surnames make the
// four-character names.
const GbkCharacters& surnames()
{
    static const GbkCharacters characters(
        u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡"
        u"余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦方白邹孟熊秦邱江尹薛段雷侯龙史"
        u"陶黎贺顾毛郝龚邵万钱严武戴莫孔向汤"_s);
    return characters;
}

const GbkCharacters& compoundSurnames()
{
    static const GbkCharacters characters(u"欧阳司马上官诸葛东方皇甫令狐慕容"_s);
    return characters;
}

const GbkCharacters& givenNameCharacters()
{
    static const GbkCharacters characters(
        u"伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华玉兰萍红建文辉力宇浩然子涵思远雨"
        u"桐欣怡俊雅琪梓轩可馨博晓东嘉一鸣航诗豪婉清晨曦凯佳天萱墨雪志晴星辰睿诺宁乐甜毅瑶"_s);
    return characters;
}

// A character picked at random, each equally likely.
QByteArrayView anyOf(const GbkCharacters& characters, QRandomGenerator& random)
{
    return characters.at(random.bounded(static_cast<int>(characters.count())));
}

// A quarter of the names have two characters, most have three, one in ten has a
// compound surname and four characters.
void appendName(QByteArray& roster, QRandomGenerator& random)
{
    const int kind = random.bounded(100);
    if (kind >= 90) {
        const int compound = random.bounded(static_cast<int>(compoundSurnames().count() / 2));
        roster.append(compoundSurnames().at(2 * compound));
        roster.append(compoundSurnames().at(2 * compound + 1));
    } else {
        roster.append(anyOf(surnames(), random));
    }
    roster.append(anyOf(givenNameCharacters(), random));
    if (kind >= 25)
        roster.append(anyOf(givenNameCharacters(), random));
}

// Grades of 优秀, 良好, 及格, 不及格 awarded over a random number of calls, the
// better ones more often.
std::array<int, 4> drawTallies(QRandomGenerator& random)
{
    constexpr std::array<int, 4> shares = {25, 35, 28, 12};
    std::array<int, 4> tallies{};
    const int calls = random.bounded(MostCalls + 1);
    for (int call = 0; call < calls; ++call) {
        int roll = random.bounded(100);
        std::size_t grade = 0;
        while (roll >= shares[grade])
            roll -= shares[grade++];
        tallies[grade] = std::min(tallies[grade] + 1, HighestTally);
    }
    return tallies;
}

char digit(int value)
{
    return static_cast<char>('0' + value);
}

void appendCounters(QByteArray& roster, const std::array<int, 4>& tallies)
{
    const int calls = tallies[0] + tallies[1] + tallies[2] + tallies[3];
    roster.append(digit(calls / 10)).append(digit(calls % 10)).append('\\');
    for (const int tally : tallies)
        roster.append(digit(tally));
}

} // namespace

QByteArray generatedRoster(qsizetype lineCount)
{
    constexpr qsizetype AverageLineBytes = 26;
    QRandomGenerator random(Seed);
    QByteArray roster;
    roster.reserve(lineCount * AverageLineBytes);
    for (qsizetype number = 1; number <= lineCount; ++number) {
        roster.append('S').append(QByteArray::number(number).rightJustified(8, '0'));
        appendName(roster, random);
        roster.append('-');
        appendCounters(roster, drawTallies(random));
        roster.append("\r\n");
    }
    return roster;
}

} // namespace mirello
