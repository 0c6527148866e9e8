#include "ClassState.h"

#include "GradeRecorder.h"
#include "OwnFiles.h"
#include "platform/AtomicReplace.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "RollRecord.h"

#include <algorithm>
#include <cmath>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Far above any real class; larger files are set aside unread.
constexpr qint64 LargestStateFileBytes = qint64(64) << 20;

Error damaged(const QString& why)
{
    return Error{u"点名状态文件已损坏。"_s, why};
}

// A JSON number that is a whole number from `lowest` on.
std::optional<qint64> wholeNumber(const QJsonValue& value, qint64 lowest)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < double(lowest) || number > 9.0e15)
        return std::nullopt;
    return qint64(number);
}

Result<StudentKey> keyFromJson(const QJsonObject& object)
{
    if (!object.value(u"line").isString())
        return damaged(u"学生记录缺少 line"_s);
    StudentKey key{object.value(u"line").toString()};
    if (object.contains(u"copy")) {
        const auto copy = wholeNumber(object.value(u"copy"), 1);
        if (!copy || *copy > std::numeric_limits<int>::max())
            return damaged(u"copy 不是正整数"_s);
        key.copy = int(*copy);
    }
    return key;
}

QJsonObject keyToJson(const StudentKey& key)
{
    QJsonObject object{{u"line"_s, key.head}};
    if (key.copy != 1)
        object.insert(u"copy"_s, key.copy);
    return object;
}

Result<QList<StudentKey>> keysFromJson(const QJsonValue& value, const QString& field)
{
    if (!value.isArray())
        return damaged(field + u" 不是学生数组"_s);
    QList<StudentKey> keys;
    for (const QJsonValue& each : value.toArray()) {
        if (!each.isObject())
            return damaged(field + u" 中有不是对象的学生记录"_s);
        Result<StudentKey> key = keyFromJson(each.toObject());
        if (!key)
            return key.error();
        keys.append(std::move(key).value());
    }
    return keys;
}

QJsonArray keysToJson(const QList<StudentKey>& keys)
{
    QJsonArray array;
    for (const StudentKey& key : keys)
        array.append(keyToJson(key));
    return array;
}

Result<std::pair<StudentKey, StudentMarks>> studentFromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return damaged(u"学生记录不是对象"_s);
    const QJsonObject object = value.toObject();
    Result<StudentKey> key = keyFromJson(object);
    if (!key)
        return key.error();
    std::pair<StudentKey, StudentMarks> student{std::move(key).value(), {}};
    for (const auto& [name, flag] :
         {std::pair{u"calledThisRound"_s, &StudentMarks::calledThisRound},
          std::pair{u"absent"_s, &StudentMarks::absent}}) {
        if (!object.contains(name))
            continue;
        if (!object.value(name).isBool())
            return damaged(name + u" 不是 true 或 false"_s);
        student.second.*flag = object.value(name).toBool();
    }
    if (object.contains(u"passes")) {
        const auto passes = wholeNumber(object.value(u"passes"), 0);
        if (!passes)
            return damaged(u"passes 不是非负整数"_s);
        student.second.passes = *passes;
    }
    return student;
}

// "高一(3)班.txt" as the teacher reads it.
QString shownClass(const QString& classFileName)
{
    return u"“"_s + shownFileName(classFileName) + u"”"_s;
}

// ".mirello/高一(3)班.txt.state.json": where the teacher finds the file beside the classes.
QString shownStateFile(const QString& path)
{
    return QString::fromUtf16(RollFolder::StateFolderName) + u'/' + shownFileName(fileNameOf(path));
}

// Everything before the counters; a student's line always has them.
QStringView headOf(QStringView line)
{
    return line.left(line.size() - RollRecord::CounterLength);
}

} // namespace

bool ClassState::expireAbsences(QDate today)
{
    if (absentOn == today)
        return false;
    absentOn = today;
    bool expired = false;
    for (auto it = students.begin(); it != students.end();) {
        expired = expired || it->absent;
        it->absent = false;
        it = it->isEmpty() ? students.erase(it) : std::next(it);
    }
    return expired;
}

void ClassState::startNewRound()
{
    ++round;
    for (auto it = students.begin(); it != students.end();) {
        it->calledThisRound = false;
        it = it->isEmpty() ? students.erase(it) : std::next(it);
    }
}

std::vector<quint32> studentLines(const NameList& names)
{
    std::vector<quint32> lines;
    for (qsizetype line = 0; line < names.size(); ++line) {
        const std::optional<QStringView> name = RollRecord(names.at(line)).personName();
        if (name && !name->isEmpty())
            lines.push_back(quint32(line));
    }
    return lines;
}

StudentKey studentKey(const NameList& names, std::span<const quint32> lines, qsizetype student)
{
    const QStringView head = headOf(names.at(lines[std::size_t(student)]));
    int copy = 1;
    for (qsizetype earlier = 0; earlier < student; ++earlier)
        copy += headOf(names.at(lines[std::size_t(earlier)])) == head;
    return StudentKey{head.toString(), copy};
}

std::vector<StudentKey> studentKeys(const NameList& names, std::span<const quint32> lines)
{
    std::vector<StudentKey> keys;
    keys.reserve(lines.size());
    QHash<QStringView, int> copies;
    for (const quint32 line : lines) {
        const QStringView head = headOf(names.at(line));
        keys.push_back(StudentKey{head.toString(), ++copies[head]});
    }
    return keys;
}

// One pass over the class, counting copies only of the heads the state knows.
std::vector<std::pair<qsizetype, StudentMarks>>
markedStudents(const NameList& names, std::span<const quint32> lines, const ClassState& state)
{
    QHash<QStringView, int> copies;
    for (auto it = state.students.keyBegin(); it != state.students.keyEnd(); ++it)
        copies.insert(it->head, 0);
    std::vector<std::pair<qsizetype, StudentMarks>> marked;
    for (std::size_t student = 0; student < lines.size(); ++student) {
        const QStringView head = headOf(names.at(lines[student]));
        const auto counted = copies.find(head);
        if (counted == copies.end())
            continue;
        const StudentMarks marks = state.marksOf(StudentKey{head.toString(), ++*counted});
        if (!marks.isEmpty())
            marked.emplace_back(qsizetype(student), marks);
    }
    return marked;
}

QByteArray classStateToJson(const ClassState& state)
{
    // In a stable order, so that a file changes only where the state does.
    QList<StudentKey> keys = state.students.keys();
    std::sort(keys.begin(), keys.end(), [](const StudentKey& a, const StudentKey& b) {
        return std::tie(a.head, a.copy) < std::tie(b.head, b.copy);
    });
    QJsonArray students;
    for (const StudentKey& key : keys) {
        const StudentMarks marks = state.students.value(key);
        QJsonObject student = keyToJson(key);
        if (marks.calledThisRound)
            student.insert(u"calledThisRound"_s, true);
        if (marks.absent)
            student.insert(u"absent"_s, true);
        if (marks.passes != 0)
            student.insert(u"passes"_s, marks.passes);
        students.append(student);
    }
    QJsonObject root{{u"version"_s, ClassState::FormatVersion},
                     {u"round"_s, state.round},
                     {u"students"_s, students}};
    if (state.absentOn.isValid())
        root.insert(u"absentOn"_s, state.absentOn.toString(Qt::ISODate));
    if (!state.upNext.isEmpty() || !state.afterRound.isEmpty()) {
        root.insert(u"warmCall"_s, QJsonObject{{u"upNext"_s, keysToJson(state.upNext)},
                                               {u"afterRound"_s, keysToJson(state.afterRound)}});
    }
    if (!state.groupings.isEmpty()) {
        QJsonArray groupings;
        for (const StudentGroups& grouping : state.groupings) {
            QJsonArray groups;
            for (const QList<StudentKey>& group : grouping)
                groups.append(keysToJson(group));
            groupings.append(groups);
        }
        root.insert(u"groupings"_s, groupings);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace {

Result<void> readWarmCall(const QJsonValue& value, ClassState& state)
{
    if (!value.isObject())
        return damaged(u"warmCall 不是对象"_s);
    for (const auto& [field, keys] : {std::pair{u"upNext"_s, &ClassState::upNext},
                                      std::pair{u"afterRound"_s, &ClassState::afterRound}}) {
        Result<QList<StudentKey>> read = keysFromJson(value.toObject().value(field), field);
        if (!read)
            return read.error();
        state.*keys = std::move(read).value();
    }
    return {};
}

// Only the newest are kept, however many a file holds.
Result<void> readGroupings(const QJsonValue& value, ClassState& state)
{
    if (!value.isArray())
        return damaged(u"groupings 不是数组"_s);
    const QJsonArray groupings = value.toArray();
    for (qsizetype at = std::max<qsizetype>(0, groupings.size() - ClassState::KeptGroupings);
         at < groupings.size(); ++at) {
        if (!groupings.at(at).isArray())
            return damaged(u"groupings 中有不是数组的分组"_s);
        StudentGroups grouping;
        for (const QJsonValue& group : groupings.at(at).toArray()) {
            Result<QList<StudentKey>> keys = keysFromJson(group, u"groupings"_s);
            if (!keys)
                return keys.error();
            grouping.append(std::move(keys).value());
        }
        state.groupings.append(grouping);
    }
    return {};
}

} // namespace

Result<ClassState> classStateFromJson(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return damaged(u"不是有效的 JSON，第 "_s + QString::number(parseError.offset) +
                       u" 个字节处："_s + parseError.errorString());
    }
    if (!document.isObject())
        return damaged(u"不是 JSON 对象"_s);
    const QJsonObject root = document.object();
    const auto version = wholeNumber(root.value(u"version"), 0);
    if (!version)
        return damaged(u"缺少版本号 version"_s);
    if (*version != ClassState::FormatVersion) {
        return damaged(u"版本 "_s + QString::number(*version) + u" 无法识别（本程序读写版本 "_s +
                       QString::number(ClassState::FormatVersion) + u"）"_s);
    }

    ClassState state;
    if (root.contains(u"round")) {
        const auto round = wholeNumber(root.value(u"round"), 1);
        if (!round)
            return damaged(u"round 不是正整数"_s);
        state.round = *round;
    }
    if (root.contains(u"absentOn")) {
        state.absentOn = QDate::fromString(root.value(u"absentOn").toString(), Qt::ISODate);
        if (!state.absentOn.isValid())
            return damaged(u"absentOn 不是日期"_s);
    }
    if (root.contains(u"students") && !root.value(u"students").isArray())
        return damaged(u"students 不是数组"_s);
    for (const QJsonValue& value : root.value(u"students").toArray()) {
        Result<std::pair<StudentKey, StudentMarks>> student = studentFromJson(value);
        if (!student)
            return student.error();
        if (!student.value().second.isEmpty())
            state.students.insert(student.value().first, student.value().second);
    }
    if (root.contains(u"warmCall")) {
        if (Result<void> read = readWarmCall(root.value(u"warmCall"), state); !read)
            return read.error();
    }
    if (root.contains(u"groupings")) {
        if (Result<void> read = readGroupings(root.value(u"groupings"), state); !read)
            return read.error();
    }
    return state;
}

ClassStateStore::ClassStateStore(RollFolder folder)
    : ClassStateStore(std::move(folder), systemFileOperations())
{
}

ClassStateStore::ClassStateStore(RollFolder folder, FileOperations& files)
    : m_folder(std::move(folder))
    , m_files(files)
{
}

QString ClassStateStore::stateFilePath(const QString& classFileName) const
{
    return pathInFolder(m_folder.stateFolderPath(), classFileName + u".state.json"_s);
}

ClassStateStore::Loaded ClassStateStore::load(const QString& classFileName, const QDateTime& now)
{
    const QString path = stateFilePath(classFileName);
    const QString afresh = u"本班从新的一轮开始。"_s;
    const auto unreadable = [&](const Error& error) {
        return Loaded{ClassState{},
                      Error{u"无法读取班级"_s + shownClass(classFileName) + u"的点名状态文件“"_s +
                                shownStateFile(path) + u"”。"_s + afresh,
                            error.reason}};
    };

    // Something else where the folder belongs: there is no state, and the first
    // save says why none can be kept.
    Result<std::optional<FileStatus>> own = m_files.linkStatus(m_folder.stateFolderPath());
    if (own && own.value() && own.value()->kind != FileStatus::Kind::Folder)
        return {};
    if (std::optional<Error> problem = ownPathProblem(m_files, m_folder, path))
        return unreadable(*problem);
    Result<std::optional<FileStatus>> status = m_files.linkStatus(path);
    if (!status)
        return unreadable(status.error());
    if (!status.value())
        return {};
    Result<ClassState> state = damaged(u"不是普通文件"_s);
    if (status.value()->kind == FileStatus::Kind::RegularFile) {
        if (status.value()->size > LargestStateFileBytes) {
            state = damaged(u"文件太大"_s);
        } else {
            Result<FileOperations::Handle> opened =
                m_files.openForReading(path, FileOperations::Links::Refuse);
            if (!opened)
                return unreadable(opened.error());
            Result<QByteArray> bytes = m_files.readAll(opened.value());
            (void)m_files.close(opened.value()); // read only: a failed close loses nothing
            if (!bytes)
                return unreadable(bytes.error());
            state = classStateFromJson(bytes.value());
        }
    }
    if (state)
        return {std::move(state).value(), std::nullopt};

    // Set aside under the roll folder's lock, never over an earlier damaged file.
    const QString damagedWhat = u"班级"_s + shownClass(classFileName) + u"的点名状态文件“"_s +
                                shownStateFile(path) + u"”已损坏（"_s + state.error().reason +
                                u"）"_s;
    FileLock lock(m_folder.lockFilePath());
    if (lock.acquire(RecordingLockWait) != FileLock::Outcome::Locked) {
        return {ClassState{},
                Error{damagedWhat + u"，暂时无法改名保存（点名册文件夹正被占用）。"_s + afresh +
                          u"下次保存时会替换它。"_s,
                      lock.failureReason()}};
    }
    const QString stamp = now.toString(u"yyyy-MM-dd-HHmmss"_s);
    QString setAside = path + u".damaged-"_s + stamp;
    for (int attempt = 2; attempt < 100; ++attempt) {
        Result<std::optional<FileStatus>> taken = m_files.status(setAside);
        if (taken && !taken.value())
            break;
        setAside = path + u".damaged-"_s + stamp + u'-' + QString::number(attempt);
    }
    if (Result<void> renamed = m_files.rename(path, setAside); !renamed) {
        return {ClassState{},
                Error{damagedWhat + u"，也无法改名保存。"_s + afresh + u"下次保存时会替换它。"_s,
                      renamed.error().reason}};
    }
    return {ClassState{}, Error{damagedWhat + u"，已改名为“"_s + fileNameOf(setAside) +
                                    u"”留在同一文件夹中。"_s + afresh,
                                QString()}};
}

Result<void> ClassStateStore::save(const QString& classFileName, const ClassState& state)
{
    const QString path = stateFilePath(classFileName);
    const QString notSaved = u"无法保存班级"_s + shownClass(classFileName) + u"的点名状态："_s;
    const QString folder = m_folder.stateFolderPath();
    if (Result<void> made = makeOwnFolders(m_files, m_folder, folder); !made)
        return Error{notSaved + made.error().message, made.error().reason};
    if (std::optional<Error> problem = ownPathProblem(m_files, m_folder, path))
        return Error{notSaved + problem->message, problem->reason};

    FileLock lock(m_folder.lockFilePath());
    if (std::optional<Error> locked = lockRollFolder(lock, m_folder, notSaved, QStringView()))
        return *locked;

    // A new file takes the folder's owner, and its permissions without execution.
    Result<std::optional<FileStatus>> existing = m_files.status(path);
    if (!existing)
        return Error{notSaved + existing.error().message, existing.error().reason};
    std::optional<FileStatus> keep = existing.value();
    if (!keep || keep->kind != FileStatus::Kind::RegularFile) {
        Result<std::optional<FileStatus>> own = m_files.status(folder);
        if (!own || !own.value())
            return Error{notSaved + u"找不到文件夹“"_s + shownFileName(folder) + u"”。"_s,
                         QString()};
        keep = own.value();
        keep->permissions &= 0666;
    }
    const QString scratch = path + u".tmp"_s;
    if (std::optional<ReplaceFailure> failure =
            replaceFileAtomically(m_files, path, scratch, classStateToJson(state), *keep)) {
        if (failure->targetReplaced)
            return {};
        return Error{notSaved + failure->error.message, failure->error.reason};
    }
    return {};
}

} // namespace mirello
