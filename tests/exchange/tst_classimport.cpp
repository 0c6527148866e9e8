// Importing a class list down to the bytes of the new class file: real .xlsx files
// (one made here through libxlsxwriter, one saved by a spreadsheet program), CSV in
// three encodings, pasted text; the rows the preview leaves out; class names; an
// import never replaces a file; hostile workbooks are refused; the export read back
// through the import reader; every new file step of both made to fail.

#include "exchange/ClassExport.h"
#include "exchange/ClassImport.h"
#include "exchange/ImportPreview.h"
#include "exchange/XlsxReader.h"
#include "exchange/XlsxWriter.h"
#include "platform/FileOperations.h"
#include "support/EveryFileStep.h"

using namespace mirello;
using namespace recordingtest;

Q_DECLARE_METATYPE(mirello::CellTable)

namespace {

enum class Source
{
    Xlsx,
    Csv,
    Pasted
};

const QByteArray Class = gbkLines({rollLine(u"王小明", u"03\\1201", u"20230107 "),
                                   rollLine(u"欧阳娜娜", u"12\\3450", u"S0108    ")});

QByteArray twoStudents()
{
    return gbk(u"20230107 王小明-00\\0000\r\n20230108 欧阳娜娜-00\\0000\r\n");
}

CellTable rows(const QList<QStringList>& cells)
{
    CellTable table;
    for (const QStringList& row : cells)
        table.append(TableRow{int(table.size()) + 1, row});
    return table;
}

} // namespace

class TestClassImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesClassFile_data();
    void writesClassFile();
    void leavesOutProblemRows_data();
    void leavesOutProblemRows();
    void neverReplacesAFile();
    void refusesOverlongCsvFields_data();
    void refusesOverlongCsvFields();
    void refusesHostileWorkbooks_data();
    void refusesHostileWorkbooks();
    void readsRealWorkbooks_data();
    void readsRealWorkbooks();
    void exportsWhatTheImportReads();
    void failsAtEveryNewFileStep_data();
    void failsAtEveryNewFileStep();
};

void TestClassImport::writesClassFile_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("classFile");

    const QByteArray made =
        writeXlsx({XlsxSheet{u"名单"_s,
                             {u"学号"_s, u"姓名"_s},
                             {{20230107.0, u"王小明"_s}, {20230108.0, u"欧阳娜娜"_s}}}},
                  QStringLiteral(MIRELLO_XLSX_HELPER))
            .value();
    QTest::newRow("xlsx made with libxlsxwriter, number cells")
        << int(Source::Xlsx) << made << twoStudents();
    const QByteArray titled = writeXlsx({XlsxSheet{u"名单"_s,
                                                   {u"三年级二班名单"_s},
                                                   {{u"学号"_s, u"姓名"_s},
                                                    {20230107.0, u"王小明"_s},
                                                    {20230108.0, u"欧阳娜娜"_s}}}},
                                        QStringLiteral(MIRELLO_XLSX_HELPER))
                                  .value();
    QTest::newRow("xlsx, the sheet's title above the titles")
        << int(Source::Xlsx) << titled << twoStudents();
    QTest::newRow("xlsx saved by a spreadsheet program, shared strings and a title row")
        << int(Source::Xlsx) << readBytes(QStringLiteral(MIRELLO_TEST_DATA "/saved-class.xlsx"))
        << gbk(u"20230107 王小明-00\\0000\r\n20230108 欧阳娜娜-00\\0000\r\n"
               u"S0109    李华-00\\0000\r\n");

    const QString csv = u"学号,姓名\r\n20230107,王小明\r\n\"20230108\",\"欧阳娜娜\"\r\n"_s;
    QTest::newRow("csv utf-8") << int(Source::Csv) << csv.toUtf8() << twoStudents();
    QTest::newRow("csv utf-8 with bom")
        << int(Source::Csv) << QByteArray("\xEF\xBB\xBF") + csv.toUtf8() << twoStudents();
    QTest::newRow("csv gbk, semicolons, lf")
        << int(Source::Csv) << gbk(u"学号;姓名\n20230107;王小明\n20230108;欧阳娜娜\n")
        << twoStudents();
    QTest::newRow("csv, the sheet's title and a date above the titles")
        << int(Source::Csv)
        << u"三年级二班名单\n2026-09-01\n学号,姓名\n20230107,王小明\n20230108,欧阳娜娜\n"_s.toUtf8()
        << twoStudents();
    QTest::newRow("csv numbered by 序号 and by 学号")
        << int(Source::Csv)
        << u"序号,学号,姓名\n1,20230107,王小明\n2,20230108,欧阳娜娜\n"_s.toUtf8() << twoStudents();
    QTest::newRow("csv, blank lines and a line of separators between the students")
        << int(Source::Csv)
        << u"学号,姓名\n\n20230107,王小明\n,\n\r\n20230108,欧阳娜娜\n\n"_s.toUtf8()
        << twoStudents();
    QTest::newRow("pasted, a number before some names")
        << int(Source::Pasted) << u"20230107 王小明\n  李华 \n\n"_s.toUtf8()
        << gbk(u"20230107 王小明-00\\0000\r\n         李华-00\\0000\r\n");
    QTest::newRow("pasted from a spreadsheet, tabs")
        << int(Source::Pasted) << u"20230107\t王小明\r\n20230108\t欧阳娜娜\r\n"_s.toUtf8()
        << twoStudents();
    QTest::newRow("a name outside GBK: UTF-8 with byte-order mark")
        << int(Source::Pasted) << u"S01 김민준\n"_s.toUtf8()
        << QByteArray("\xEF\xBB\xBF") + u"S01      김민준-00\\0000\r\n"_s.toUtf8();
}

void TestClassImport::writesClassFile()
{
    QFETCH(int, source);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, classFile);

    Result<CellTable> table =
        Source(source) == Source::Xlsx ? Result<CellTable>(readXlsx(bytes, 0, u"x"_s).value().table)
        : Source(source) == Source::Csv ? tableFromCsv(bytes)
                                        : tableFromPastedText(QString::fromUtf8(bytes));
    QVERIFY2(table.ok(), WHY(table));
    const ImportPlan plan = planImport(table.value(), guessColumns(table.value()));
    QCOMPARE(plan.bytes, classFile);
}

void TestClassImport::leavesOutProblemRows_data()
{
    QTest::addColumn<CellTable>("table");
    QTest::addColumn<QSet<int>>("kept");
    QTest::addColumn<bool>("acceptCut");
    QTest::addColumn<QList<int>>("problems");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("blocked"); // part of why; empty when it can be written

    using enum RowProblem;
    const auto codes = [](std::initializer_list<RowProblem> problems) {
        QList<int> list;
        for (RowProblem problem : problems)
            list.append(int(problem));
        return list;
    };
    const CellTable empty = rows({{u"1"_s, u" "_s}, {u"2"_s, u"李华"_s}});
    QTest::newRow("empty name left out")
        << empty << QSet<int>{} << false << codes({EmptyName, None})
        << QStringList{u"2        李华-00\\0000"_s} << QString();
    QTest::newRow("empty name kept")
        << empty << QSet<int>{1} << false << codes({EmptyName, None})
        << QStringList{u"1        -00\\0000"_s, u"2        李华-00\\0000"_s} << QString();
    QTest::newRow("second row of a name left out")
        << rows({{u"1"_s, u"王小明"_s}, {u"2"_s, u"王小明"_s}}) << QSet<int>{} << false
        << codes({None, Duplicate}) << QStringList{u"1        王小明-00\\0000"_s} << QString();
    QTest::newRow("line break kept as a space")
        << rows({{u"1"_s, u"王\n小明"_s}}) << QSet<int>{1} << false << codes({ControlCharacter})
        << QStringList{u"1        王 小明-00\\0000"_s} << QString();
    QTest::newRow("tab left out") << rows({{u"1"_s, u"王\t小明"_s}}) << QSet<int>{} << false
                                  << codes({ControlCharacter}) << QStringList{} << QString();
    const CellTable cut = rows({{u"2023010100123"_s, u"王小明"_s}, {u"123"_s, u"李华"_s}});
    QTest::newRow("long numbers cut to their last nine, once accepted")
        << cut << QSet<int>{} << true << codes({None, None})
        << QStringList{u"010100123王小明-00\\0000"_s, u"123      李华-00\\0000"_s} << QString();
    QTest::newRow("long numbers cut: offered, not yet accepted")
        << cut << QSet<int>{} << false << codes({None, None})
        << QStringList{u"010100123王小明-00\\0000"_s, u"123      李华-00\\0000"_s}
        << u"（例如 2023010100123 → 010100123）"_s;
    QTest::newRow("a cut number meeting another's: never written, even when kept")
        << rows({{u"2023010100123"_s, u"王小明"_s}, {u"010100123"_s, u"李华"_s}}) << QSet<int>{1}
        << true << codes({NumberTooLong, None}) << QStringList{u"010100123李华-00\\0000"_s}
        << u"第 1 行与第 2 行（010100123）"_s;
    QTest::newRow("reversing, zero-width and byte-order characters never written, even when kept")
        << rows({{u"1"_s, u"王\u202E明"_s}, {u"2"_s, u"李\u200B华"_s}, {u"\uFEFF3"_s, u"张三"_s}})
        << QSet<int>{1, 2, 3} << false << codes({FormatCharacter, FormatCharacter, FormatCharacter})
        << QStringList{} << u"看不见的格式字符"_s;
}

void TestClassImport::leavesOutProblemRows()
{
    QFETCH(CellTable, table);
    QFETCH(QSet<int>, kept);
    QFETCH(bool, acceptCut);
    QFETCH(QList<int>, problems);
    QFETCH(QStringList, written);
    QFETCH(QString, blocked);

    const ImportPlan plan = planImport(table, ImportColumns{0, 1, 0}, kept, acceptCut);
    QList<int> found;
    QStringList lines;
    for (const ImportRow& row : plan.rows) {
        found.append(int(row.problem));
        if (row.written)
            lines.append(row.line);
    }
    QCOMPARE(found, problems);
    QCOMPARE(lines, written);
    QVERIFY2(plan.blocked().value_or(QString()).contains(blocked) &&
                 plan.blocked().has_value() == !blocked.isEmpty(),
             qPrintable(plan.blocked().value_or(u"not blocked"_s)));
}

void TestClassImport::neverReplacesAFile()
{
    RollFixture roll;
    const QByteArray old = gbk(rollLine(u"王小明", u"03\\1201") + u"\r\n");
    QVERIFY(roll.writeClass(old));
    auto& files = systemFileOperations();
    for (const QString& name : {roll.className(), u"高一3班.TXT"_s}) {
        const Result<void> written = writeNewClass(roll.folder(), name, twoStudents(), files);
        QVERIFY(!written.ok());
        QVERIFY2(written.error().message.contains(u"没有覆盖"), WHY(written));
    }
    QCOMPARE(roll.classBytes(), old);

    const Result<void> written =
        writeNewClass(roll.folder(), u"高一4班.txt"_s, twoStudents(), files);
    QVERIFY2(written.ok(), WHY(written));
    QCOMPARE(readBytes(roll.classPath(u"高一4班.txt"_s)), twoStudents());
    QCOMPARE(roll.entries(), (QStringList{roll.className(), u"高一4班.txt"_s}));
}

void TestClassImport::refusesOverlongCsvFields_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");

    const QByteArray longName(1025, 'a');
    QTest::newRow("after blank lines") << "学号,姓名\n\n\n1," + longName << u"第 4 行"_s;
    QTest::newRow("spaces only, not a blank line") << "1,王小明\n2," + QByteArray(1025, ' ') + "\n"
                                                   << u"第 2 行"_s;
    QTest::newRow("a quoted field across lines") << "1,\"" + longName + "\n\"\n" << u"第 1 行"_s;
}

void TestClassImport::refusesOverlongCsvFields()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    const Result<CellTable> table = tableFromCsv(bytes);
    QVERIFY(!table.ok());
    QVERIFY2(table.error().message.contains(says + u"有超过 1024 个字符的单元格"), WHY(table));
}

void TestClassImport::refusesHostileWorkbooks_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("says");

    QTest::newRow("zip bomb") << u"hostile-zip-bomb"_s << u"压缩炸弹"_s;
    QTest::newRow("zip bomb understating its size")
        << u"hostile-zip-bomb-lying"_s << u"已损坏，读不出其中的“xl/worksheets/sheet1.xml”"_s;
    QTest::newRow("sheet failing its checksum")
        << u"hostile-bad-checksum"_s << u"已损坏，读不出其中的“xl/worksheets/sheet1.xml”"_s;
    QTest::newRow("password on one part") << u"hostile-encrypted-entry"_s << u"中的内容设有密码"_s;
    QTest::newRow("huge sheet") << u"hostile-huge-sheet"_s << u"超过 50000 行"_s;
    QTest::newRow("broken xml") << u"hostile-broken-xml"_s << u"已损坏"_s;
    QTest::newRow("entity declarations") << u"hostile-entities"_s << u"已损坏"_s;
    QTest::newRow("password-protected workbook") << u"hostile-password"_s << u"密码"_s;
    QTest::newRow(".xls renamed .xlsx") << u"hostile-xls-renamed"_s << u"97-2003"_s;
    QTest::newRow("a picture") << u"hostile-picture"_s << u"不是 .xlsx"_s;
}

void TestClassImport::refusesHostileWorkbooks()
{
    QFETCH(QString, file);
    QFETCH(QString, says);
    const QByteArray bytes = readBytes(QStringLiteral(MIRELLO_XLSX_CORPUS "/") + file);
    const Result<XlsxContent> table = readXlsx(bytes, 0, file);
    QVERIFY(!table.ok());
    QVERIFY2(table.error().message.contains(says) && table.error().message.contains(file),
             WHY(table));
}

// Workbooks from many producers, kept outside the repository: each fine one imports
// (two hold only formatted empty cells), each broken or encrypted one is refused with
// a message.
void TestClassImport::readsRealWorkbooks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("broken");
    QTest::addColumn<bool>("empty");
    const QDir folder(QStringLiteral(MIRELLO_REAL_WORKBOOKS));
    static const QStringList Broken{u"excelize-BadWorkbook.xlsx"_s,
                                    u"excelize-encryptAES.xlsx"_s,
                                    u"excelize-encryptSHA1.xlsx"_s,
                                    u"excelize-encryptSHA512.xlsx"_s,
                                    u"tealeg-testdocs_badfile_noWorkbookRels.xlsx"_s,
                                    u"tealeg-testdocs_badfile_noWorksheets.xlsx"_s};
    static const QStringList Empty{u"tealeg-testdocs_color_stylesheet.xlsx"_s,
                                   u"tealeg-testdocs_testFileToSlice.xlsx"_s};
    for (const QString& name : folder.entryList({u"*.xlsx"_s}, QDir::Files)) {
        QTest::newRow(qPrintable(name))
            << folder.filePath(name) << Broken.contains(name) << Empty.contains(name);
    }
}

void TestClassImport::readsRealWorkbooks()
{
    if (!QDir(QStringLiteral(MIRELLO_REAL_WORKBOOKS)).exists())
        QSKIP("The folder of real workbooks is not beside this checkout.");
    QFETCH(QString, path);
    QFETCH(bool, broken);
    QFETCH(bool, empty);
    const CancelFlag cancel{false};
    const Result<ImportPreview> preview = previewImportFile(path, 0, cancel);
    if (broken) {
        QVERIFY(!preview.ok());
        QVERIFY2(!preview.error().message.isEmpty(), WHY(preview));
        return;
    }
    // The rows may be on any sheet: the first of some is a chart or left empty.
    QVERIFY2(preview.ok(), WHY(preview));
    bool rows = !preview.value().table.isEmpty();
    for (int sheet = 1; !rows && sheet < preview.value().sheetNames.size(); ++sheet) {
        const Result<ImportPreview> other = previewImportFile(path, sheet, cancel);
        rows = other.ok() && !other.value().table.isEmpty();
    }
    QCOMPARE(rows, !empty);
}

void TestClassImport::exportsWhatTheImportReads()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(Class));
    HistoryEntry called;
    called.time = QDateTime(QDate(2030, 1, 7), QTime(8, 0));
    called.classFile = roll.className();
    called.name = u"王小明"_s;
    QVERIFY(appendHistory(roll.folder(), {called}, systemFileOperations()).ok());
    const QList<ExportedClass> classes =
        readClassesForExport(roll.folder(), {roll.className()}).value();

    const Result<ExportedWorkbook> workbook =
        exportXlsx(classes, QStringLiteral(MIRELLO_XLSX_HELPER));
    QVERIFY2(workbook.ok(), WHY(workbook));
    const XlsxContent content = readXlsx(workbook.value().bytes, 0, u"x"_s).value();
    QCOMPARE(content.sheetNames, QStringList{u"高一3班"_s});
    QList<QStringList> cells;
    for (const TableRow& row : content.table)
        cells.append(row.cells);
    QCOMPARE(cells, (QList<QStringList>{exportTitles(),
                                        {u"20230107"_s, u"王小明"_s, u"3"_s, u"1"_s, u"2"_s, u"0"_s,
                                         u"1"_s, u"1"_s, u"2030-01-07"_s},
                                        {u"S0108"_s, u"欧阳娜娜"_s, u"12"_s, u"3"_s, u"4"_s, u"5"_s,
                                         u"0"_s, u"0"_s}}));

    // Two classes in one CSV: a class column, and no text a spreadsheet takes for a formula.
    const QByteArray csv =
        exportCsv({classes.first(), ExportedClass{u"=1+1"_s, classes.first().students.mid(1)}});
    QCOMPARE(csv,
             QByteArray("\xEF\xBB\xBF") +
                 (u"班级,学号,姓名,点名次数,优秀,良好,及格,不及格,本学期点名次数,最近点名日期\r\n"
                  u"高一3班,20230107,王小明,03,1,2,0,1,1,2030-01-07\r\n"
                  u"高一3班,S0108,欧阳娜娜,12,3,4,5,0,0,\r\n"
                  u"'=1+1,S0108,欧阳娜娜,12,3,4,5,0,0,\r\n"_s)
                     .toUtf8());
}

void TestClassImport::failsAtEveryNewFileStep_data()
{
    QTest::addColumn<FileStepOperation>("operation");
    QTest::newRow("import") << FileStepOperation{
        [](RollFixture& roll, FileOperations& files) {
            return writeNewClass(roll.folder(), u"高一4班.txt"_s, twoStudents(), files);
        },
        [](const RollFixture& roll) { return roll.classPath(u"高一4班.txt"_s); }, "<cannot open>",
        twoStudents()};
    QTest::newRow("export over an older one") << FileStepOperation{
        [](RollFixture& roll, FileOperations& files) {
            return writeExportFile(roll.programFolder() + u"/成绩.csv", twoStudents(), files);
        },
        [](const RollFixture& roll) -> QString { return roll.programFolder() + u"/成绩.csv"; },
        Class, twoStudents()};
}

void TestClassImport::failsAtEveryNewFileStep()
{
    QFETCH(FileStepOperation, operation);
    failEveryFileStep(operation, Class);
}

QTEST_GUILESS_MAIN(TestClassImport)
#include "tst_classimport.moc"
