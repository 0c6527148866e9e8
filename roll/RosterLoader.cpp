#include "RosterLoader.h"

#include "platform/FileReading.h"
#include "platform/TextCodec.h"

namespace mirello {

NameList nameListFromBytes(QByteArrayView bytes)
{
    const TextEncoding encoding = detectEncoding(bytes);
    return NameList::fromText(decodeText(bytes.sliced(preambleLength(encoding)), encoding));
}

Result<NameList> loadRoster(const QString& path)
{
    Result<QByteArray> bytes = readWholeFile(path);
    if (!bytes)
        return bytes.error();
    return nameListFromBytes(bytes.value());
}

} // namespace mirello
