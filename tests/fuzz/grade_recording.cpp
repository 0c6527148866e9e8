// Grade recording over arbitrary file bytes, names and grade texts, on a real roll
// folder: a success changes only the last 7 characters of matching lines and ends
// every line with CR LF; a refusal leaves the file byte for byte as it was.
#include "FuzzCheck.h"
#include "platform/TextCodec.h"
#include "roll/GradeRecorder.h"
#include "roll/RollRecord.h"
#include "support/RecordingProperties.h"

#include <cstdint>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace mirello;

namespace {

const QString ClassName = QStringLiteral("class.txt");

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes.data(), bytes.size()) == bytes.size());
}

QString nameToRecord(QByteArrayView input, QByteArrayView fileBytes, unsigned char mode)
{
    if (mode & 0x80) {
        // Most interesting: a name that really stands in the file's first line.
        const TextEncoding encoding = detectEncoding(fileBytes);
        const QString text = decodeText(fileBytes.sliced(preambleLength(encoding)), encoding);
        const QString firstLine = text.left(text.indexOf(u'\n')).remove(u'\r');
        return RollRecord(firstLine).personName().value_or(QStringView()).toString();
    }
    return QString::fromUtf8(input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir programFolder(QDir(QStringLiteral("/dev/shm")).exists()
                                           ? QStringLiteral("/dev/shm/mirello-fuzz-XXXXXX")
                                           : QDir::tempPath() + u"/mirello-fuzz-XXXXXX");
    static const RollFolder folder = RollFolder::besideProgram(programFolder.path());
    QDir().mkpath(folder.path());
    if (size < 2)
        return 0;

    // Byte 0: grade and how the name is chosen; byte 1: name length; then name, file.
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const unsigned char mode = data[0];
    const qsizetype nameLength = std::min<qsizetype>(data[1], input.size() - 2);
    const QByteArrayView fileBytes = input.sliced(2 + nameLength);
    const QString name = nameToRecord(input.sliced(2, nameLength), fileBytes, mode);
    const QString grades[] = {QStringLiteral("优秀"), QStringLiteral("良好"),
                              QStringLiteral("及格"), QStringLiteral("不及格"),
                              QStringLiteral("缺席")};
    const QString& grade = grades[(mode & 0x7F) % 5];

    const QString classPath = folder.classFilePath(ClassName);
    writeFile(classPath, fileBytes);
    const Result<void> recorded = recordGrade(folder, ClassName, name, grade);
    const QByteArray after = readFile(classPath);
    if (recorded)
        FUZZ_CHECK(test::recordingViolation(fileBytes, after, name).isEmpty());
    else
        FUZZ_CHECK(after == fileBytes);
    FUZZ_CHECK(!QFile::exists(folder.scratchFilePath()));
    return 0;
}
