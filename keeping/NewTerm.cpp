#include "NewTerm.h"

#include "platform/FileNames.h"
#include "platform/TextCodec.h"
#include "roll/RollRecord.h"
#include "roll/RollRewrite.h"

using namespace Qt::StringLiterals;

namespace mirello {

Result<QByteArray> resetCounters(QByteArrayView fileBytes, const QString& shownFileName)
{
    const QString refused = u"无法开始新学期：班级文件“" + shownFileName + u"”";
    if (fileBytes.contains('\0')) {
        return Error{refused + u"不是 GBK 或 UTF-8 文本文件，为免损坏，没有改动它。", QString()};
    }
    const TextEncoding encoding = detectEncoding(fileBytes);
    const qsizetype preamble = preambleLength(encoding);
    const QByteArrayView body = fileBytes.sliced(preamble);
    const QByteArray zero = *encodeText(u"00\\0000", encoding);

    QByteArray reset = fileBytes.first(preamble).toByteArray();
    reset.reserve(fileBytes.size() + fileBytes.size() / 16 + 2);
    qsizetype number = 0;
    for (qsizetype start = 0; start < body.size();) {
        const qsizetype lf = body.indexOf('\n', start);
        const qsizetype end = lf < 0 ? body.size() : lf;
        QByteArrayView line = body.sliced(start, end - start);
        if (lf >= 0 && line.endsWith('\r'))
            line.chop(1);
        start = lf < 0 ? body.size() : lf + 1;
        ++number;

        const QString text = decodeText(line, encoding);
        // Only a line a recording could raise is a student's: it has a name and its
        // counters in their layout. Any other line, a title or a note, stays as it is.
        const RollRecord record(text);
        const std::optional<QStringView> name = record.personName();
        if (!name || name->isEmpty() || !record.hasCounterLayout()) {
            reset += line;
            reset += "\r\n";
            continue;
        }
        // As in a recording, only the last 7 characters change.
        const std::optional<QByteArrayView> head = bytesBeforeCounters(line, text, encoding);
        if (!head) {
            return Error{refused + u"第 " + QString::number(number) +
                             u" 行末尾的次数和成绩无法按原样找到，为免改坏该行，没有改动这个班级。"
                             u"请检查该行末尾的字符后再试。",
                         QString()};
        }
        reset += *head;
        reset += zero;
        reset += "\r\n";
    }
    return reset;
}

Result<LoggedChange> startNewTerm(const RollFolder& folder, const QString& classFileName,
                                  const QDateTime& time, FileOperations& files)
{
    static constexpr ChangeWording NewTerm{u"无法开始新学期：", u"新学期已写入班级文件"};
    const QString shown = shownFileName(classFileName);
    Result<ClassFileChange> change = rewriteClassFile(
        folder, classFileName,
        [&](const QByteArray& current) { return resetCounters(current, shown); }, NewTerm, files,
        ChangeBackup{BackupRule::Always, time});
    if (!change)
        return change.error();

    return logClassChange(folder, std::move(change).value(), shown, HistoryAction::NewTerm,
                          u"点名次数和成绩清零"_s, time, u"新学期已写入班级文件“" + shown + u"”",
                          files);
}

} // namespace mirello
