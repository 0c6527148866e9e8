#include "HistorySeal.h"

#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "roll/OwnFiles.h"
#include "roll/RollFolder.h"

#include <QCryptographicHash>
#include <QList>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr qint64 LargestBytes = qint64(256) << 20;

QString sealPath(const RollFolder& folder)
{
    return pathInFolder(folder.stateFolderPath(), u"history.seal"_s);
}

// The chain carried on over the lines of `bytes`, each with its line end.
QByteArray chained(QByteArray hash, const QByteArray& bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        QCryptographicHash step(QCryptographicHash::Sha256);
        step.addData(hash);
        step.addData(bytes.mid(start, end - start));
        hash = step.result();
        start = end;
    }
    return hash;
}

struct SealLine
{
    qint64 covered = 0;
    QByteArray hash;
};

std::optional<SealLine> lastLine(const QByteArray& seal)
{
    const QList<QByteArray> lines = seal.trimmed().split('\n');
    const QList<QByteArray> fields = lines.last().trimmed().split(' ');
    bool number = false;
    const qint64 covered = fields.value(0).toLongLong(&number);
    const QByteArray hash = QByteArray::fromHex(fields.value(1));
    if (fields.size() != 2 || !number || covered < 0 || hash.size() != 32)
        return std::nullopt;
    return SealLine{covered, hash};
}

QByteArray lineOf(qint64 covered, const QByteArray& hash)
{
    return QByteArray::number(covered) + ' ' + hash.toHex() + "\r\n";
}

Error sealError(const QString& what, const QString& reason)
{
    return Error{u"无法更新点名记录的校验文件“.mirello/history.seal”："_s + what, reason};
}

} // namespace

SealState sealStateOf(const QByteArray& history, const QByteArray& seal)
{
    if (seal.trimmed().isEmpty())
        return SealState::NotYet;
    const std::optional<SealLine> last = lastLine(seal);
    if (!last || last->covered != history.size())
        return SealState::Broken;
    return chained(QByteArray(32, '\0'), history) == last->hash ? SealState::Intact
                                                                : SealState::Broken;
}

QByteArray sealLineAfter(const QByteArray& seal, qint64 before, const QByteArray& appended,
                         const std::function<QByteArray()>& history)
{
    if (seal.trimmed().isEmpty()) {
        const QByteArray start = before > 0 ? history() : QByteArray();
        return lineOf(start.size() + appended.size(),
                      chained(chained(QByteArray(32, '\0'), start), appended));
    }
    // A seal that no longer fits stays so: it is chained on, and still disagrees.
    const SealLine last = lastLine(seal).value_or(SealLine{-1, QByteArray(32, '\0')});
    return lineOf(last.covered + appended.size(), chained(last.hash, appended));
}

Result<void> sealAppend(const RollFolder& folder, qint64 before, const QByteArray& appended,
                        FileOperations& files)
{
    const QString path = sealPath(folder);
    Result<std::optional<QByteArray>> seal = readOwnFile(files, folder, path, LargestBytes);
    if (!seal)
        return sealError(seal.error().message, seal.error().reason);
    const QByteArray line =
        sealLineAfter(seal.value().value_or(QByteArray()), before, appended, [&] {
            Result<std::optional<QByteArray>> history =
                readOwnFile(files, folder, folder.historyFilePath(), LargestBytes);
            return history && history.value() ? history.value()->left(before) : QByteArray();
        });
    Result<FileOperations::Handle> opened = files.openForAppending(path);
    if (!opened)
        return sealError(u"无法打开该文件。"_s, opened.error().reason);
    Result<void> written = files.writeAll(opened.value(), line);
    Result<void> synced = written ? files.sync(opened.value()) : Result<void>();
    Result<void> closed = files.close(opened.value());
    for (const Result<void>* step : {&written, &synced, &closed}) {
        if (!*step)
            return sealError(u"写入失败。请检查磁盘空间。"_s, step->error().reason);
    }
    return {};
}

Result<SealState> checkHistorySeal(const RollFolder& folder)
{
    FileOperations& files = systemFileOperations();
    Result<std::optional<QByteArray>> seal =
        readOwnFile(files, folder, sealPath(folder), LargestBytes);
    Result<std::optional<QByteArray>> history =
        readOwnFile(files, folder, folder.historyFilePath(), LargestBytes);
    for (const auto* read : {&seal, &history}) {
        if (!*read)
            return Error{u"无法核对点名记录：" + read->error().message, read->error().reason};
    }
    return sealStateOf(history.value().value_or(QByteArray()), seal.value().value_or(QByteArray()));
}

} // namespace mirello
