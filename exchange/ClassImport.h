#pragma once

#include "CellTable.h"
#include "platform/Result.h"
#include "platform/TextCodec.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>

namespace mirello {

class FileOperations;
class RollFolder;

// The rows of CSV bytes: UTF-8 with or without byte-order mark, or GBK, told apart as
// class files are; separated by commas, semicolons or tabs (whichever the first line
// uses most), fields quoted with "..." as spreadsheets write them. Refused when
// longer than LargestTableRows.
Result<CellTable> tableFromCsv(QByteArrayView bytes);

// The rows of text pasted into the window, one student per line: cells separated by
// tabs (as copied from a spreadsheet), or else a leading student number split off
// the name ("20230107 王小明").
Result<CellTable> tableFromPastedText(QStringView text);

// Which cells make the class: the columns (from 0) of the student number (none for
// no number) and of the name, and whether the first row holds column titles.
struct ImportColumns
{
    std::optional<int> number;
    int name = 0;
    bool titleRow = false;

    friend bool operator==(const ImportColumns&, const ImportColumns&) = default;
};

// A first choice for the teacher: the columns titled 学号 and 姓名 when the first
// row has such titles, else a column of numbers followed by one of names.
ImportColumns guessColumns(const CellTable& table);

// Why a row is not written as it stands.
enum class RowProblem
{
    None,
    NumberTooLong,    // the student number has more than nine characters: blocks the import
    EmptyName,        // left out unless kept
    Duplicate,        // the same name as an earlier row: left out unless kept
    ControlCharacter, // a line break, tab or other control character: left out unless kept
    FormatCharacter   // an invisible or reversing character (U+202E, U+200B): blocks the import
};

struct ImportRow
{
    int sourceRow = 0;
    QString number;
    QString name;
    RowProblem problem = RowProblem::None;
    // For a duplicate: the source row of the first one with the name.
    int firstRow = 0;
    // Whether the line is written: rows without a problem always, others when kept.
    bool written = false;
    // The line as it is written (without CR LF): number padded to nine characters,
    // name with each control character as a space, "-00\0000".
    QString line;
};

// What an import would write, for the preview and for the file.
struct ImportPlan
{
    QList<ImportRow> rows;
    // GBK when every written character has a GBK form that reads back the same;
    // otherwise UTF-8 with byte-order mark, so that no reader takes it for GBK.
    TextEncoding encoding = TextEncoding::Gbk;
    // The bytes of the new class file: the written lines, each ended with CR LF.
    QByteArray bytes;

    // Whether the written lines would make a class file over the class-file limit.
    bool tooLarge = false;

    // Why nothing can be written, in Chinese: numbers too long, invisible characters
    // (each naming its rows), or a file over the class-file limit. None when it can.
    std::optional<QString> blocked() const;
    qsizetype writtenCount() const;
};

// The lines the rows of `table` make with `columns`; rows with a problem are written
// when their source row is in `kept` (one that blocks the import never is).
ImportPlan planImport(const CellTable& table, const ImportColumns& columns,
                      const QSet<int>& kept = {});

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
