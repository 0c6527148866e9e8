// Grade recording over arbitrary file bytes, names and grade texts, on a real roll
// folder: a success changes exactly the lines the loaded class shows with the name,
// only in their last 7 characters, and ends every line with CR LF; a refusal leaves
// the file byte for byte as it was.
#include "FuzzCheck.h"
#include "platform/TextCodec.h"
#include "roll/GradeRecorder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"
#include "support/FileBytes.h"
#include "support/RecordingProperties.h"

#include <cstdint>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace mirello;

namespace {

const QString ClassName = QStringLiteral("class.txt");

// The name the window would show for line `index` of the loaded class.
QString shownName(const NameList& names, qsizetype index)
{
    if (names.size() == 0)
        return {};
    const RollRecord record(names.at(index % names.size()));
    return record.personName().value_or(QStringView()).toString();
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

    // Byte 0: grade, and whether the name is one the loaded class shows (high bit);
    // byte 1: that line's index, or the length of the name that follows it; then the file.
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const unsigned char mode = data[0];
    const bool fromClass = mode & 0x80;
    const qsizetype nameLength = fromClass ? 0 : std::min<qsizetype>(data[1], input.size() - 2);
    const QByteArrayView fileBytes = input.sliced(2 + nameLength);
    const NameList names = nameListFromBytes(fileBytes);
    const QString name =
        fromClass ? shownName(names, data[1]) : QString::fromUtf8(input.sliced(2, nameLength));
    const QString grades[] = {QStringLiteral("优秀"), QStringLiteral("良好"),
                              QStringLiteral("及格"), QStringLiteral("不及格"),
                              QStringLiteral("缺席")};
    const QString& grade = grades[(mode & 0x7F) % 5];

    const QString classPath = folder.classFilePath(ClassName);
    FUZZ_CHECK(recordingtest::writeBytes(classPath, fileBytes.toByteArray()));
    const Result<void> recorded = recordGrade(folder, ClassName, name, grade);
    const QByteArray after = recordingtest::readBytes(classPath);
    if (recorded) {
        FUZZ_CHECK(test::recordingViolation(fileBytes, after, name).isEmpty());
        FUZZ_CHECK(test::changedLinesAre(fileBytes, after, names, name));
    } else
        FUZZ_CHECK(after == fileBytes);
    FUZZ_CHECK(!QFile::exists(folder.scratchFilePath()));
    return 0;
}
