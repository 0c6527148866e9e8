#include "FileOperations.h"

#include <cerrno>
#include <cstring>

namespace mirello {

QString systemReason(int errorCode)
{
    return QString::fromLocal8Bit(std::strerror(errorCode));
}

Result<void> FileOperations::writeAll(Handle handle, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        Result<qsizetype> written = write(handle, bytes);
        if (!written)
            return written.error();
        if (written.value() <= 0 || written.value() > bytes.size())
            return Error{QStringLiteral("写入文件时系统没有写入数据。"), systemReason(EIO)};
        bytes = bytes.sliced(written.value());
    }
    return {};
}

} // namespace mirello
