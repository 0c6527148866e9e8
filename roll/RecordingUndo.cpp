#include "RecordingUndo.h"

#include "platform/FileNames.h"

namespace mirello {

UndoOutcome undoRecording(const RollFolder& folder, const QString& classFileName,
                          const ClassFileChange& recorded, FileOperations& files)
{
    static constexpr ChangeWording Undo{u"无法撤销：", u"这次撤销已写入班级文件"};
    bool changedSince = false;
    const QString shown = shownFileName(classFileName);
    Result<ClassFileChange> change = rewriteClassFile(
        folder, classFileName,
        [&](const QByteArray& current) -> Result<QByteArray> {
            if (current == recorded.after)
                return recorded.before;
            changedSince = true;
            return Error{u"无法撤销：班级文件“" + shown +
                             u"”在这次记录之后已被改动（可能是另一个 Mirello 或编辑器改的）。"
                             u"为免丢失那些改动，没有撤销，班级文件没有改动。",
                         QString()};
        },
        Undo, files);
    const bool mayRetry = !change.ok() && !changedSince;
    return UndoOutcome{std::move(change), mayRetry};
}

} // namespace mirello
