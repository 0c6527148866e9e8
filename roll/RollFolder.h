#pragma once

#include "platform/FolderListing.h"

#include <chrono>
#include <optional>
#include <QString>
#include <QStringView>

namespace mirello {

class FileLock;

// The roll folder "checkroll", where every file is one class. It lies beside the
// executable or in the user's data folder (see RollFolderLocation.h).
class RollFolder
{
public:
    // The roll folder at `path`.
    static RollFolder at(const QString& path) { return RollFolder(path); }
    // The roll folder "checkroll" in `programFolder`.
    static RollFolder besideProgram(const QString& programFolder);

    const QString& path() const { return m_path; }
    // The class file with the name the class chooser lists, extension included.
    QString classFilePath(const QString& fileName) const;
    // The scratch file a recording writes before it replaces a class file here.
    QString scratchFilePath() const;
    // The file whose lock keeps two copies of the program from writing at once.
    QString lockFilePath() const;
    // The hidden folder of the program's own files beside the classes, its backups
    // folder (one subfolder per class) and the history of every change.
    QString stateFolderPath() const;
    QString backupsFolderPath() const;
    QString historyFilePath() const;

    // The classes the chooser offers: the plain files, the program's own left out.
    Result<QList<ListedFile>> listClasses() const;
    // Removes a scratch file left by a copy that crashed, when no copy is recording
    // now. Quietly does nothing otherwise: the next recording clears it, or says why not.
    void removeLeftoverScratch() const;

    // A name that stays inside the folder: not empty, no separator, not "." or "..".
    static bool isPlainFileName(const QString& fileName);
    // The scratch or the lock file: the program's own files, never a class. Compared
    // as the file system compares names, so "temp.txt" is the scratch file on Windows.
    static bool isHelperFileName(const QString& fileName);

    // A real class is kilobytes; a million students take about 25 MB. Anything
    // larger is refused unread, so no file can exhaust the memory.
    static constexpr qint64 LargestClassFileBytes = qint64(64) << 20;

    static constexpr char16_t FolderName[] = u"checkroll";
    static constexpr char16_t ScratchFileName[] = u"TEMP.txt";
    // Hidden, so the class chooser never lists it.
    static constexpr char16_t LockFileName[] = u".mirello.lock";
    static constexpr char16_t StateFolderName[] = u".mirello";

private:
    explicit RollFolder(const QString& path);

    QString m_path;
};

// How long a write waits for another copy of the program to finish writing the
// same roll folder before it gives up.
inline constexpr std::chrono::milliseconds RollFolderLockWait{2000};

// Takes `lock` on the roll folder for a write; when another copy holds it past the
// wait, or it cannot be taken, the error begins with `refused` and says `unchanged`
// (what was left as it was) before what to do.
std::optional<Error> lockRollFolder(FileLock& lock, const RollFolder& folder, QStringView refused,
                                    QStringView unchanged);

} // namespace mirello
