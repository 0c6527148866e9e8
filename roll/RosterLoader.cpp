#include "RosterLoader.h"

#include "platform/FileNames.h"
#include "platform/FileReading.h"
#include "platform/TextCodec.h"
#include "RollFolder.h"

#include <new>

namespace mirello {

NameList nameListFromBytes(QByteArrayView bytes)
{
    const TextEncoding encoding = detectEncoding(bytes);
    return NameList::fromText(decodeText(bytes.sliced(preambleLength(encoding)), encoding));
}

Result<NameList> loadRoster(const QString& path)
{
    Result<QByteArray> bytes = readWholeFile(path, RollFolder::LargestClassFileBytes);
    if (!bytes)
        return bytes.error();
    try {
        return nameListFromBytes(bytes.value());
    } catch (const std::bad_alloc&) {
        return Error{u"内存不足，无法打开班级文件“" + shownFileName(path) + u"”。",
                     QStringLiteral("内存不足")};
    }
}

} // namespace mirello
