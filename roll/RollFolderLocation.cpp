#include "RollFolderLocation.h"

#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/FileReading.h"
#include "platform/FolderListing.h"
#include "platform/Folders.h"
#include "platform/Paths.h"
#include "RollFolder.h"

#include <QCoreApplication>

namespace mirello {

namespace {

const QString RollFolderName = QString::fromUtf16(RollFolder::FolderName);

Error cannotCreate(const QString& rollFolder, const Error& cause)
{
    return Error{u"无法建立点名册文件夹“" + shownFileName(rollFolder) +
                     u"”，所以还没有可选的班级。" + cause.message,
                 cause.reason};
}

Result<void> copySamples(const QString& samplesFolder, const QString& into)
{
    if (!somethingAt(samplesFolder))
        return {};
    const Result<QList<ListedFile>> samples = listPlainFiles(samplesFolder);
    if (!samples)
        return samples.error();
    for (const ListedFile& sample : samples.value()) {
        const Result<QByteArray> bytes = readWholeFile(pathInFolder(samplesFolder, sample.name),
                                                       RollFolder::LargestClassFileBytes);
        if (!bytes)
            return bytes.error();
        const Result<void> written = writeNewFile(pathInFolder(into, sample.name), bytes.value());
        if (!written)
            return written;
    }
    return {};
}

} // namespace

QString rollFolderPath(Installation installation, const QString& programFolder,
                       const QString& userDataFolder)
{
    const QString beside = pathInFolder(programFolder, RollFolderName);
    const auto writable = [&programFolder] {
        const Result<bool> may = systemFileOperations().mayWrite(programFolder);
        return may && may.value();
    };
    if (installation == Installation::PortableFolder && (somethingAt(beside) || writable()))
        return beside;
    return pathInFolder(userDataFolder, RollFolderName);
}

QString samplesFolderPath(const QString& programFolder)
{
    return pathInFolder(programFolder, QStringLiteral("samples"));
}

Result<void> createRollFolderOnFirstStart(const QString& rollFolder, const QString& samplesFolder)
{
    if (somethingAt(rollFolder))
        return {};
    const QString parent = folderOf(rollFolder);
    // The classes are gathered in a hidden folder of this process and renamed into
    // place in one step, so that no start ever sees half of them.
    const QString staging = pathInFolder(
        parent, u".checkroll-new-" + QString::number(QCoreApplication::applicationPid()));
    removeFolderTree(staging);
    Result<void> created = makeFolders(staging);
    if (created)
        created = copySamples(samplesFolder, staging);
    if (created)
        created = renameFolder(staging, rollFolder);
    if (created)
        return {};
    removeFolderTree(staging);
    // Another copy of Mirello, started at the same moment, made it first.
    if (somethingAt(rollFolder))
        return {};
    return cannotCreate(rollFolder, created.error());
}

} // namespace mirello
