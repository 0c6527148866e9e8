#include "XlsxWriter.h"

#include "platform/ProgramFolder.h"

#include <algorithm>
#include <QDataStream>
#include <QDir>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr qsizetype LongestSheetName = 31;
constexpr quint32 Magic = 0x4D584C31; // "MXL1"
// A workbook of every class of a school is written in well under a second.
constexpr int HelperTimeoutMs = 60'000;

Error failed(const QString& what, const QString& reason = QString())
{
    return Error{u"无法生成 Excel 工作簿：" + what, reason};
}

} // namespace

QString xlsxHelperPath()
{
#ifdef Q_OS_WIN
    constexpr QStringView Name = u"mirello-xlsx.exe";
#else
    constexpr QStringView Name = u"mirello-xlsx";
#endif
    return QDir(programFolder()).filePath(Name.toString());
}

// The first `units` UTF-16 units of `text`, one fewer when the last would be half a
// character.
QString cutAtCharacter(const QString& text, qsizetype units)
{
    if (text.size() <= units)
        return text;
    return text.left(text.at(units - 1).isHighSurrogate() ? units - 1 : units);
}

QString validSheetName(const QString& wanted, const QStringList& taken)
{
    QString name;
    for (const QChar c : wanted) {
        if (!u"[]:*?/\\"_s.contains(c) && c.category() != QChar::Other_Control)
            name += c;
    }
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    name = cutAtCharacter(name, LongestSheetName);
    while (name.endsWith(u'\''))
        name.chop(1);
    if (name.isEmpty())
        name = u"班级"_s;
    // Spreadsheets tell sheets apart without regard to case.
    const auto isTaken = [&](const QString& candidate) {
        return std::any_of(taken.begin(), taken.end(), [&](const QString& other) {
            return other.compare(candidate, Qt::CaseInsensitive) == 0;
        });
    };
    QString candidate = name;
    for (int n = 2; isTaken(candidate); ++n) {
        const QString suffix = u" (" + QString::number(n) + u')';
        candidate = cutAtCharacter(name, LongestSheetName - suffix.size()) + suffix;
    }
    return candidate;
}

QByteArray serializeSheets(const QList<XlsxSheet>& sheets)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << Magic << qint32(sheets.size());
    for (const XlsxSheet& sheet : sheets) {
        out << sheet.name << sheet.header << qint32(sheet.rows.size());
        for (const QList<XlsxCell>& row : sheet.rows) {
            out << qint32(row.size());
            for (const XlsxCell& cell : row) {
                if (const double* number = std::get_if<double>(&cell))
                    out << quint8(1) << *number;
                else
                    out << quint8(0) << std::get<QString>(cell);
            }
        }
    }
    return bytes;
}

std::optional<QList<XlsxSheet>> deserializeSheets(QByteArrayView bytes)
{
    const QByteArray raw = QByteArray::fromRawData(bytes.data(), bytes.size());
    QDataStream in(raw);
    in.setVersion(QDataStream::Qt_5_15);
    quint32 magic = 0;
    qint32 count = -1;
    in >> magic >> count;
    if (magic != Magic || count < 0)
        return std::nullopt;
    QList<XlsxSheet> sheets;
    for (qint32 s = 0; s < count && in.status() == QDataStream::Ok; ++s) {
        XlsxSheet sheet;
        qint32 rows = -1;
        in >> sheet.name >> sheet.header >> rows;
        for (qint32 r = 0; r < rows && in.status() == QDataStream::Ok; ++r) {
            qint32 cells = -1;
            in >> cells;
            QList<XlsxCell> row;
            for (qint32 c = 0; c < cells && in.status() == QDataStream::Ok; ++c) {
                quint8 kind = 0;
                in >> kind;
                if (kind == 1) {
                    double number = 0;
                    in >> number;
                    row.append(number);
                } else {
                    QString text;
                    in >> text;
                    row.append(text);
                }
            }
            sheet.rows.append(row);
        }
        sheets.append(sheet);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return sheets;
}

Result<QByteArray> writeXlsx(const QList<XlsxSheet>& sheets, const QString& helper)
{
    QProcess process;
    process.start(helper, QStringList());
    if (!process.waitForStarted()) {
        return failed(u"无法启动导出程序“" + QDir::toNativeSeparators(helper) +
                          u"”。请确认它和 Mirello 在同一个文件夹里。",
                      process.errorString());
    }
    process.write(serializeSheets(sheets));
    process.closeWriteChannel();
    if (!process.waitForFinished(HelperTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return failed(u"导出程序没有在一分钟内完成，已停止它。"_s, process.errorString());
    }
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        // The helper ends with its message and reason, a line each; what the library
        // printed before them, in English, is part of the reason.
        QStringList said = QString::fromUtf8(process.readAllStandardError()).split(u'\n');
        if (process.exitStatus() != QProcess::NormalExit || said.size() < 3)
            return failed(u"导出程序意外退出。"_s, process.errorString());
        said.removeLast();
        const QString reason = said.takeLast();
        const QString message = said.takeLast();
        said.append(reason);
        return Error{message, said.join(u' ').trimmed()};
    }
    return output;
}

} // namespace mirello
