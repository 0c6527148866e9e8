#include "FileReading.h"

#include "FileNames.h"
#include "FileOperations.h"

#include <new>

namespace mirello {

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

Error tooLarge(QStringView kind, const QString& shown, qint64 size, qint64 largestBytes)
{
    return Error{kind + u"“" + shown + u"”太大：有 " + megabytes(size) + u" MB，超过了 " +
                     megabytes(largestBytes) + u" MB 的上限，没有打开。",
                 kind + u"太大"};
}

Result<QByteArray> readOpened(FileOperations& files, FileOperations::Handle handle,
                              QStringView kind, const QString& shown, qint64 largestBytes)
{
    Result<QByteArray> bytes = files.readAll(handle);
    (void)files.close(handle); // nothing was written, so a failed close loses nothing
    if (!bytes)
        return Error{u"无法读取文件“" + shown + u"”。", bytes.error().reason};
    // It may have grown between the look at its size and the read.
    if (bytes.value().size() > largestBytes)
        return tooLarge(kind, shown, bytes.value().size(), largestBytes);
    return bytes;
}

} // namespace

Result<QByteArray> readWholeFile(const QString& path, qint64 largestBytes, QStringView kind)
{
    FileOperations& files = systemFileOperations();
    const QString shown = shownFileName(path);
    Result<std::optional<FileStatus>> status = files.status(path);
    if (!status)
        return status.error();
    if (!status.value())
        return Error{u"找不到" + kind + u"“" + shown + u"”，它可能已被移走或删除。", QString()};
    if (status.value()->size > largestBytes)
        return tooLarge(kind, shown, status.value()->size, largestBytes);
    Result<FileOperations::Handle> opened = files.openForReading(path);
    if (!opened)
        return opened.error();
    try {
        return readOpened(files, opened.value(), kind, shown, largestBytes);
    } catch (const std::bad_alloc&) {
        return Error{u"内存不足，无法读取文件“" + shown + u"”。", QStringLiteral("内存不足")};
    }
}

} // namespace mirello
