#include "Settings.h"

#include "platform/AtomicReplace.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FileReading.h"
#include "platform/Paths.h"
#include "roll/OwnFiles.h"

#include <condition_variable>
#include <mutex>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

using namespace Qt::StringLiterals;

namespace mirello {

// Outside the anonymous namespace: Settings::Writer, a member, holds both.
// What a copy set (a value) or removed (none) since its last write.
using SettingsChanges = QMap<QString, std::optional<QVariant>>;
struct SettingsPlace
{
    QString path;
    bool inRollFolder = false; // under .mirello, where no link is followed
};

namespace {

constexpr QStringView FileName = u"settings.ini";
using Changes = SettingsChanges;
using Place = SettingsPlace;
// A few switches and a window's place: anything larger is not ours.
constexpr qint64 LargestSettingsBytes = 64 * 1024;
// How long the start waits for the file; a slower drive leaves the defaults.
constexpr auto ReadWait = std::chrono::seconds(4);
// How long closing waits for the last write.
constexpr auto LastWriteWait = std::chrono::seconds(3);

// The hidden folder beside the classes when it is a real folder that can be written,
// or can be made; otherwise the user's configuration folder.
Place placeOf(const RollFolder& folder, FileOperations& files)
{
    const QString own = folder.stateFolderPath();
    const Result<std::optional<FileStatus>> status = files.linkStatus(own);
    const Result<bool> writable = files.mayWrite(status && status.value() ? own : folder.path());
    const bool ownUsable = status && writable && writable.value() &&
                           (!status.value() || status.value()->kind == FileStatus::Kind::Folder);
    if (ownUsable)
        return {pathInFolder(own, FileName.toString()), true};
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {pathInFolder(pathInFolder(config, u"mirello"_s), FileName.toString()), false};
}

Error settingsError(const Place& place, const QString& what, const QString& reason)
{
    return Error{u"设置文件“"_s + shownFileName(place.path) + u"”"_s + what, reason};
}

// The INI text as QSettings reads and writes it, so that files of earlier versions
// keep their values; QSettings only ever sees a private copy in the temporary folder.
std::optional<QMap<QString, QVariant>> parseIni(const QByteArray& bytes)
{
    QTemporaryDir copies;
    QFile copy(copies.filePath(FileName.toString()));
    if (!copies.isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
        return std::nullopt;
    copy.close();
    QSettings ini(copy.fileName(), QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return std::nullopt;
    QMap<QString, QVariant> values;
    for (const QString& key : ini.allKeys())
        values.insert(key, ini.value(key));
    return values;
}

std::optional<QByteArray> iniBytes(const QMap<QString, QVariant>& values)
{
    QTemporaryDir copies;
    if (!copies.isValid())
        return std::nullopt;
    const QString path = copies.filePath(FileName.toString());
    {
        QSettings ini(path, QSettings::IniFormat);
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            ini.setValue(value.key(), value.value());
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return std::nullopt;
    }
    // Nothing to keep: QSettings then makes no file at all.
    QFile written(path);
    if (values.isEmpty() && !written.exists())
        return QByteArray();
    if (!written.open(QIODevice::ReadOnly))
        return std::nullopt;
    return written.readAll();
}

Result<QMap<QString, QVariant>> readSettings(const RollFolder& folder, FileOperations& files,
                                             const Place& place)
{
    Result<std::optional<QByteArray>> bytes = std::optional<QByteArray>();
    if (place.inRollFolder) {
        bytes = readOwnFile(files, folder, place.path, LargestSettingsBytes);
    } else if (Result<std::optional<FileStatus>> status = files.linkStatus(place.path);
               !status || status.value()) {
        Result<QByteArray> read =
            readWholeFile(files, place.path, LargestSettingsBytes, FileOperations::Links::Refuse);
        bytes = read ? Result<std::optional<QByteArray>>(std::optional(read.value()))
                     : Result<std::optional<QByteArray>>(read.error());
    }
    if (!bytes)
        return settingsError(place, u"无法读取，本次使用默认设置："_s + bytes.error().message,
                             bytes.error().reason);
    if (!bytes.value())
        return QMap<QString, QVariant>();
    std::optional<QMap<QString, QVariant>> values = parseIni(*bytes.value());
    if (!values)
        return settingsError(place, u"已损坏，本次使用默认设置。"_s, u"无法解析"_s);
    return *values;
}

Result<void> writeSettings(const RollFolder& folder, FileOperations& files, const Place& place,
                           const QByteArray& bytes)
{
    const QString where = folderOf(place.path);
    Result<void> made =
        place.inRollFolder ? makeOwnFolders(files, folder, where) : files.createFolder(where);
    if (!made)
        return settingsError(place, u"无法保存："_s + made.error().message, made.error().reason);
    if (place.inRollFolder) {
        if (std::optional<Error> problem = ownPathProblem(files, folder, place.path))
            return settingsError(place, u"无法保存："_s + problem->message, problem->reason);
    }
    Result<std::optional<FileStatus>> own = files.status(where);
    if (!own || !own.value())
        return settingsError(place, u"无法保存：找不到它所在的文件夹。"_s, QString());
    FileStatus keep = *own.value();
    keep.permissions &= 0666;
    if (std::optional<ReplaceFailure> failure =
            replaceFileAtomically(files, place.path, place.path + u".tmp"_s, bytes, keep)) {
        if (failure->targetReplaced)
            return {};
        return settingsError(
            place,
            u"无法保存："_s + describeReplaceFailure(*failure, fileNameOf(place.path) + u".tmp"_s,
                                                     fileNameOf(place.path)),
            failure->error.reason);
    }
    return {};
}

// Two copies on one roll folder each write only what they changed, under the folder's
// lock, onto what the file holds then; the settings beside the user's configuration
// have a lock file of their own.
Result<void> writeChanges(const RollFolder& folder, FileOperations& files, const Place& place,
                          const Changes& changes, const QMap<QString, QVariant>& ours)
{
    FileLock lock(place.inRollFolder ? folder.lockFilePath() : place.path + u".lock"_s);
    if (place.inRollFolder) {
        if (std::optional<Error> locked = lockRollFolder(
                lock, folder, settingsError(place, u"无法保存："_s, {}).message, QStringView()))
            return *locked;
    } else if (!QDir().mkpath(folderOf(place.path))) {
        // The lock file's folder, and the configuration folder itself, may not be there
        // yet on a computer new to Mirello.
        return settingsError(place, u"无法保存：无法建立它所在的文件夹。"_s, QString());
    } else if (lock.acquire(RollFolderLockWait) != FileLock::Outcome::Locked) {
        return settingsError(place, u"无法保存：另一个 Mirello 正在保存设置，或无法锁定它。"_s,
                             lock.failureReason());
    }
    // A file damaged since the start is replaced by what this copy holds.
    Result<QMap<QString, QVariant>> now = readSettings(folder, files, place);
    QMap<QString, QVariant> values = now ? std::move(now).value() : ours;
    for (auto change = changes.cbegin(); change != changes.cend(); ++change) {
        if (change.value())
            values.insert(change.key(), *change.value());
        else
            values.remove(change.key());
    }
    const std::optional<QByteArray> bytes = iniBytes(values);
    if (!bytes)
        return settingsError(place, u"无法保存：无法生成设置内容。"_s, u"临时文件夹不可用"_s);
    return writeSettings(folder, files, place, *bytes);
}

// A thread still blocked in the file system goes on alone and is deleted when it ends.
// Threads of the C++ library are never detached for this: the Windows build's thread
// library crashes now and then when a detached thread ends.
void leaveBehind(QThread* thread)
{
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished())
        thread->deleteLater();
}

} // namespace

// The thread that writes: the changes made meanwhile go in one write, one write at a
// time, and a write still blocked when the program closes is left behind, not waited for.
struct Settings::Writer
{
    Writer(const RollFolder& folder, FileOperations& files, const Place& place, Settings* owner)
        : folder(folder)
        , files(files)
        , place(place)
        , owner(owner)
    {
    }

    RollFolder folder;
    FileOperations& files;
    Place place;
    Settings* owner;

    std::mutex mutex;
    std::condition_variable changed;
    Changes changes;
    QMap<QString, QVariant> values;
    bool due = false;
    bool writing = false;
    bool closing = false;

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return due || closing; });
            if (!due)
                return;
            due = false;
            const Changes batch = std::exchange(changes, {});
            const QMap<QString, QVariant> ours = values;
            writing = true;
            lock.unlock();
            const Result<void> written = writeChanges(folder, files, place, batch, ours);
            lock.lock();
            writing = false;
            // Not written: tried again with the next change, under any newer value.
            for (auto change = batch.cbegin(); !written && change != batch.cend(); ++change) {
                if (!changes.contains(change.key()))
                    changes.insert(change.key(), change.value());
            }
            changed.notify_all();
            if (!written && !closing) {
                QMetaObject::invokeMethod(
                    owner,
                    [owner = owner, error = written.error()] { Q_EMIT owner->failed(error); },
                    Qt::QueuedConnection);
            }
        }
    }
};

Settings::Settings(const RollFolder& folder, QObject* parent)
    : QObject(parent)
{
    FileOperations& files = systemFileOperations();
    // Looked at and read on a thread of its own, which is left behind when it is slow.
    auto read = std::make_shared<std::pair<Place, Result<QMap<QString, QVariant>>>>(
        Place(), QMap<QString, QVariant>());
    QThread* reading = QThread::create([read, folder, &files] {
        read->first = placeOf(folder, files);
        read->second = readSettings(folder, files, read->first);
    });
    reading->start();
    Place place;
    if (reading->wait(QDeadlineTimer(ReadWait))) {
        delete reading;
        place = read->first;
        if (read->second)
            m_values = std::move(read->second).value();
        else
            m_readFailure = read->second.error();
    } else {
        leaveBehind(reading);
        place = {pathInFolder(folder.stateFolderPath(), FileName.toString()), true};
        m_readFailure = settingsError(place, u"读取超时，本次使用默认设置，也不会保存设置。"_s,
                                      u"文件操作没有返回"_s);
    }
    m_writer = std::make_shared<Writer>(folder, files, place, this);
    if (m_readFailure && m_readFailure->reason == u"文件操作没有返回")
        m_writer->closing = true; // nothing is written where reading hangs
    m_writing = QThread::create([writer = m_writer] { writer->run(); });
    m_writing->start();
}

Settings::~Settings()
{
    std::unique_lock lock(m_writer->mutex);
    m_writer->changed.wait_for(lock, LastWriteWait,
                               [&] { return !m_writer->due && !m_writer->writing; });
    m_writer->closing = true;
    m_writer->changed.notify_all();
    // A write still due or under way may hang in the file system: it is not waited for.
    const bool blocked = m_writer->writing || m_writer->due;
    lock.unlock();
    if (blocked) {
        leaveBehind(m_writing);
    } else {
        m_writing->wait();
        delete m_writing;
    }
}

bool Settings::flag(QStringView key, bool fallback) const
{
    // Only the words QSettings writes count; anything else is damage.
    const QString word = m_values.value(key.toString()).toString();
    if (word == u"true")
        return true;
    if (word == u"false")
        return false;
    return fallback;
}

void Settings::setFlag(QStringView key, bool on)
{
    if (!m_values.contains(key.toString()) || flag(key) != on)
        change(key.toString(), on);
}

QByteArray Settings::bytes(QStringView key) const
{
    const QVariant value = m_values.value(key.toString());
    return value.userType() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void Settings::setBytes(QStringView key, const QByteArray& value)
{
    if (bytes(key) != value || m_values.contains(key.toString()) != !value.isEmpty())
        change(key.toString(), value.isEmpty() ? std::optional<QVariant>() : QVariant(value));
}

// Only what this copy changes is written, so that it undoes no other copy's change.
void Settings::change(const QString& key, const std::optional<QVariant>& value)
{
    if (value)
        m_values.insert(key, *value);
    else
        m_values.remove(key);
    std::lock_guard lock(m_writer->mutex);
    if (m_writer->closing)
        return;
    m_writer->changes.insert(key, value);
    m_writer->values = m_values;
    m_writer->due = true;
    m_writer->changed.notify_all();
}

} // namespace mirello
