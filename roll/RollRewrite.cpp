#include "RollRewrite.h"

#include "GradeRecorder.h"
#include "NameList.h"
#include "platform/TextCodec.h"
#include "platform/TextFunctions.h"
#include "RollRecord.h"

#include <optional>

namespace mirello {

namespace {

constexpr QByteArrayView LineEnd("\r\n", 2);

struct Counters
{
    qint64 count;
    qint64 tally;
};

Error refusal(const QString& what, const QString& shownFileName, QStringView advice)
{
    return Error{u"无法记录成绩：" + what + u"班级文件“" + shownFileName + u"”没有改动，" + advice,
                 QString()};
}

constexpr QStringView TidyUp = u"如需继续记录，请先在班级文件中整理该同学的记录。";
constexpr QStringView Correct = u"请先在班级文件中改正这一行后再试。";

// The new counters of a matching line, or the refusal when they would not fit the
// two and four digits of the layout.
Result<Counters> raisedCounters(QStringView line, const QString& personName,
                                const QString& gradeText, const QString& shownFileName)
{
    const RollRecord record(line);
    // A negative counter is no count at all: raising it would only hide the damage.
    const qint64 count = record.callCount() + 1;
    if (count > 99) {
        return refusal(u"“" + personName + u"”已被记录 99 次，点名次数无法再增加。", shownFileName,
                       TidyUp);
    }
    if (count <= 0) {
        return refusal(u"“" + personName + u"”的点名次数“" +
                           record.callCountText().value_or(QStringView()).toString() +
                           u"”不是有效的次数。",
                       shownFileName, Correct);
    }

    // Adding the weight raises one digit only while that digit is below 9.
    const qint64 oldTally = record.gradeTally();
    const std::optional<int> weight = gradeWeight(gradeText);
    if (weight && (oldTally / *weight) % 10 == 9) {
        return refusal(u"“" + personName + u"”的“" + gradeText +
                           u"”已记满 9 次，再记录会改动其他成绩。",
                       shownFileName, TidyUp);
    }
    const qint64 tally = oldTally + weight.value_or(0);
    if (oldTally < 0 || tally > 9999) {
        return refusal(u"“" + personName + u"”的成绩记录“" + rightPart(line, 4).toString() +
                           u"”超出范围。",
                       shownFileName, Correct);
    }
    return Counters{count, tally};
}

} // namespace

Result<RewrittenRoll> rewriteRoll(QByteArrayView fileBytes, const QString& personName,
                                  const QString& gradeText, const QString& shownFileName)
{
    // GBK and UTF-8 text never holds a zero byte; a file that does is a picture, a
    // UTF-16 file or the like, and rewriting its "lines" would destroy it.
    if (fileBytes.contains('\0')) {
        return Error{u"无法记录成绩：“" + shownFileName +
                         u"”不是 GBK 或 UTF-8 文本文件（可能是图片或 UTF-16 文件），"
                         u"为免损坏，没有改动它。请把班级文件另存为 GBK 或 UTF-8 文本后再试。",
                     QString()};
    }
    const TextEncoding encoding = detectEncoding(fileBytes);
    const qsizetype preamble = preambleLength(encoding);
    const QByteArrayView body = fileBytes.sliced(preamble);

    RewrittenRoll rewritten;
    rewritten.bytes.reserve(fileBytes.size() + fileBytes.size() / 16 + 2);
    rewritten.bytes.append(fileBytes.first(preamble));

    // The file is decoded once and split as the roster loader splits it. A line feed
    // is never part of another character, so decoded and raw lines pair one to one.
    const NameList decoded = NameList::fromText(decodeText(body, encoding));
    for (qsizetype start = 0, index = 0; start < body.size(); ++index) {
        const qsizetype lineNumber = index + 1;
        if (index >= decoded.size())
            return Error{u"无法记录成绩：班级文件“" + shownFileName +
                             u"”的行无法正确分开，没有改动它。",
                         QString()};
        const qsizetype lf = body.indexOf('\n', start);
        QByteArrayView line = body.sliced(start, (lf < 0 ? body.size() : lf) - start);
        start = lf < 0 ? body.size() : lf + 1;
        // CR LF ends a line, a lone LF too; a CR without LF stays in its line.
        if (lf >= 0 && line.endsWith('\r'))
            line.chop(1);

        const QStringView text = decoded.at(index);
        const RollRecord record(text);
        const std::optional<QStringView> name = record.personName();
        if (!name || *name != personName) {
            rewritten.bytes.append(line);
            rewritten.bytes.append(LineEnd);
            continue;
        }

        Result<Counters> counters = raisedCounters(text, personName, gradeText, shownFileName);
        if (!counters)
            return counters.error();

        // Only the last 7 characters are replaced. They must be exactly the last
        // bytes of the line, and the bytes before them must be the rest of the
        // line, or the head would not be kept byte for byte.
        const QStringView oldCounters = text.last(RollRecord::CounterLength);
        const std::optional<QByteArray> oldCounterBytes = encodeText(oldCounters, encoding);
        if (!oldCounterBytes || !line.endsWith(*oldCounterBytes) ||
            decodeText(line.chopped(oldCounterBytes->size()), encoding) != *record.recordHead()) {
            return Error{u"无法记录成绩：班级文件“" + shownFileName + u"”第 " +
                             QString::number(lineNumber) + u" 行（“" + personName +
                             u"”）末尾的次数和成绩无法按原样找到，为免改坏该行，没有记录。"
                             u"请检查该行末尾的字符后再试。",
                         QString()};
        }

        const QString newCounters =
            zeroPadded(counters.value().count, 2) + u'\\' + zeroPadded(counters.value().tally, 4);
        rewritten.bytes.append(line.chopped(oldCounterBytes->size()));
        rewritten.bytes.append(*encodeText(newCounters, encoding));
        rewritten.bytes.append(LineEnd);
        ++rewritten.changedLines;
    }
    return rewritten;
}

} // namespace mirello
