#include "XlsxLibraryWriter.h"

#include <algorithm>
#include <memory>
#include <QFile>
#include <QTemporaryDir>
#include <vector>
#include <xlsxwriter.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Columns as spreadsheets measure them: a wide (Chinese) character takes two.
double displayWidth(const QString& text)
{
    double width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

double cellWidth(const XlsxCell& cell)
{
    if (const QString* text = std::get_if<QString>(&cell))
        return displayWidth(*text);
    return displayWidth(QString::number(std::get<double>(cell), 'g', 15));
}

Error failed(const QString& step, lxw_error error)
{
    return Error{u"无法生成 Excel 工作簿：" + step + u"失败。",
                 QString::fromUtf8(lxw_strerror(error))};
}

struct WorkbookCloser
{
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

Result<void> writeSheet(lxw_worksheet* worksheet, const XlsxSheet& sheet, lxw_format* bold)
{
    std::vector<double> widths(std::size_t(sheet.header.size()), 0);
    for (lxw_col_t col = 0; col < widths.size(); ++col) {
        widths[col] = displayWidth(sheet.header[col]);
        if (lxw_error error = worksheet_write_string(worksheet, 0, col,
                                                     sheet.header[col].toUtf8().constData(), bold))
            return failed(u"写入标题"_s, error);
    }
    for (lxw_row_t row = 0; row < lxw_row_t(sheet.rows.size()); ++row) {
        const QList<XlsxCell>& cells = sheet.rows[row];
        for (lxw_col_t col = 0; col < lxw_col_t(cells.size()); ++col) {
            const XlsxCell& cell = cells[col];
            lxw_error error = LXW_NO_ERROR;
            if (const double* number = std::get_if<double>(&cell))
                error = worksheet_write_number(worksheet, row + 1, col, *number, nullptr);
            else if (!std::get<QString>(cell).isEmpty())
                error = worksheet_write_string(
                    worksheet, row + 1, col, std::get<QString>(cell).toUtf8().constData(), nullptr);
            if (error)
                return failed(u"写入第 " + QString::number(row + 2) + u" 行", error);
            if (col < widths.size())
                widths[col] = std::max(widths[col], cellWidth(cell));
        }
    }
    for (lxw_col_t col = 0; col < widths.size(); ++col)
        worksheet_set_column(worksheet, col, col, std::clamp(widths[col] + 2, 6.0, 60.0), nullptr);
    worksheet_freeze_panes(worksheet, 1, 0);
    return {};
}

} // namespace

Result<QByteArray> writeXlsxWithLibrary(const QList<XlsxSheet>& sheets)
{
    // libxlsxwriter writes to a file only: a private temporary folder holds it and
    // the library's own scratch files.
    QTemporaryDir folder;
    if (!folder.isValid())
        return Error{u"无法生成 Excel 工作簿：无法建立临时文件夹。"_s, folder.errorString()};
    QByteArray folderPath = QFile::encodeName(folder.path());
    const QString path = folder.filePath(u"export.xlsx"_s);
    lxw_workbook_options options{};
    options.tmpdir = folderPath.data();
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(
        workbook_new_opt(QFile::encodeName(path).constData(), &options));
    if (!workbook)
        return Error{u"无法生成 Excel 工作簿：libxlsxwriter 无法开始新的工作簿。"_s, QString()};
    lxw_format* bold = workbook_add_format(workbook.get());
    format_set_bold(bold);

    QStringList names;
    for (const XlsxSheet& sheet : sheets) {
        names.append(validSheetName(sheet.name, names));
        lxw_worksheet* worksheet =
            workbook_add_worksheet(workbook.get(), names.last().toUtf8().constData());
        if (!worksheet)
            return failed(u"添加工作表“" + names.last() + u"”", LXW_ERROR_SHEETNAME_ALREADY_USED);
        if (Result<void> written = writeSheet(worksheet, sheet, bold); !written)
            return written.error();
    }

    if (lxw_error error = workbook_close(workbook.release()))
        return failed(u"保存工作簿"_s, error);
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly))
        return Error{u"无法生成 Excel 工作簿：读不回生成的文件。"_s, written.errorString()};
    return written.readAll();
}

} // namespace mirello
