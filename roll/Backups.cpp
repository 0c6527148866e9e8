#include "Backups.h"

#include "OwnFiles.h"
#include "platform/AtomicReplace.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FolderListing.h"
#include "platform/Paths.h"
#include "RollFolder.h"
#include "RollRecord.h"
#include "RosterLoader.h"

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView NameFormat = u"yyyy-MM-dd_HH-mm-ss";
constexpr QStringView Extension = u".txt";
constexpr qsizetype StemLength = 19;
// Hidden, so that listing the backups never shows a half-written one.
constexpr QStringView ScratchName = u".backup.tmp";
// Names the backup of the version the latest restore or new term replaced, which is
// never removed: its date alone cannot say so when other backups are dated ahead.
constexpr QStringView LatestReplacedName = u".latest-replaced";

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
        listed.sequence = stem.mid(StemLength + 1).toInt(&ok);
        if (stem[StemLength] != u'_' || !ok || listed.sequence < 2)
            return std::nullopt;
        stem = stem.left(StemLength);
    }
    listed.taken = QDateTime::fromString(stem.toString(), NameFormat.toString());
    if (!listed.taken.isValid())
        return std::nullopt;
    return listed;
}

// The class's backups, oldest first; other files in its folder are left alone.
Result<QList<Listed>> listed(const RollFolder& folder, const QString& classFileName,
                             FileOperations& files)
{
    const QString path = classBackupFolder(folder, classFileName);
    if (std::optional<Error> problem = ownPathProblem(files, folder, path))
        return *problem;
    Result<std::optional<FileStatus>> status = files.linkStatus(path);
    if (!status)
        return status.error();
    QList<Listed> backups;
    if (!status.value())
        return backups;
    Result<QList<ListedFile>> plain = listPlainFiles(path);
    if (!plain)
        return plain.error();
    for (const ListedFile& file : plain.value()) {
        if (std::optional<Listed> backup = parseName(file.name))
            backups.append(*backup);
    }
    std::sort(backups.begin(), backups.end(), [](const Listed& a, const Listed& b) {
        return std::pair(a.taken, a.sequence) < std::pair(b.taken, b.sequence);
    });
    return backups;
}

// Oldest first in the order the program made them. A backup dated ahead of the clock
// (made on a PC whose clock ran fast) is held at now, below one made now, so that it
// never outranks what is made from here on.
void sortByMaking(QList<Listed>& backups, const QDateTime& now)
{
    const auto key = [&](const Listed& backup) {
        const bool ahead = backup.taken > now;
        return std::tuple(ahead ? now : backup.taken, !ahead, backup.taken, backup.sequence);
    };
    std::sort(backups.begin(), backups.end(),
              [&](const Listed& a, const Listed& b) { return key(a) < key(b); });
}

// The backup named by the marker; none without a marker.
Result<std::optional<QString>> latestReplaced(const RollFolder& folder, const QString& backupFolder,
                                              FileOperations& files)
{
    Result<std::optional<QByteArray>> name =
        readOwnFile(files, folder, pathInFolder(backupFolder, LatestReplacedName.toString()), 256);
    if (!name)
        return name.error();
    if (!name.value())
        return std::optional<QString>();
    return std::optional(QString::fromUtf8(*name.value()));
}

Error backupFailed(const QString& classFileName, const QString& what, const QString& reason)
{
    return Error{u"无法保存班级文件“" + shownFileName(classFileName) + u"”的备份（在 checkroll/" +
                     QString::fromUtf16(RollFolder::StateFolderName) + u"/backups 中）：" + what,
                 reason};
}

// `backups` oldest first; the one named `kept` stays whatever its place.
void removeOldest(FileOperations& files, const QString& backupFolder, const QList<Listed>& backups,
                  const QString& kept)
{
    // A backup that cannot be removed only costs space: the next change tries again.
    qsizetype excess = backups.size() - KeptBackupsPerClass;
    for (qsizetype i = 0; excess > 0 && i < backups.size(); ++i) {
        if (backups[i].fileName == kept)
            continue;
        (void)files.remove(pathInFolder(backupFolder, backups[i].fileName));
        --excess;
    }
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
    Result<QList<Listed>> backups = listed(folder, classFileName, files);
    if (!backups)
        return backupFailed(classFileName, backups.error().message, backups.error().reason);
    QList<Listed> existing = std::move(backups).value();
    sortByMaking(existing, now);
    if (rule == BackupRule::FirstChangeOfDay &&
        std::any_of(existing.begin(), existing.end(),
                    [&](const Listed& backup) { return backup.taken.date() == now.date(); }))
        return {};
    const QString backupFolder = classBackupFolder(folder, classFileName);
    FileStatus keep = classStatus;
    keep.permissions |= 0600; // a read-only class must not give a backup that cannot be replaced
    // A restore or a new term marks the backup of the version it replaces.
    const auto mark = [&](const QString& backupName) -> Result<void> {
        if (std::optional<ReplaceFailure> failure = replaceFileAtomically(
                files, pathInFolder(backupFolder, LatestReplacedName.toString()),
                pathInFolder(backupFolder, ScratchName.toString()), backupName.toUtf8(), keep)) {
            return backupFailed(classFileName,
                                describeReplaceFailure(*failure, ScratchName.toString(),
                                                       LatestReplacedName.toString()),
                                failure->error.reason);
        }
        return {};
    };
    if (rule == BackupRule::Always && !existing.isEmpty()) {
        Result<QByteArray> newest =
            readBackup(folder, classFileName, existing.last().fileName, files);
        if (newest && newest.value() == classBytes)
            return mark(existing.last().fileName);
    }

    if (Result<void> made = makeOwnFolders(files, folder, backupFolder); !made)
        return backupFailed(classFileName, made.error().message, made.error().reason);
    Listed added{now.toString(NameFormat.toString()) + Extension, now, 1};
    while (std::any_of(existing.begin(), existing.end(),
                       [&](const Listed& backup) { return backup.fileName == added.fileName; })) {
        added.fileName = now.toString(NameFormat.toString()) + u'_' +
                         QString::number(++added.sequence) + Extension;
    }
    if (std::optional<ReplaceFailure> failure = replaceFileAtomically(
            files, pathInFolder(backupFolder, added.fileName),
            pathInFolder(backupFolder, ScratchName.toString()), classBytes, keep)) {
        // Even a backup that is in but not yet safe on disk refuses the change.
        return backupFailed(
            classFileName, describeReplaceFailure(*failure, ScratchName.toString(), added.fileName),
            failure->error.reason);
    }
    if (rule == BackupRule::Always) {
        if (Result<void> marked = mark(added.fileName); !marked)
            return marked;
    }
    existing.append(added);
    // Without knowing which backup the marker keeps, none is removed this time.
    if (Result<std::optional<QString>> kept = latestReplaced(folder, backupFolder, files); kept)
        removeOldest(files, backupFolder, existing, kept.value().value_or(QString()));
    return {};
}

Result<QList<BackupInfo>> listBackups(const RollFolder& folder, const QString& classFileName,
                                      FileOperations& files)
{
    Result<QList<Listed>> backups = listed(folder, classFileName, files);
    if (!backups) {
        return Error{u"无法列出班级文件“" + shownFileName(classFileName) + u"”的备份。",
                     backups.error().reason};
    }
    QList<BackupInfo> infos;
    for (auto backup = backups.value().crbegin(); backup != backups.value().crend(); ++backup) {
        Result<QByteArray> bytes = readBackup(folder, classFileName, backup->fileName, files);
        infos.append(
            BackupInfo{backup->fileName, backup->taken, bytes ? totalCalls(bytes.value()) : -1});
    }
    return infos;
}

Result<QByteArray> readBackup(const RollFolder& folder, const QString& classFileName,
                              const QString& backupFileName, FileOperations& files)
{
    if (!RollFolder::isPlainFileName(backupFileName) || !parseName(backupFileName))
        return Error{u"“" + shownFileName(backupFileName) + u"”不是备份文件。", QString()};
    Result<std::optional<QByteArray>> bytes = readOwnFile(
        files, folder, pathInFolder(classBackupFolder(folder, classFileName), backupFileName),
        RollFolder::LargestClassFileBytes);
    if (!bytes)
        return bytes.error();
    if (!bytes.value())
        return Error{u"找不到备份“" + shownFileName(backupFileName) + u"”，它可能已被移走或删除。",
                     QString()};
    return std::move(*bytes.value());
}

} // namespace mirello
