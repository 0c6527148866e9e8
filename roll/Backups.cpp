#include "Backups.h"

#include "platform/AtomicReplace.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FileReading.h"
#include "platform/FolderListing.h"
#include "platform/Paths.h"
#include "RollFolder.h"
#include "RollRecord.h"
#include "RosterLoader.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView NameFormat = u"yyyy-MM-dd_HH-mm-ss";
constexpr QStringView Extension = u".txt";
constexpr qsizetype StemLength = 19;
// Hidden, so that listing the backups never shows a half-written one.
constexpr QStringView ScratchName = u".backup.tmp";

QString classBackupFolder(const RollFolder& folder, const QString& classFileName)
{
    return pathInFolder(folder.backupsFolderPath(), classFileName);
}

struct Listed
{
    QString fileName;
    QDateTime taken;
    int sequence = 1; // a second backup within one second is "..._2.txt"
};

std::optional<Listed> parseName(const QString& fileName)
{
    if (!fileName.endsWith(Extension))
        return std::nullopt;
    QStringView stem = QStringView(fileName).chopped(Extension.size());
    Listed listed{fileName, {}, 1};
    if (stem.size() > StemLength) {
        bool ok = false;
        listed.sequence = stem.sliced(StemLength + 1).toInt(&ok);
        if (stem[StemLength] != u'_' || !ok || listed.sequence < 2)
            return std::nullopt;
        stem = stem.first(StemLength);
    }
    listed.taken = QDateTime::fromString(stem.toString(), NameFormat.toString());
    if (!listed.taken.isValid())
        return std::nullopt;
    return listed;
}

// The class's backups, oldest first; other files in its folder are left alone.
Result<QList<Listed>> listed(const RollFolder& folder, const QString& classFileName)
{
    const QString path = classBackupFolder(folder, classFileName);
    Result<std::optional<FileStatus>> status = systemFileOperations().status(path);
    if (!status)
        return status.error();
    QList<Listed> backups;
    if (!status.value())
        return backups;
    Result<QList<ListedFile>> files = listPlainFiles(path);
    if (!files)
        return files.error();
    for (const ListedFile& file : files.value()) {
        if (std::optional<Listed> backup = parseName(file.name))
            backups.append(*backup);
    }
    std::sort(backups.begin(), backups.end(), [](const Listed& a, const Listed& b) {
        return std::pair(a.taken, a.sequence) < std::pair(b.taken, b.sequence);
    });
    return backups;
}

Error backupFailed(const QString& classFileName, const QString& what, const QString& reason)
{
    return Error{u"无法保存班级文件“" + shownFileName(classFileName) + u"”的备份（在 checkroll/" +
                     QString::fromUtf16(RollFolder::StateFolderName) + u"/backups 中）：" + what,
                 reason};
}

void removeOldest(FileOperations& files, const QString& backupFolder, const QList<Listed>& backups)
{
    // A backup that cannot be removed only costs space: the next change tries again.
    for (qsizetype i = 0; i + KeptBackupsPerClass < backups.size(); ++i)
        (void)files.remove(pathInFolder(backupFolder, backups[i].fileName));
}

} // namespace

qint64 totalCalls(QByteArrayView classBytes)
{
    const NameList lines = nameListFromBytes(classBytes);
    qint64 calls = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const RollRecord record(lines.at(i));
        if (record.length() >= RollRecord::MinimumLength)
            calls += std::max<qint64>(0, record.callCount());
    }
    return calls;
}

Result<void> keepBackup(const RollFolder& folder, const QString& classFileName,
                        QByteArrayView classBytes, const FileStatus& classStatus,
                        const QDateTime& now, BackupRule rule, FileOperations& files)
{
    Result<QList<Listed>> backups = listed(folder, classFileName);
    if (!backups)
        return backupFailed(classFileName, u"无法列出已有的备份。"_s, backups.error().reason);
    QList<Listed> existing = std::move(backups).value();
    if (rule == BackupRule::FirstChangeOfDay &&
        std::any_of(existing.begin(), existing.end(),
                    [&](const Listed& backup) { return backup.taken.date() == now.date(); }))
        return {};
    const QString backupFolder = classBackupFolder(folder, classFileName);
    if (rule == BackupRule::Always && !existing.isEmpty()) {
        Result<QByteArray> newest =
            readWholeFile(pathInFolder(backupFolder, existing.last().fileName),
                          RollFolder::LargestClassFileBytes);
        if (newest && newest.value() == classBytes)
            return {};
    }

    for (const QString& path :
         {folder.stateFolderPath(), folder.backupsFolderPath(), backupFolder}) {
        if (Result<void> made = files.createFolder(path); !made) {
            return backupFailed(classFileName, u"无法建立文件夹“" + shownFileName(path) + u"”。",
                                made.error().reason);
        }
    }
    Listed added{now.toString(NameFormat.toString()) + Extension, now, 1};
    while (std::any_of(existing.begin(), existing.end(),
                       [&](const Listed& backup) { return backup.fileName == added.fileName; })) {
        added.fileName = now.toString(NameFormat.toString()) + u'_' +
                         QString::number(++added.sequence) + Extension;
    }
    FileStatus keep = classStatus;
    keep.permissions |= 0600; // a read-only class must not give a backup that cannot be replaced
    if (std::optional<ReplaceFailure> failure = replaceFileAtomically(
            files, pathInFolder(backupFolder, added.fileName),
            pathInFolder(backupFolder, ScratchName.toString()), classBytes, keep)) {
        // Even a backup that is in but not yet safe on disk refuses the change.
        return backupFailed(
            classFileName, describeReplaceFailure(*failure, ScratchName.toString(), added.fileName),
            failure->error.reason);
    }
    existing.append(added);
    removeOldest(files, backupFolder, existing);
    return {};
}

Result<QList<BackupInfo>> listBackups(const RollFolder& folder, const QString& classFileName)
{
    Result<QList<Listed>> backups = listed(folder, classFileName);
    if (!backups) {
        return Error{u"无法列出班级文件“" + shownFileName(classFileName) + u"”的备份。",
                     backups.error().reason};
    }
    QList<BackupInfo> infos;
    for (auto backup = backups.value().crbegin(); backup != backups.value().crend(); ++backup) {
        Result<QByteArray> bytes = readBackup(folder, classFileName, backup->fileName);
        infos.append(
            BackupInfo{backup->fileName, backup->taken, bytes ? totalCalls(bytes.value()) : -1});
    }
    return infos;
}

Result<QByteArray> readBackup(const RollFolder& folder, const QString& classFileName,
                              const QString& backupFileName)
{
    if (!RollFolder::isPlainFileName(backupFileName) || !parseName(backupFileName))
        return Error{u"“" + shownFileName(backupFileName) + u"”不是备份文件。", QString()};
    return readWholeFile(pathInFolder(classBackupFolder(folder, classFileName), backupFileName),
                         RollFolder::LargestClassFileBytes);
}

} // namespace mirello
