#include "GradeRecorder.h"

#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "RollRewrite.h"

namespace mirello {

Result<ClassFileChange> recordGrade(const RollFolder& folder, const QString& classFileName,
                                    const QString& personName, const QString& gradeText)
{
    return recordGrade(folder, classFileName, personName, gradeText, systemFileOperations());
}

Result<ClassFileChange> recordGrade(const RollFolder& folder, const QString& classFileName,
                                    const QString& personName, const QString& gradeText,
                                    FileOperations& files)
{
    static constexpr ChangeWording RecordingWording{u"无法记录成绩：", u"成绩已记入班级文件"};
    const QString shown = shownFileName(classFileName);
    return rewriteClassFile(
        folder, classFileName,
        [&](const QByteArray& current) {
            return rewriteRoll(current, personName, gradeText, shown);
        },
        RecordingWording, files);
}

} // namespace mirello
