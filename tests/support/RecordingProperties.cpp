#include "RecordingProperties.h"

#include "platform/TextCodec.h"
#include "roll/RollRecord.h"

#include <QList>

namespace mirello::test {

namespace {

// Lines as raw bytes: split at LF, one CR right before it dropped.
QList<QByteArrayView> rawLines(QByteArrayView body)
{
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < body.size();) {
        const qsizetype lf = body.indexOf('\n', start);
        qsizetype end = lf < 0 ? body.size() : lf;
        if (lf >= 0 && end > start && body[end - 1] == '\r')
            --end;
        lines.append(body.sliced(start, end - start));
        start = lf < 0 ? body.size() : lf + 1;
    }
    return lines;
}

QString changedLineViolation(QByteArrayView oldBytes, QByteArrayView newBytes,
                             TextEncoding encoding, const QString& personName)
{
    const QString oldLine = decodeText(oldBytes, encoding);
    const QString newLine = decodeText(newBytes, encoding);
    if (oldLine.size() != newLine.size())
        return u"a changed line changed its length: " + newLine;
    // The new counters are always 7 ASCII characters, so the head is what precedes them.
    if (newBytes.size() < 7 || !oldBytes.startsWith(newBytes.chopped(7)))
        return u"a changed line lost its head bytes: " + newLine;
    if (RollRecord(oldLine).personName() != QStringView(personName))
        return u"a line of another person changed: " + oldLine;
    return {};
}

} // namespace

QString recordingViolation(QByteArrayView before, QByteArrayView after, const QString& personName)
{
    const TextEncoding encoding = detectEncoding(before);
    const qsizetype preamble = preambleLength(encoding);
    if (!after.startsWith(before.first(preamble)))
        return QStringLiteral("the byte-order mark was lost");
    if (after.size() > preamble && !after.endsWith("\r\n"))
        return QStringLiteral("the file does not end with CR LF");
    const QList<QByteArrayView> oldLines = rawLines(before.sliced(preamble));
    const QList<QByteArrayView> newLines = rawLines(after.sliced(preamble));
    if (oldLines.size() != newLines.size())
        return QStringLiteral("the number of lines changed");
    for (qsizetype i = 0; i < oldLines.size(); ++i) {
        if (oldLines[i] == newLines[i])
            continue;
        if (QString broken = changedLineViolation(oldLines[i], newLines[i], encoding, personName);
            !broken.isEmpty())
            return broken;
    }
    return {};
}

bool changedLinesAre(QByteArrayView before, QByteArrayView after, const NameList& shown,
                     const QString& personName)
{
    const qsizetype preamble = preambleLength(detectEncoding(before));
    const QList<QByteArrayView> oldLines = rawLines(before.sliced(preamble));
    const QList<QByteArrayView> newLines = rawLines(after.sliced(preamble));
    for (qsizetype i = 0; i < oldLines.size() && i < newLines.size(); ++i) {
        const bool named = RollRecord(shown.at(i)).personName() == QStringView(personName);
        if (named != (oldLines[i] != newLines[i]))
            return false;
    }
    return true;
}

} // namespace mirello::test
