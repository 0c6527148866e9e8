#include "NewClassFile.h"

#include "platform/AtomicReplace.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "roll/ClassName.h"
#include "roll/RollFolder.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView ImportRefused = u"无法导入班级：";

} // namespace

Result<void> writeNewClass(const RollFolder& folder, const QString& fileName, QByteArrayView bytes,
                           FileOperations& files)
{
    if (std::optional<QString> problem = classFileNameProblem(fileName))
        return Error{ImportRefused + *problem, QString()};
    if (bytes.size() > RollFolder::LargestClassFileBytes) {
        return Error{ImportRefused + u"新的班级文件会超过 " +
                         QString::number(RollFolder::LargestClassFileBytes >> 20) +
                         u" MB（一个班级文件的上限），Mirello 将无法打开它，所以没有建立。",
                     QString()};
    }
    const QString shown = u"“" + fileName + u"”";
    const QString nothing = QStringLiteral("没有建立新的班级文件。");

    FileLock lock(folder.lockFilePath());
    if (std::optional<Error> locked = lockRollFolder(lock, folder, ImportRefused, nothing))
        return *locked;

    Result<QList<ListedFile>> classes = folder.listClasses();
    if (!classes) {
        return Error{ImportRefused + u"无法读取点名册文件夹“" + shownFileName(folder.path()) +
                         u"”。" + nothing,
                     classes.error().reason};
    }
    const QString path = folder.classFilePath(fileName);
    Result<std::optional<FileStatus>> there = files.status(path);
    if (!there)
        return Error{ImportRefused + u"无法查看" + shown + u"是否已经存在。" + nothing,
                     there.error().reason};
    const bool taken =
        there.value() ||
        std::any_of(classes.value().begin(), classes.value().end(), [&](const ListedFile& file) {
            return file.name.compare(fileName, Qt::CaseInsensitive) == 0;
        });
    if (taken) {
        return Error{ImportRefused + u"点名册文件夹里已经有名为" + shown +
                         u"的班级（或只差大小写的同名文件），没有覆盖它。请换一个班级名称。",
                     QString()};
    }

    Result<FileStatus> keep = newFileStatusIn(files, folder.path());
    if (!keep) {
        return Error{ImportRefused + u"无法查看点名册文件夹“" + shownFileName(folder.path()) +
                         u"”。" + nothing,
                     keep.error().reason};
    }
    const QString scratch = folder.scratchFilePath();
    if (std::optional<ReplaceFailure> failure =
            replaceFileAtomically(files, path, scratch, bytes, keep.value())) {
        if (failure->targetReplaced) {
            return Error{u"班级" + shown + u"已经建立，但" +
                             describeReplaceFailure(*failure, fileNameOf(scratch), fileName),
                         failure->error.reason};
        }
        return Error{ImportRefused + nothing +
                         describeReplaceFailure(*failure, fileNameOf(scratch), fileName),
                     failure->error.reason};
    }
    return {};
}

} // namespace mirello
