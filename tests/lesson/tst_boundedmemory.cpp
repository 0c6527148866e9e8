// Inputs whose work could grow faster than their size, each made here. Every row runs
// the import (or the export, or the overview's reading of a roll folder) in a child
// process, this program started again, under an address-space limit of 1 GiB and a
// time limit: it must end in a Chinese refusal or in what an honest input gives, never
// in an abort, a crash or a timeout. The peak memory of every row is printed, that of
// honest class lists of LargestTableRows rows as a figure.

#include "exchange/ClassExport.h"
#include "exchange/ImportPreview.h"
#include "exchange/XlsxReader.h"
#include "lesson/ClassOverview.h"
#include "roll/RollFolder.h"
#include "support/FileBytes.h"

#include <functional>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>
#include <zip.h>

// g++ says so when it builds with AddressSanitizer.
#if defined(__SANITIZE_ADDRESS__)
#define MIRELLO_ASAN 1
#endif

using namespace mirello;
using namespace Qt::StringLiterals;
using namespace recordingtest;

namespace {

constexpr char RowVariable[] = "MIRELLO_BOUNDED_ROW";
constexpr int RefusedCode = 3;
constexpr qint64 MemoryLimit = qint64(1) << 30;
constexpr int TimeLimitMs = 120'000;

using Parts = QList<std::pair<QByteArray, QByteArray>>;

// A workbook of `sheets` sheets over `relationships` relationships, all to one sheet
// whose rows are `row(n)` (the cells of row n) and whose shared strings are `strings`.
Parts workbook(int sheets, int relationships, int rows, const std::function<QByteArray(int)>& row,
               const QByteArrayList& strings = {})
{
    QByteArray book = "<workbook xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main' "
                      "xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/"
                      "relationships'><sheets>";
    for (int s = 1; s <= sheets; ++s)
        book += "<sheet name='S" + QByteArray::number(s) + "' sheetId='" + QByteArray::number(s) +
                "' r:id='rId" + QByteArray::number(1 + (s - 1) % relationships) + "'/>";
    QByteArray links = "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/"
                       "relationships'>";
    for (int r = 1; r <= relationships; ++r)
        links += "<Relationship Id='rId" + QByteArray::number(r) +
                 "' Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                 "worksheet' Target='worksheets/sheet1.xml'/>";
    QByteArray sheet = "<worksheet><sheetData>";
    for (int n = 1; n <= rows; ++n)
        sheet += "<row r='" + QByteArray::number(n) + "'>" + row(n) + "</row>";
    QByteArray shared = "<sst>";
    for (const QByteArray& text : strings)
        shared += "<si><t>" + text + "</t></si>";
    return {{"xl/workbook.xml", book + "</sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels", links + "</Relationships>"},
            {"xl/sharedStrings.xml", shared + "</sst>"},
            {"xl/worksheets/sheet1.xml", sheet + "</sheetData></worksheet>"}};
}

bool writeZip(const QString& path, const Parts& parts)
{
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), 0);
    bool ok = zip != nullptr;
    for (const auto& [name, bytes] : parts) {
        ok = ok &&
             zipOpenNewFileInZip64(zip, name.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                   Z_DEFLATED, 9, 1) == ZIP_OK &&
             zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zip && zipClose(zip, nullptr) == ZIP_OK && ok;
}

// Distinct names without digits, each `length` letters long.
QByteArray letterName(int n, int length)
{
    QByteArray name;
    for (int k = 0; k < 4; ++k, n /= 26)
        name += char('a' + n % 26);
    return name.leftJustified(length, 'x');
}

QByteArray sharedCell(int index)
{
    return "<c t='s'><v>" + QByteArray::number(index) + "</v></c>";
}

QByteArray inlineCell(const QByteArray& text)
{
    return "<c t='inlineStr'><is><t>" + text + "</t></is></c>";
}

const QString ClassFile = u"高一3班.txt"_s;

// A roll folder in `dir` with one class of one student `name`, and a history of
// `megabytes` MB of recordings of 王小明 in that class.
bool writeRollFolder(const QTemporaryDir& dir, const QByteArray& name, int megabytes)
{
    const RollFolder folder = RollFolder::besideProgram(dir.path());
    QByteArray line =
        u"2030-01-07T08:00:00+08:00,高一3班.txt,记录,S20230107,王小明,优秀,01,1000,,d1,\r\n"_s
            .toUtf8();
    QByteArray megabyte;
    while (megabyte.size() + line.size() <= (1 << 20))
        megabyte += line;
    return QDir(dir.path()).mkpath(u"checkroll/.mirello"_s) &&
           writeBytes(folder.classFilePath(ClassFile), "S20230107" + name + "-01\\1000\r\n") &&
           writeBytes(folder.historyFilePath(), megabyte.repeated(megabytes));
}

// A row's input, written into the row's folder: the path the child is given, empty
// when it could not be written. Made only when the row runs, for some are large.
using Input = std::function<QString(const QTemporaryDir&)>;

Input xlsx(const std::function<Parts()>& parts)
{
    return [=](const QTemporaryDir& dir) {
        const QString path = dir.filePath(u"名单.xlsx"_s);
        return writeZip(path, parts()) ? path : QString();
    };
}

Input csv(const std::function<QByteArray()>& bytes)
{
    return [=](const QTemporaryDir& dir) {
        const QString path = dir.filePath(u"名单.csv"_s);
        return writeBytes(path, bytes()) ? path : QString();
    };
}

Input rollFolder(const QByteArray& name, int megabytes)
{
    return [=](const QTemporaryDir& dir) {
        return writeRollFolder(dir, name, megabytes) ? dir.path() : QString();
    };
}

// The child's part for the overview: reads the class and the history of the roll
// folder in `programFolder` as the window would have them shown.
int runOverview(const QString& programFolder, QTextStream& out)
{
    const ClassOverview overview =
        readClassOverview(RollFolder::besideProgram(programFolder), ClassFile);
    const std::optional<Error> error =
        overview.classError ? overview.classError : overview.historyError;
    out << (error ? error->text() : QString()) << "kept " << overview.history.size()
        << ", name shown " << overview.rows.value(0).shownName.size() << Qt::endl;
    return error ? RefusedCode : 0;
}

// The child's part: imports the file at `path`, or exports classes whose names and
// cells a workbook cannot hold as they are.
int runImport(const QString& path, QTextStream& out)
{
    const CancelFlag cancel{false};
    const Result<ImportPreview> preview = previewImportFile(path, 0, cancel);
    const std::optional<QString> refused =
        preview ? preview.value().plan.blocked() : preview.error().message;
    out << (refused ? *refused : u"imported %1"_s.arg(preview.value().plan.writtenCount()))
        << Qt::endl;
    return refused ? RefusedCode : 0;
}

int runExport(QTextStream& out)
{
    const ExportedStudent student{u"1"_s, u"王小明"_s, u"0"_s, {}, 0, {}};
    ExportedStudent endless = student;
    endless.name = QString(LongestCellText + 1, u'长');
    const QList<ExportedClass> classes{{u"高一(1)班"_s, {student}},
                                       {QString(30, u'班') + u"😀", {student}},
                                       {u"高一[2]班"_s, {student}},
                                       {u"超长"_s, {endless}}};
    const Result<ExportedWorkbook> exported =
        exportXlsx(classes, QStringLiteral(MIRELLO_XLSX_HELPER));
    if (!exported) {
        out << exported.error().message << Qt::endl;
        return 1;
    }
    out << readXlsx(exported.value().bytes, 0, u"x"_s).value().sheetNames.join(u'|') << u" "_s
        << exported.value().leftOut.join(u' ') << Qt::endl;
    return exported.value().leftOut.isEmpty() ? 0 : RefusedCode;
}

// The child's own peak: getrusage() would carry over the parent's peak from before the
// child's exec, the high-water mark of the new process does not.
qint64 peakKilobytes()
{
    const QByteArray text = readBytes(u"/proc/self/status"_s);
    const qsizetype at = text.indexOf("VmHWM:");
    return at < 0 ? -1
                  : text.mid(at + 6, text.indexOf('\n', at) - at - 6)
                        .trimmed()
                        .split(' ')[0]
                        .toLongLong();
}

int runChild(const QString& kind, const QString& path)
{
#ifndef MIRELLO_ASAN
    const rlimit limit{rlim_t(MemoryLimit), rlim_t(MemoryLimit)};
    setrlimit(RLIMIT_AS, &limit);
#endif
    QTextStream out(stdout);
    const int code = kind == u"export"     ? runExport(out)
                     : kind == u"overview" ? runOverview(path, out)
                                           : runImport(path, out);
    out << "peak-kb " << peakKilobytes() << Qt::endl;
    return code;
}

} // namespace

Q_DECLARE_METATYPE(Input)

class TestBoundedMemory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsInRefusal_data();
    void endsInRefusal();
};

void TestBoundedMemory::endsInRefusal_data()
{
    QTest::addColumn<QString>("child"); // what the child does: import, export or overview
    QTest::addColumn<Input>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    const QString import = u"import"_s;
    const auto inlineName = [](int) {
        return inlineCell("王小明");
    };
    QTest::newRow("one 60,000,000-character shared string in 100 rows") << import << xlsx([] {
        return workbook(1, 1, 100, [](int) { return sharedCell(0); },
                        {QByteArray(60'000'000, 'x')});
    }) << RefusedCode << u"超过 32767 个字符"_s;
    QTest::newRow("40,000 sheets")
        << import << xlsx([=] { return workbook(40'000, 1, 1, inlineName); }) << RefusedCode
        << u"超过 1000 个工作表"_s;
    QTest::newRow("1000 sheets over 100,000 relationships")
        << import << xlsx([=] { return workbook(LargestSheets, 100'000, 1, inlineName); })
        << RefusedCode << u"超过 4096 条关联"_s;
    // Half the names shared, half inline, so that no part passes its own limit.
    QTest::newRow("a class file over the class limit") << import << xlsx([] {
        QByteArrayList strings;
        for (int n = 1; n <= LargestTableRows / 2; ++n)
            strings.append(letterName(n, 1330));
        return workbook(
            1, 1, LargestTableRows,
            [](int n) {
                return n <= LargestTableRows / 2 ? sharedCell(n - 1)
                                                 : inlineCell(letterName(n, 1330));
            },
            strings);
    }) << RefusedCode << u"超过 64 MB（一个班级文件的上限）"_s;
    QTest::newRow("sheet names cut inside a character, a class too long to write")
        << u"export"_s << Input([](const QTemporaryDir& dir) { return dir.path(); }) << RefusedCode
        << u"高一(1)班|"_s + QString(30, u'班') + u"|高一2班 班级“超长”中有超过 32767 个字符"_s;
    QTest::newRow("honest class of 50,000 students") << import << xlsx([] {
        return workbook(1, 1, LargestTableRows, [](int n) -> QByteArray {
            return inlineCell(QByteArray::number(20230000 + n)) +
                   inlineCell(u"欧阳"_s.toUtf8() + letterName(n, 4));
        });
    }) << 0 << u"imported 50000"_s;
    QTest::newRow("32 MB of line breaks as a CSV list")
        << import << csv([] { return QByteArray(LargestImportFileBytes, '\n'); }) << 0
        << u"imported 0"_s;
    QTest::newRow("honest CSV list of 50,000 students") << import << csv([] {
        QByteArray list;
        for (int n = 1; n <= LargestTableRows; ++n)
            list += QByteArray::number(20230000 + n) + ',' + letterName(n, 6) + "\r\n";
        return list;
    }) << 0 << u"imported 50000"_s;
    const QByteArray name = u"王小明"_s.toUtf8();
    QTest::newRow("100 MB history, read for the overview")
        << u"overview"_s << rollFolder(name, 100) << 0 << u"kept 100000, name shown 3"_s;
    QTest::newRow("a name of 4,000,000 characters, read for the overview")
        << u"overview"_s << rollFolder(QByteArray(4'000'000, 'a'), 1) << 0 << u"name shown 100"_s;
}

void TestBoundedMemory::endsInRefusal()
{
    QFETCH(QString, child);
    QFETCH(Input, input);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = input(dir);
    QVERIFY(!path.isEmpty());

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(RowVariable), child);
#ifdef MIRELLO_ASAN
    environment.insert(u"ASAN_OPTIONS"_s,
                       u"hard_rss_limit_mb=1024:allocator_may_return_null=1:detect_leaks=0"_s);
#endif
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(), {path});
    QVERIFY(process.waitForFinished(TimeLimitMs));
    const QString said = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == exitCode,
             qPrintable(said + QString::fromUtf8(process.readAllStandardError())));
    QVERIFY2(said.contains(says), qPrintable(said));
    qInfo().noquote() << QTest::currentDataTag() << said.section(u"peak-kb "_s, 1).trimmed()
                      << "KB at the peak, file"
                      << QFileInfo(child == u"overview"
                                       ? RollFolder::besideProgram(path).historyFilePath()
                                       : path)
                             .size()
                      << "bytes";
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(RowVariable))
        return runChild(qEnvironmentVariable(RowVariable), app.arguments().value(1));
    TestBoundedMemory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boundedmemory.moc"
