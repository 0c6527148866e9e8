#include "Restore.h"

#include "platform/FileNames.h"
#include "roll/Backups.h"

namespace mirello {

Result<LoggedChange> restoreBackup(const RollFolder& folder, const QString& classFileName,
                                   const QString& backupFileName, const QDateTime& time,
                                   FileOperations& files)
{
    static constexpr ChangeWording Restoring{u"无法恢复备份：", u"备份已恢复到班级文件"};
    const QString shown = shownFileName(classFileName);
    Result<QByteArray> backup = readBackup(folder, classFileName, backupFileName, files);
    if (!backup) {
        return Error{Restoring.refused + backup.error().message + u"班级文件“" + shown +
                         u"”没有改动。",
                     backup.error().reason};
    }
    Result<ClassFileChange> change = rewriteClassFile(
        folder, classFileName,
        [&](const QByteArray&) { return Result<QByteArray>(backup.value()); }, Restoring, files,
        ChangeBackup{BackupRule::Always, time});
    if (!change)
        return change.error();

    return logClassChange(folder, std::move(change).value(), shown, HistoryAction::Restore,
                          u"恢复为备份 " + shownFileName(backupFileName), time,
                          u"备份已恢复到班级文件“" + shown + u"”", files);
}

} // namespace mirello
