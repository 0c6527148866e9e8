#pragma once

// The zip container of an .xlsx workbook, read from the caller's bytes with minizip,
// and the messages by which the reader refuses a file. Only the reader uses it.

#include "CellTable.h"
#include "platform/Result.h"

#include <memory>
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mirello::xlsx {

Error refusal(const QString& shown, const QString& what);
Error damaged(const QString& shown, const QString& part, const QString& reason = QString());

// What one reading of a workbook may still take: the text of its cells counts
// against the class-file limit as it is read, each cell against LongestCellText, and
// the teacher's Cancel stops it at the next step.
class ReadBudget
{
public:
    ReadBudget(const QString& shown, const CancelFlag* cancel)
        : m_shown(shown)
        , m_cancel(cancel)
    {
    }

    std::optional<Error> stopped() const;
    // One cell's text of the table; refused when it or the table grows too long.
    std::optional<Error> take(QStringView text);
    // One text the workbook keeps (a shared string): refused when longer than a cell.
    std::optional<Error> check(QStringView text) const;

private:
    QString m_shown;
    const CancelFlag* m_cancel;
    qint64 m_textBytes = 0;
};

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
    Package(QByteArrayView bytes, const QString& shown, const CancelFlag* cancel)
        : m_shown(shown)
        , m_file{bytes}
        , m_budget(shown, cancel)
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

    ReadBudget& budget() { return m_budget; }
    const QString& shown() const { return m_shown; }

private:
    Error tooLarge(const QString& part) const;

    QString m_shown;
    MemoryFile m_file;
    ZipHandle m_zip;
    ReadBudget m_budget;
};

} // namespace mirello::xlsx
