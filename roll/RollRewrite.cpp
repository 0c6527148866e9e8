#include "RollRewrite.h"

#include "Grades.h"
#include "platform/TextCodec.h"
#include "platform/TextFunctions.h"
#include "RollRecord.h"

#include <optional>
#include <string_view>

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

constexpr QStringView TidyUp =
    u"如需继续记录，请在右键菜单中选择“新学期…”：这个班级的次数和成绩会清零，清零前会自动备份，"
    u"点名记录也会保留。";
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
    const std::optional<int> grade = gradeIndex(gradeText);
    const std::optional<int> weight = grade ? std::optional(gradeWeight(*grade)) : std::nullopt;
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

// Whether every LF in `lines` comes right after a CR. Written as one pass without
// branches, so that the compiler checks many bytes at a time.
bool everyLineFeedAfterCr(QByteArrayView lines)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(lines.data());
    unsigned char lone = !lines.isEmpty() && bytes[0] == '\n';
    for (qsizetype i = 1; i < lines.size(); ++i)
        lone |= (bytes[i] == '\n') & (bytes[i - 1] != '\r');
    return !lone;
}

// Appends whole lines of the file, each ended with CR LF whatever ended it there.
void appendLines(QByteArray& bytes, QByteArrayView lines)
{
    if ((lines.isEmpty() || lines.endsWith('\n')) && everyLineFeedAfterCr(lines)) {
        bytes.append(lines);
        return;
    }
    qsizetype copied = 0;
    for (qsizetype lf = lines.indexOf('\n'); lf >= 0; lf = lines.indexOf('\n', lf + 1)) {
        if (lf > 0 && lines[lf - 1] == '\r')
            continue;
        bytes.append(lines.sliced(copied, lf - copied));
        bytes.append(LineEnd);
        copied = lf + 1;
    }
    if (copied < lines.size()) {
        bytes.append(lines.sliced(copied));
        if (!lines.endsWith('\n'))
            bytes.append(LineEnd);
    }
}

// Where the next line that may hold the name starts, at `from` or after; the
// body's end when there is none. Decoding maps bytes to characters one to one (an
// invalid byte becomes U+FFFD, which has no encoding), so such a line holds the
// name's own encoding, `nameBytes`; without it, every line may.
qsizetype nextCandidateLine(QByteArrayView body, qsizetype from,
                            const std::optional<QByteArray>& nameBytes)
{
    if (!nameBytes)
        return from;
    const std::string_view text(body.data(), body.size());
    const std::size_t hit = text.find(std::string_view(nameBytes->data(), nameBytes->size()), from);
    if (hit == std::string_view::npos)
        return body.size();
    return body.lastIndexOf('\n', qsizetype(hit)) + 1;
}

// Appends the line that starts at `start` of `body`, rewritten when its name is
// personName, and returns where the next line starts.
Result<qsizetype> appendLine(QByteArray& rewritten, qsizetype& changedLines, QByteArrayView body,
                             qsizetype start, TextEncoding encoding, const QString& personName,
                             const QString& gradeText, const QString& shownFileName)
{
    const qsizetype lf = body.indexOf('\n', start);
    const qsizetype next = lf < 0 ? body.size() : lf + 1;
    QByteArrayView line = body.sliced(start, (lf < 0 ? body.size() : lf) - start);
    // CR LF ends a line, a lone LF too; a CR without LF stays in its line.
    if (lf >= 0 && line.endsWith('\r'))
        line.chop(1);

    const QString text = decodeText(line, encoding);
    const RollRecord record(text);
    const std::optional<QStringView> name = record.personName();
    if (!name || *name != personName) {
        rewritten.append(line);
        rewritten.append(LineEnd);
        return next;
    }

    Result<Counters> counters = raisedCounters(text, personName, gradeText, shownFileName);
    if (!counters)
        return counters.error();

    const std::optional<QByteArrayView> head = bytesBeforeCounters(line, text, encoding);
    if (!head) {
        const qsizetype lineNumber = body.first(start).count('\n') + 1;
        return Error{u"无法记录成绩：班级文件“" + shownFileName + u"”第 " +
                         QString::number(lineNumber) + u" 行（“" + personName +
                         u"”）末尾的次数和成绩无法按原样找到，为免改坏该行，没有记录。"
                         u"请检查该行末尾的字符后再试。",
                     QString()};
    }

    const QString newCounters =
        zeroPadded(counters.value().count, 2) + u'\\' + zeroPadded(counters.value().tally, 4);
    rewritten.append(*head);
    rewritten.append(*encodeText(newCounters, encoding));
    rewritten.append(LineEnd);
    ++changedLines;
    return next;
}

} // namespace

std::optional<QByteArrayView> bytesBeforeCounters(QByteArrayView line, QStringView text,
                                                  TextEncoding encoding)
{
    if (text.size() < RollRecord::CounterLength)
        return std::nullopt;
    const std::optional<QByteArray> counters =
        encodeText(text.right(RollRecord::CounterLength), encoding);
    if (!counters || !line.endsWith(*counters))
        return std::nullopt;
    const QByteArrayView head = line.chopped(counters->size());
    if (decodeText(head, encoding) != text.chopped(RollRecord::CounterLength))
        return std::nullopt;
    return head;
}

Result<QByteArray> rewriteRoll(QByteArrayView fileBytes, const QString& personName,
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

    if (personName.isEmpty()) {
        return Error{QStringLiteral("无法记录成绩：还没有点到任何同学。请先按“开始”，"
                                    "再按“暂停”点出一位同学，然后记录成绩。"),
                     QString()};
    }

    QByteArray rewritten;
    rewritten.reserve(fileBytes.size() + fileBytes.size() / 16 + 2);
    rewritten.append(fileBytes.first(preamble));

    // Only lines that may hold the name are decoded; the lines between them are
    // copied as they are.
    const std::optional<QByteArray> nameBytes = encodeText(personName, encoding);
    qsizetype changedLines = 0;
    for (qsizetype start = 0; start < body.size();) {
        const qsizetype candidate = nextCandidateLine(body, start, nameBytes);
        appendLines(rewritten, body.sliced(start, candidate - start));
        if (candidate == body.size())
            break;
        Result<qsizetype> next = appendLine(rewritten, changedLines, body, candidate, encoding,
                                            personName, gradeText, shownFileName);
        if (!next)
            return next.error();
        start = next.value();
    }
    // A roster edited while the program runs may have lost the person on screen.
    if (changedLines == 0) {
        return refusal(u"班级文件中没有“" + personName + u"”这一行。", shownFileName,
                       u"请重新选择班级，点名后再记录。");
    }
    return rewritten;
}

} // namespace mirello
