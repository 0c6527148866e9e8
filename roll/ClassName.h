#pragma once

#include "platform/FolderListing.h"

#include <optional>
#include <QList>
#include <QString>
#include <QStringView>

namespace mirello {

// A class is a file of the roll folder; the teacher names it without the ending
// its file has, as the chooser lists it, and a new one gets that ending.
inline constexpr QStringView ClassFileEnding = u".txt";

// "高一(3)班" for the file "高一(3)班.txt": the name as shown, without the ending.
QString classNameOf(const QString& classFileName);

// The file name of the class the teacher named: the name with the ending added when
// it has none (trimmed of surrounding blanks).
QString classFileNameFor(const QString& className);

// The file of the class `name` names among `classes`, as the chooser lists them or
// without the ending a script may leave off, regardless of case; none when no
// class is called so.
std::optional<QString> classFileNamed(const QList<ListedFile>& classes, const QString& name);

// Why `fileName` cannot be the name of a new class file, in Chinese; none when it can.
// Refused: empty, a path separator or a character Windows forbids in names, a
// control character, a hidden name, the program's own scratch or lock file, a name
// Windows reserves (CON, NUL, COM1 ...), a trailing dot or blank, and names longer
// than LongestClassName characters (with its backups the path must stay within
// what Windows allows).
std::optional<QString> classFileNameProblem(const QString& fileName);
inline constexpr int LongestClassName = 60;

} // namespace mirello
