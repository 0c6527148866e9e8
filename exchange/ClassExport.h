#pragma once

#include "keeping/History.h"
#include "platform/Result.h"
#include "XlsxWriter.h"

#include <array>
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace mirello {

class FileOperations;
class RollFolder;

// One student as exported: the counters as the class file holds them, and from the
// history the calls of this term and the day of the last call.
struct ExportedStudent
{
    QString number;
    QString name;
    QString calls;
    std::array<QString, 4> tallies; // 优秀, 良好, 及格, 不及格
    qint64 callsThisTerm = 0;
    QDate lastCalled;
};

struct ExportedClass
{
    QString name; // the class file's name as shown, without ".txt"
    QList<ExportedStudent> students;
};

// The students of the class file `classFileName` with its `bytes`; lines too short
// to hold a student are left out.
ExportedClass exportedClass(const QString& classFileName, QByteArrayView bytes,
                            const QList<HistoryEntry>& history);

// The classes named, read from `folder`, with the history; the error names the class
// that could not be read.
Result<QList<ExportedClass>> readClassesForExport(const RollFolder& folder,
                                                  const QStringList& classFileNames);

// The column titles: 学号, 姓名, 点名次数, the four grades, 本学期点名次数, 最近点名日期.
QStringList exportTitles();

// UTF-8 with byte-order mark and CR LF, so that spreadsheet programs on Windows
// read the Chinese right; with more than one class a first column names the class.
// A text that a spreadsheet would take for a formula gets a "'" (csvLine()).
QByteArray exportCsv(const QList<ExportedClass>& classes);

// A workbook of the classes, and why each class left out of it was, in Chinese.
struct ExportedWorkbook
{
    QByteArray bytes;
    QStringList leftOut;
};

// One sheet per class, numbers as numbers, written by the helper `helper` (writeXlsx()).
// A class with a text longer than a cell holds is left out and named; the others are
// written.
Result<ExportedWorkbook> exportXlsx(const QList<ExportedClass>& classes,
                                    const QString& helper = xlsxHelperPath());

// Writes `bytes` to `path` so that it holds its whole old or whole new content,
// through a hidden scratch file beside it; an existing file keeps its owner and
// access bits.
Result<void> writeExportFile(const QString& path, QByteArrayView bytes, FileOperations& files);

} // namespace mirello
