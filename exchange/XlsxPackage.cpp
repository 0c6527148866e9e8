#include "XlsxPackage.h"

#include "roll/RollFolder.h"
#include "XlsxReader.h"

#include <algorithm>
#include <cstring>
#include <unzip.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace mirello::xlsx {

namespace {

constexpr QByteArrayView CompoundFileMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
// The stream in which an encrypted workbook keeps its zip, in UTF-16 as the
// compound file names it.
constexpr QByteArrayView EncryptedPackage("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int)
{
    static_cast<MemoryFile*>(opaque)->position = 0;
    return opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size)
{
    MemoryFile& file = *static_cast<MemoryFile*>(stream);
    const qint64 count = std::min<qint64>(qint64(size), file.bytes.size() - file.position);
    if (count <= 0)
        return 0;
    std::memcpy(buffer, file.bytes.data() + file.position, size_t(count));
    file.position += count;
    return uLong(count);
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<MemoryFile*>(stream)->position);
}

// Like fseek, but a position before the start or past the end is refused: no zip
// that is whole points there.
long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    MemoryFile& file = *static_cast<MemoryFile*>(stream);
    const qint64 size = file.bytes.size();
    qint64 base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        if (offset > ZPOS64_T(size))
            return -1;
        file.position = qint64(offset);
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = file.position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = size;
        break;
    default:
        return -1;
    }
    // Relative offsets come as unsigned; a step back is one that wrapped around.
    const qint64 step = qint64(offset);
    if (step < -base || step > size - base)
        return -1;
    file.position = base + step;
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK errorOfMemory(voidpf, voidpf)
{
    return 0;
}

// The entry open for reading, closed on every way out; close() says whether the
// entry was whole, its checksum included.
class OpenEntry
{
public:
    explicit OpenEntry(unzFile zip)
        : m_zip(unzOpenCurrentFile(zip) == UNZ_OK ? zip : nullptr)
    {
    }
    OpenEntry(const OpenEntry&) = delete;
    OpenEntry& operator=(const OpenEntry&) = delete;
    ~OpenEntry()
    {
        if (m_zip)
            unzCloseCurrentFile(m_zip);
    }

    bool isOpen() const { return m_zip != nullptr; }
    bool close() { return unzCloseCurrentFile(std::exchange(m_zip, nullptr)) == UNZ_OK; }

private:
    unzFile m_zip;
};

} // namespace

Error refusal(const QString& shown, const QString& what)
{
    return Error{u"无法导入班级：“" + shown + u"”" + what, QString()};
}

Error damaged(const QString& shown, const QString& part, const QString& reason)
{
    return Error{u"无法导入班级：“" + shown + u"”已损坏，读不出其中的“" + part +
                     u"”。请在表格软件中打开并另存为 .xlsx 或 CSV 后再试。",
                 reason};
}

std::optional<Error> ReadBudget::stopped() const
{
    if (m_cancel && m_cancel->load(std::memory_order_relaxed))
        return Error{u"已取消读取“" + m_shown + u"”。", QString()};
    return std::nullopt;
}

std::optional<Error> ReadBudget::check(QStringView text) const
{
    if (text.size() > LongestCellText) {
        return refusal(m_shown, u"中有一格文字超过 " + QString::number(LongestCellText) +
                                    u" 个字符（表格软件一格的上限），不像是班级名单，没有读取。");
    }
    return stopped();
}

std::optional<Error> ReadBudget::take(QStringView text)
{
    if (std::optional<Error> refused = check(text))
        return refused;
    // Counted as UTF-8 bytes, the widest form the class file may take.
    for (const QChar c : text)
        m_textBytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 || c.isSurrogate() ? 2 : 3;
    if (m_textBytes > RollFolder::LargestClassFileBytes) {
        return refusal(m_shown, u"中的文字超过 " +
                                    QString::number(RollFolder::LargestClassFileBytes >> 20) +
                                    u" MB（一个班级文件的上限），不像是一个班级的名单，没有读取。");
    }
    return std::nullopt;
}

void CloseZip::operator()(void* zip) const
{
    unzClose(zip);
}

std::optional<Error> Package::open(QByteArrayView bytes)
{
    if (bytes.startsWith(CompoundFileMagic)) {
        if (QByteArrayView(bytes).indexOf(EncryptedPackage) >= 0) {
            return refusal(m_shown, u"设有打开密码，Mirello 读不了加密的工作簿。"
                                    u"请在表格软件中去掉密码（或另存为 CSV）后再试。"_s);
        }
        return refusal(m_shown, u"是旧的 Excel 97-2003 格式（.xls），不是 .xlsx 工作簿。"
                                u"请在表格软件中另存为 .xlsx 或 CSV 后再试。"_s);
    }
    if (bytes.startsWith("PK")) {
        zlib_filefunc64_def functions{openMemory, readMemory,  writeMemory,   tellMemory,
                                      seekMemory, closeMemory, errorOfMemory, &m_file};
        m_zip.reset(unzOpen2_64(&m_file, &functions));
    }
    if (!m_zip) {
        return refusal(m_shown, u"不是 .xlsx 工作簿（也可能已损坏）。"
                                u"请在表格软件中另存为 .xlsx 或 CSV 后再试。"_s);
    }
    return std::nullopt;
}

bool Package::has(const QString& part)
{
    return unzLocateFile(m_zip.get(), part.toUtf8().constData(), 2) == UNZ_OK;
}

Result<QByteArray> Package::read(const QString& part)
{
    if (!has(part))
        return damaged(m_shown, part, u"缺少这一部分"_s);
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(m_zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return damaged(m_shown, part);
    if (info.flag & 1) {
        return refusal(m_shown, u"中的内容设有密码，Mirello 读不了。"
                                u"请在表格软件中去掉密码（或另存为 CSV）后再试。"_s);
    }
    if (info.uncompressed_size > quint64(LargestXlsxPartBytes))
        return tooLarge(part);
    OpenEntry entry(m_zip.get());
    if (!entry.isOpen())
        return damaged(m_shown, part);
    QByteArray bytes;
    char chunk[64 * 1024];
    int got;
    while ((got = unzReadCurrentFile(m_zip.get(), chunk, sizeof chunk)) > 0) {
        if (bytes.size() + got > LargestXlsxPartBytes)
            return tooLarge(part);
        if (std::optional<Error> stopped = m_budget.stopped())
            return *stopped;
        bytes.append(chunk, got);
    }
    if (!entry.close() || got < 0)
        return damaged(m_shown, part);
    return bytes;
}

Error Package::tooLarge(const QString& part) const
{
    return refusal(m_shown, u"中的“" + part + u"”解压后超过 " +
                                QString::number(LargestXlsxPartBytes >> 20) +
                                u" MB，不像是班级名单（可能是特意构造的压缩炸弹），没有读取。");
}

} // namespace mirello::xlsx
