#pragma once

#include "platform/Result.h"

#include <optional>
#include <QByteArrayView>
#include <QString>

namespace mirello {

class FileOperations;
class RollFolder;

// The file name of the class the teacher named: the name with ".txt" added when it
// has no extension of its own (trimmed of surrounding blanks).
QString classFileNameFor(const QString& className);

// Why `fileName` cannot be the name of a new class file, in Chinese; none when it can.
// Refused: empty, a path separator or a character Windows forbids in names, a
// control character, a hidden name, the program's own scratch or lock file, a name
// Windows reserves (CON, NUL, COM1 ...), a trailing dot or blank, and names longer
// than LongestClassName characters (with its backups the path must stay within
// what Windows allows).
std::optional<QString> classFileNameProblem(const QString& fileName);
inline constexpr int LongestClassName = 60;

// Writes the new class file `fileName` into `folder` with `bytes`, under the roll
// folder's lock and through the scratch file, so that it appears whole or not at
// all. Never replaces anything: refused when a class of that name is there, also
// one that differs only in upper and lower case (which is the same file on Windows
// and on USB sticks). The new file gets the roll folder's owner, and its access
// bits without execute.
Result<void> writeNewClass(const RollFolder& folder, const QString& fileName, QByteArrayView bytes,
                           FileOperations& files);

} // namespace mirello
