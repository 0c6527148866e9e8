#pragma once

// The zip container of an .xlsx workbook, read from the caller's bytes with minizip,
// and the messages by which the reader refuses a file. Only the reader uses it.

#include "platform/Result.h"

#include <memory>
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mirello::xlsx {

Error refusal(const QString& shown, const QString& what);
Error damaged(const QString& shown, const QString& part, const QString& reason = QString());

// The caller's bytes as the file minizip reads the zip from.
struct MemoryFile
{
    QByteArrayView bytes;
    qint64 position = 0;
};

struct CloseZip
{
    void operator()(void* zip) const;
};
using ZipHandle = std::unique_ptr<void, CloseZip>;

// The open zip container of one workbook, over the caller's bytes.
class Package
{
public:
    Package(QByteArrayView bytes, const QString& shown)
        : m_shown(shown)
        , m_file{bytes}
    {
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    std::optional<Error> open(QByteArrayView bytes);

    // Finds the part in any letter case, as the zip may spell it, and makes it the
    // current entry.
    bool has(const QString& part);

    // The whole part, never more than LargestXlsxPartBytes however small the zip
    // says it is.
    Result<QByteArray> read(const QString& part);

private:
    Error tooLarge(const QString& part) const;

    QString m_shown;
    MemoryFile m_file;
    ZipHandle m_zip;
};

} // namespace mirello::xlsx
