#pragma once

#include <QString>

namespace mirello {

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
    // The scratch file a recording writes before it replaces the class file.
    QString scratchFilePath() const;

    // A name that stays inside the folder: not empty, no separator, not "." or "..".
    static bool isPlainFileName(const QString& fileName);

    static constexpr char16_t FolderName[] = u"checkroll";
    static constexpr char16_t ScratchFileName[] = u"TEMP.txt";

private:
    explicit RollFolder(const QString& path);

    QString m_path;
};

} // namespace mirello
