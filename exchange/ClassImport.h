#pragma once

#include "CellTable.h"
#include "NewClassFile.h"
#include "platform/Result.h"
#include "platform/TextCodec.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>

namespace mirello {

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
// no number) and of the name, and how many rows of the table, from its top, are
// titles and never students.
struct ImportColumns
{
    std::optional<int> number;
    int name = 0;
    int titleRows = 0;

    friend bool operator==(const ImportColumns&, const ImportColumns&) = default;
};

// A first choice for the teacher: the columns titled 学号 and 姓名 when one of the
// first rows has such titles (a sheet often has its own title above them), else a
// column of numbers followed by one of names.
ImportColumns guessColumns(const CellTable& table);

// Why a row is not written as it stands.
enum class RowProblem
{
    None,
    NumberTooLong, // more than nine characters, whose last nine are not unique: blocks the import
    EmptyName,     // left out unless kept
    Duplicate,     // the same name as an earlier row: left out unless kept
    ControlCharacter, // a line break, tab or other control character: left out unless kept
    FormatCharacter   // an invisible or reversing character (U+202E, U+200B): blocks the import
};

struct ImportRow
{
    int sourceRow = 0;
    // The class file keeps nine characters: a longer number is cut to its last nine
    // when those stay unique in the class, and `fullNumber` keeps it as listed.
    QString number;
    QString fullNumber;
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
    // Whether the teacher took the numbers cut to nine characters.
    bool shorteningAccepted = false;
    // Of numbers too long whose last nine characters are not unique: which rows would
    // share one, "第 3 行与第 7 行（010100123）".
    QStringList collisions;

    // Why nothing can be written, in Chinese: numbers too long (cut ones until the
    // teacher takes them), invisible characters (each naming its rows), or a file over
    // the class-file limit. None when it can.
    std::optional<QString> blocked() const;
    // "学号超过 9 位：已改用后 9 位，例如 2023010100123 → 010100123" once taken; none
    // when no number was cut.
    std::optional<QString> shortening() const;
    // The first row whose number was cut; none when none was.
    const ImportRow* firstShortened() const;
    qsizetype writtenCount() const;
};

// The lines the rows of `table` make with `columns`; rows with a problem are written
// when their source row is in `kept` (one that blocks the import never is). Numbers
// cut to nine characters are written once `acceptShortened`.
ImportPlan planImport(const CellTable& table, const ImportColumns& columns,
                      const QSet<int>& kept = {}, bool acceptShortened = false);

} // namespace mirello
