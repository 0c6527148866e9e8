#include "History.h"

#include "HistorySeal.h"
#include "platform/Csv.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FileReading.h"
#include "platform/TextCodec.h"
#include "roll/OwnFiles.h"
#include "roll/RollFolder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"

#include <algorithm>
#include <array>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr std::array<QStringView, 6> ActionWords{u"记录",   u"撤销", u"恢复备份",
                                                 u"新学期", u"缺席", u"取消缺席"};
constexpr QByteArrayView Bom("\xEF\xBB\xBF", 3);
// A history grows by a line per call: a school's years of calls fit well within this.
constexpr qint64 LargestHistoryBytes = qint64(256) << 20;

QStringList titles()
{
    return {u"时间"_s, u"班级文件"_s, u"操作"_s, u"学号"_s,     u"姓名"_s,    u"成绩"_s,
            u"次数"_s, u"成绩记录"_s, u"备注"_s, u"抽取编号"_s, u"同名序号"_s};
}

bool marksAbsence(HistoryAction action)
{
    return action == HistoryAction::Absent || action == HistoryAction::Present;
}

// Each different value once, in the order of the lines.
QString joined(const QStringList& values)
{
    QStringList different = values;
    different.removeDuplicates();
    return different.join(u'、');
}

// Whether `next` was written by the same recording or undo as `first`, in a file
// from before one entry was written per recording: one entry per line with the
// name, all at one time. A line seen again with other counters is the next one.
bool sameOlderChange(const HistoryEntry& first, const HistoryEntry& next)
{
    const bool perStudent =
        first.action == HistoryAction::Recording || first.action == HistoryAction::Undo;
    return perStudent && first.drawId.isEmpty() && next.drawId.isEmpty() &&
           next.time == first.time && next.classFile == first.classFile &&
           next.action == first.action && next.name == first.name && next.grade == first.grade &&
           !(next.number == first.number &&
             (next.count != first.count || next.tally != first.tally));
}

// What a reading keeps: the history of a class over years is some thousands of
// entries; a file made to look like a history may hold millions, so only the newest
// that fit are kept. Longer fields hold no real name or note.
constexpr qsizetype MostKeptEntries = 100000;
constexpr qsizetype MostKeptCharacters = qsizetype(16) << 20;
constexpr CsvLimits HistoryLimits{1024, 16};
constexpr qsizetype DecodedBytes = qsizetype(1) << 20;

qsizetype charactersOf(const HistoryEntry& entry)
{
    return entry.classFile.size() + entry.number.size() + entry.name.size() + entry.grade.size() +
           entry.count.size() + entry.tally.size() + entry.note.size() + entry.drawId.size();
}

std::optional<HistoryEntry> entryOf(const CsvRecord& record)
{
    if (record.overlong || record.fields.size() < 9)
        return std::nullopt;
    QStringList fields;
    for (const QString& field : record.fields)
        fields.append(fieldWithFormula(field));
    const std::optional<HistoryAction> action = actionOfWord(fields[2]);
    const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODate);
    if (!action || !time.isValid())
        return std::nullopt; // the title row, or a line cut short
    return HistoryEntry{time,
                        fields[1],
                        *action,
                        fields[3],
                        fields[4],
                        fields[5],
                        fields[6],
                        fields[7],
                        fields[8],
                        fields.value(9),
                        std::max(1, fields.value(10).toInt())};
}

// Reads the history a piece of text at a time, keeping the newest entries of the
// classes asked for.
class HistoryParser
{
public:
    explicit HistoryParser(const QStringList& classes)
        : m_classes(classes)
    {
    }

    void read(QStringView text)
    {
        m_csv.read(text, [this](CsvRecord&& record) { return take(std::move(record)); });
    }

    QList<HistoryEntry> finish()
    {
        m_csv.finish([this](CsvRecord&& record) { return take(std::move(record)); });
        return std::move(m_entries);
    }

private:
    bool take(CsvRecord&& record)
    {
        std::optional<HistoryEntry> entry = entryOf(record);
        if (!entry || (!m_classes.isEmpty() && !m_classes.contains(entry->classFile)))
            return true;
        if (!m_entries.isEmpty() && sameOlderChange(m_first, *entry))
            joinOlder(*entry);
        else
            keep(std::move(*entry));
        return true;
    }

    // A further line of an older change: its student number and counters join the
    // entry, up to the length of a field.
    void joinOlder(const HistoryEntry& entry)
    {
        HistoryEntry& last = m_entries.last();
        if (last.number.size() + last.count.size() + last.tally.size() > HistoryLimits.longestField)
            return;
        m_characters -= charactersOf(last);
        m_numbers.append(entry.number);
        m_counts.append(entry.count);
        m_tallies.append(entry.tally);
        last.number = joined(m_numbers);
        last.count = joined(m_counts);
        last.tally = joined(m_tallies);
        m_characters += charactersOf(last);
    }

    void keep(HistoryEntry entry)
    {
        m_first = entry;
        m_numbers = QStringList{entry.number};
        m_counts = QStringList{entry.count};
        m_tallies = QStringList{entry.tally};
        m_characters += charactersOf(entry);
        m_entries.append(std::move(entry));
        while (m_entries.size() > MostKeptEntries || m_characters > MostKeptCharacters) {
            m_characters -= charactersOf(m_entries.first());
            m_entries.removeFirst();
        }
    }

    const QStringList m_classes;
    CsvReader m_csv{u',', HistoryLimits};
    QList<HistoryEntry> m_entries;
    qsizetype m_characters = 0;
    // The first entry of the older change that the last entry joins.
    HistoryEntry m_first;
    QStringList m_numbers;
    QStringList m_counts;
    QStringList m_tallies;
};

QString shownHistoryFile()
{
    return u"checkroll/" + QString::fromUtf16(RollFolder::StateFolderName) + u"/history.csv";
}

Error appendFailed(const QString& what, const QString& reason)
{
    return Error{u"无法写入点名记录“" + shownHistoryFile() + u"”：" + what, reason};
}

// Whether the file of `size` bytes ends in the middle of a line, as after a write that
// failed half way: the next entry then starts on a line of its own.
bool endsMidLine(FileOperations& files, FileOperations::Handle handle, qint64 size)
{
    if (size == 0)
        return false;
    Result<QByteArray> last = files.readAt(handle, size - 1, 1);
    return last && last.value() != "\n";
}

} // namespace

QString actionWord(HistoryAction action)
{
    return ActionWords[std::size_t(action)].toString();
}

std::optional<HistoryEntry> entryForStudent(QByteArrayView classBytes, const QString& name,
                                            const HistoryEntry& common)
{
    QStringList numbers;
    QStringList counts;
    QStringList tallies;
    const NameList lines = nameListFromBytes(classBytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const RollRecord record(lines.at(i));
        if (record.personName() != QStringView(name))
            continue;
        numbers.append(RollRecord(lines.at(i)).leadField().trimmed().toString());
        counts.append(record.callCountText()->toString());
        tallies.append(lines.at(i).right(4).toString());
    }
    if (numbers.isEmpty())
        return std::nullopt;
    HistoryEntry entry = common;
    entry.number = joined(numbers);
    entry.name = name;
    entry.count = joined(counts);
    entry.tally = joined(tallies);
    return entry;
}

HistoryEntry absenceEntry(const QString& shownClass, const StudentKey& student, bool absent,
                          const QDateTime& time)
{
    const RollRecord head(student.head);
    HistoryEntry entry;
    entry.time = time;
    entry.classFile = shownClass;
    entry.action = absent ? HistoryAction::Absent : HistoryAction::Present;
    entry.number = head.leadField().trimmed().toString();
    // The head ends in the name's separator, where a line's counters would follow.
    entry.name = QStringView(student.head).mid(head.leadField().size()).chopped(1).toString();
    entry.copy = student.copy;
    return entry;
}

Result<void> appendHistory(const RollFolder& folder, const QList<HistoryEntry>& entries,
                           FileOperations& files)
{
    const QString path = folder.historyFilePath();
    QString text;
    for (const HistoryEntry& entry : entries) {
        // With the offset from UTC, so that a time stays exact across a change of zone.
        const QDateTime time = entry.time.toOffsetFromUtc(entry.time.offsetFromUtc());
        text += csvLine({time.toString(Qt::ISODate), entry.classFile, actionWord(entry.action),
                         entry.number, entry.name, entry.grade, entry.count, entry.tally,
                         entry.note, entry.drawId,
                         marksAbsence(entry.action) ? QString::number(entry.copy) : QString()});
    }

    FileLock lock(folder.lockFilePath());
    if (std::optional<Error> locked = lockRollFolder(lock, folder, QStringView(), QStringView()))
        return appendFailed(locked->message, locked->reason);
    if (Result<void> made = makeOwnFolders(files, folder, folder.stateFolderPath()); !made)
        return appendFailed(made.error().message, made.error().reason);
    if (std::optional<Error> problem = ownPathProblem(files, folder, path))
        return appendFailed(problem->message, problem->reason);
    Result<FileOperations::Handle> opened = files.openForAppending(path);
    if (!opened)
        return appendFailed(u"无法打开该文件。"_s, opened.error().reason);
    const FileOperations::Handle handle = opened.value();
    Result<std::optional<FileStatus>> status = files.status(path);
    if (!status || !status.value()) {
        (void)files.close(handle);
        return appendFailed(u"无法查看该文件。"_s, status ? QString() : status.error().reason);
    }
    QByteArray bytes;
    if (status.value()->size == 0)
        bytes = Bom.toByteArray() + csvLine(titles()).toUtf8();
    else if (endsMidLine(files, handle, status.value()->size))
        bytes = "\r\n";
    bytes += text.toUtf8();

    Result<void> written = files.writeAll(handle, bytes);
    Result<void> synced = written ? files.sync(handle) : Result<void>();
    Result<void> closed = files.close(handle);
    if (!written)
        return appendFailed(u"写入失败。请检查磁盘空间。"_s, written.error().reason);
    if (!synced)
        return appendFailed(u"无法保存到磁盘。请检查磁盘空间。"_s, synced.error().reason);
    if (!closed)
        return appendFailed(u"关闭失败。请检查磁盘空间。"_s, closed.error().reason);
    // The line is in: a seal that could not follow it shows later as a seal that no
    // longer agrees, and the teacher is told so then, with that as one of the reasons.
    (void)sealAppend(folder, status.value()->size, bytes, files);
    return {};
}

std::optional<Error> appendStudentHistory(const RollFolder& folder, const QString& classFileName,
                                          HistoryAction action, const QString& name,
                                          const QString& grade, const QString& drawId,
                                          QByteArrayView classBytes, const QDateTime& time,
                                          const QString& done, FileOperations& files)
{
    HistoryEntry common;
    common.time = time;
    common.classFile = shownFileName(classFileName);
    common.action = action;
    common.grade = grade;
    common.drawId = drawId;
    const std::optional<HistoryEntry> entry = entryForStudent(classBytes, name, common);
    if (!entry)
        return std::nullopt;
    return missingHistory(done, appendHistory(folder, {*entry}, files));
}

LoggedChange logClassChange(const RollFolder& folder, ClassFileChange change,
                            const QString& shownClass, HistoryAction action, const QString& note,
                            const QDateTime& time, const QString& done, FileOperations& files)
{
    HistoryEntry entry;
    entry.time = time;
    entry.classFile = shownClass;
    entry.action = action;
    entry.note = note;
    return LoggedChange{std::move(change),
                        missingHistory(done, appendHistory(folder, {entry}, files))};
}

std::optional<Error> missingHistory(const QString& done, const Result<void>& appended)
{
    if (appended)
        return std::nullopt;
    return Error{done + u"，但" + appended.error().message + u"这次改动本身已经完成，不会撤回。",
                 appended.error().reason};
}

std::optional<HistoryAction> actionOfWord(QStringView word)
{
    const auto action = std::find(ActionWords.begin(), ActionWords.end(), word);
    if (action == ActionWords.end())
        return std::nullopt;
    return HistoryAction(action - ActionWords.begin());
}

QList<HistoryEntry> parseHistory(QByteArrayView bytes, const QStringList& classes)
{
    if (bytes.startsWith(Bom))
        bytes = bytes.sliced(Bom.size());
    HistoryParser parser(classes);
    QStringDecoder decoder(QStringDecoder::Utf8);
    for (qsizetype at = 0; at < bytes.size(); at += DecodedBytes)
        parser.read(
            QString(decoder.decode(bytes.sliced(at, std::min(DecodedBytes, bytes.size() - at)))));
    return parser.finish();
}

Result<QList<HistoryEntry>> readHistory(const RollFolder& folder, const QStringList& classes)
{
    Result<std::optional<QByteArray>> bytes =
        readOwnFile(systemFileOperations(), folder, folder.historyFilePath(), LargestHistoryBytes);
    if (!bytes) {
        return Error{u"无法读取点名记录“" + shownHistoryFile() + u"”：" + bytes.error().message,
                     bytes.error().reason};
    }
    if (!bytes.value())
        return QList<HistoryEntry>();
    return parseHistory(*bytes.value(), classes);
}

QList<HistoryEntry> keptRecordings(const QList<HistoryEntry>& history, const QString& classFile)
{
    QList<HistoryEntry> kept;
    // Per name, where its recordings not undone are in `kept`.
    QHash<QString, QList<qsizetype>> places;
    for (const HistoryEntry& entry : history) {
        if (entry.classFile != classFile)
            continue;
        if (entry.action == HistoryAction::Recording) {
            places[entry.name].append(kept.size());
            kept.append(entry);
        } else if (entry.action == HistoryAction::Undo) {
            // An undo takes back the latest recording of the name, of its own draw
            // where it names one.
            QList<qsizetype>& of = places[entry.name];
            for (qsizetype i = of.size() - 1; i >= 0; --i) {
                if (entry.drawId.isEmpty() || kept[of[i]].drawId == entry.drawId) {
                    kept[of[i]].action = HistoryAction::Undo;
                    of.removeAt(i);
                    break;
                }
            }
        }
    }
    kept.erase(std::remove_if(
                   kept.begin(), kept.end(),
                   [](const HistoryEntry& entry) { return entry.action == HistoryAction::Undo; }),
               kept.end());
    return kept;
}

QHash<QString, StudentHistory> studentHistories(const QList<HistoryEntry>& history,
                                                const QString& classFile)
{
    QDateTime termStart;
    for (const HistoryEntry& entry : history) {
        if (entry.classFile == classFile && entry.action == HistoryAction::NewTerm)
            termStart = entry.time;
    }
    QHash<QString, QList<QDateTime>> calls;
    for (const HistoryEntry& entry : keptRecordings(history, classFile))
        calls[entry.name].append(entry.time);
    QHash<QString, StudentHistory> students;
    for (auto student = calls.cbegin(); student != calls.cend(); ++student) {
        StudentHistory& summary = students[student.key()];
        for (const QDateTime& time : student.value())
            summary.callsThisTerm += !termStart.isValid() || time > termStart;
        if (!student.value().isEmpty())
            summary.lastCalled = student.value().last().toLocalTime().date();
    }
    return students;
}

QList<HistoryEntry> historyOfStudent(const QList<HistoryEntry>& history, const QString& classFile,
                                     const QString& name)
{
    QList<HistoryEntry> lines;
    for (const HistoryEntry& entry : history) {
        const bool wholeClass =
            entry.action == HistoryAction::Restore || entry.action == HistoryAction::NewTerm;
        if (entry.classFile == classFile && (wholeClass || entry.name == name))
            lines.append(entry);
    }
    return lines;
}

} // namespace mirello
