#include "ClassExport.h"

#include "CellTable.h"
#include "platform/AtomicReplace.h"
#include "platform/Csv.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FileReading.h"
#include "platform/Paths.h"
#include "roll/ClassName.h"
#include "roll/Grades.h"
#include "roll/RollFolder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"
#include "XlsxWriter.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView DateFormat = u"yyyy-MM-dd";

bool allDigits(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A student number or counter that spreadsheets may hold as a number without losing
// anything: digits only, no leading zero, within a double's exact range.
XlsxCell numberOrText(const QString& text)
{
    if (allDigits(text) && text.size() <= 15 && (text.size() == 1 || text[0] != u'0'))
        return text.toDouble();
    return text;
}

// A counter as the class file holds it ("03"), as a number when it is one.
XlsxCell countCell(const QString& text)
{
    if (allDigits(text))
        return text.toDouble();
    return text;
}

QString dateText(const QDate& date)
{
    return date.isValid() ? date.toString(DateFormat.toString()) : QString();
}

bool fitsCells(const ExportedClass& exported)
{
    return std::all_of(
        exported.students.begin(), exported.students.end(), [](const ExportedStudent& student) {
            return std::max({student.number.size(), student.name.size(), student.calls.size()}) <=
                   LongestCellText;
        });
}

} // namespace

ExportedClass exportedClass(const QString& classFileName, QByteArrayView bytes,
                            const QList<HistoryEntry>& history)
{
    const QString shown = shownFileName(classFileName);
    ExportedClass exported;
    exported.name = classNameOf(classFileName);
    const QHash<QString, StudentHistory> histories = studentHistories(history, shown);
    const NameList lines = nameListFromBytes(bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const RollRecord record(lines.at(i));
        if (record.length() < RollRecord::MinimumLength)
            continue;
        ExportedStudent student;
        student.number = RollRecord(lines.at(i)).leadField().trimmed().toString();
        student.name = record.personName()->toString();
        student.calls = record.callCountText()->toString();
        for (int grade = 0; grade < int(GradeNames.size()); ++grade)
            student.tallies[grade] = record.tallyDigit(grade)->toString();
        const StudentHistory summary = histories.value(student.name);
        student.callsThisTerm = summary.callsThisTerm;
        student.lastCalled = summary.lastCalled;
        exported.students.append(student);
    }
    return exported;
}

Result<QList<ExportedClass>> readClassesForExport(const RollFolder& folder,
                                                  const QStringList& classFileNames)
{
    QStringList shownClasses;
    for (const QString& name : classFileNames)
        shownClasses.append(shownFileName(name));
    Result<QList<HistoryEntry>> history = readHistory(folder, shownClasses);
    if (!history)
        return Error{u"无法导出：" + history.error().message, history.error().reason};
    QList<ExportedClass> classes;
    for (const QString& name : classFileNames) {
        Result<QByteArray> bytes =
            readWholeFile(folder.classFilePath(name), RollFolder::LargestClassFileBytes);
        if (!bytes)
            return Error{u"无法导出：" + bytes.error().message, bytes.error().reason};
        classes.append(exportedClass(name, bytes.value(), history.value()));
    }
    return classes;
}

QStringList exportTitles()
{
    QStringList titles{u"学号"_s, u"姓名"_s, u"点名次数"_s};
    for (const QStringView grade : GradeNames)
        titles.append(grade.toString());
    return titles + QStringList{u"本学期点名次数"_s, u"最近点名日期"_s};
}

QByteArray exportCsv(const QList<ExportedClass>& classes)
{
    const bool classColumn = classes.size() > 1;
    QString text = csvLine((classColumn ? QStringList{u"班级"_s} : QStringList()) + exportTitles());
    for (const ExportedClass& exported : classes) {
        for (const ExportedStudent& student : exported.students) {
            QStringList fields;
            if (classColumn)
                fields.append(exported.name);
            fields << student.number << student.name << student.calls;
            for (const QString& tally : student.tallies)
                fields.append(tally);
            fields << QString::number(student.callsThisTerm) << dateText(student.lastCalled);
            text += csvLine(fields);
        }
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

Result<ExportedWorkbook> exportXlsx(const QList<ExportedClass>& classes, const QString& helper)
{
    QList<XlsxSheet> sheets;
    QStringList leftOut;
    for (const ExportedClass& exported : classes) {
        if (!fitsCells(exported)) {
            leftOut.append(u"班级“" + exported.name + u"”中有超过 " +
                           QString::number(LongestCellText) +
                           u" 个字符的文字，工作表的一格写不下，这个班级没有导出。");
            continue;
        }
        XlsxSheet sheet{exported.name, exportTitles(), {}};
        for (const ExportedStudent& student : exported.students) {
            QList<XlsxCell> row{numberOrText(student.number), student.name,
                                countCell(student.calls)};
            for (const QString& tally : student.tallies)
                row.append(countCell(tally));
            row << double(student.callsThisTerm) << dateText(student.lastCalled);
            sheet.rows.append(row);
        }
        sheets.append(sheet);
    }
    if (sheets.isEmpty())
        return Error{u"无法导出：" + leftOut.join(u' '), QString()};
    Result<QByteArray> bytes = writeXlsx(sheets, helper);
    if (!bytes)
        return bytes.error();
    return ExportedWorkbook{std::move(bytes).value(), leftOut};
}

Result<void> writeExportFile(const QString& path, QByteArrayView bytes, FileOperations& files)
{
    const QString shown = shownFileName(fileNameOf(path));
    const QString refused = u"无法导出到“" + shown + u"”：";
    Result<std::optional<FileStatus>> there = files.status(path);
    if (!there)
        return Error{refused + u"无法查看该文件。", there.error().reason};
    if (there.value() && there.value()->kind != FileStatus::Kind::RegularFile)
        return Error{refused + u"那里不是普通文件。", QString()};
    Result<FileStatus> keep =
        there.value() ? Result<FileStatus>(*there.value()) : newFileStatusIn(files, folderOf(path));
    if (!keep)
        return Error{refused + keep.error().message, keep.error().reason};
    const QString scratch = u'.' + fileNameOf(path) + u".mirello-tmp";
    if (std::optional<ReplaceFailure> failure = replaceFileAtomically(
            files, path, pathInFolder(folderOf(path), scratch), bytes, keep.value())) {
        if (failure->targetReplaced)
            return Error{u"已导出到“" + shown + u"”，但" +
                             describeReplaceFailure(*failure, shownFileName(scratch), shown),
                         failure->error.reason};
        return Error{refused + describeReplaceFailure(*failure, shownFileName(scratch), shown),
                     failure->error.reason};
    }
    return {};
}

} // namespace mirello
