#include "OwnFiles.h"

#include "platform/FileNames.h"
#include "platform/FileReading.h"
#include "RollFolder.h"

#include <QDir>

namespace mirello {

namespace {

Error notOwn(const QString& path, const QString& what)
{
    return Error{u"“" + shownFileName(path) + u"”" + what +
                     u"Mirello 不会经过它读写自己的文件（在点名册文件夹的 .mirello 中），"
                     u"请删除它后再试。",
                 QStringLiteral("不是真正的文件夹或文件")};
}

// The paths from the roll folder's .mirello down to `path`, each one level deeper.
QStringList levelsDownTo(const RollFolder& folder, const QString& path)
{
    const QString root = QDir::fromNativeSeparators(folder.path());
    const QString relative = QDir::fromNativeSeparators(path).mid(root.size() + 1);
    QStringList levels;
    QString at = root;
    for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) {
        at += u'/' + part;
        levels.append(QDir::toNativeSeparators(at));
    }
    return levels;
}

} // namespace

std::optional<Error> ownPathProblem(FileOperations& files, const RollFolder& folder,
                                    const QString& path)
{
    const QStringList levels = levelsDownTo(folder, path);
    for (qsizetype i = 0; i < levels.size(); ++i) {
        Result<std::optional<FileStatus>> status = files.linkStatus(levels[i]);
        if (!status)
            return status.error();
        if (!status.value())
            return std::nullopt; // nothing further down exists either
        const FileStatus::Kind kind = status.value()->kind;
        if (kind == FileStatus::Kind::Link)
            return notOwn(levels[i], QStringLiteral("是一个链接。"));
        if (i + 1 < levels.size() && kind != FileStatus::Kind::Folder)
            return notOwn(levels[i], QStringLiteral("不是文件夹。"));
    }
    return std::nullopt;
}

Result<void> makeOwnFolders(FileOperations& files, const RollFolder& folder, const QString& path)
{
    for (const QString& level : levelsDownTo(folder, path)) {
        if (std::optional<Error> problem = ownPathProblem(files, folder, level))
            return *problem;
        if (Result<void> made = files.createFolder(level); !made)
            return made;
    }
    return {};
}

Result<std::optional<QByteArray>> readOwnFile(FileOperations& files, const RollFolder& folder,
                                              const QString& path, qint64 largestBytes)
{
    if (std::optional<Error> problem = ownPathProblem(files, folder, path))
        return *problem;
    Result<std::optional<FileStatus>> status = files.linkStatus(path);
    if (!status)
        return status.error();
    if (!status.value())
        return std::optional<QByteArray>();
    Result<QByteArray> bytes =
        readWholeFile(files, path, largestBytes, FileOperations::Links::Refuse);
    if (!bytes)
        return bytes.error();
    return std::optional<QByteArray>(std::move(bytes).value());
}

} // namespace mirello
