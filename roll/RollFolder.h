#pragma once

#include <QString>

namespace mirello {

// The folder "checkroll" beside the executable, where every file is one class.
class RollFolder
{
public:
    explicit RollFolder(const QString& programFolder);

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
    QString m_path;
};

} // namespace mirello
