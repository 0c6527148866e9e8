#include "NewClassFile.h"

#include "platform/AtomicReplace.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"
#include "roll/RollFolder.h"

#include <algorithm>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView Refused = u"无法导入班级：";

bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

QString classFileNameFor(const QString& className)
{
    const QString name = className.trimmed();
    if (name.isEmpty() || name.endsWith(u".txt", Qt::CaseInsensitive))
        return name;
    return name + u".txt";
}

std::optional<QString> classFileNameProblem(const QString& fileName)
{
    static const QRegularExpression Reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString shown = u"“" + fileName + u"”";
    if (fileName.isEmpty() || fileName.compare(u".txt", Qt::CaseInsensitive) == 0)
        return QStringLiteral("请填写班级名称。");
    if (fileName.size() > LongestClassName) {
        return u"班级名称" + shown + u"太长：最多 " + QString::number(LongestClassName) +
               u" 个字符。";
    }
    if (fileName.contains(u'/') || fileName.contains(u'\\'))
        return u"班级名称" + shown + u"不能含有“/”或“\\”。";
    for (const QChar c : u"<>:\"|?*") {
        if (fileName.contains(c))
            return u"班级名称" + shown + u"不能含有 < > : \" | ? * 这些字符（Windows 不允许）。";
    }
    if (hasControl(fileName) ||
        std::any_of(fileName.begin(), fileName.end(), [](QChar c) { return c.isSurrogate(); })) {
        return u"班级名称" + shown + u"含有控制字符或无效字符。";
    }
    if (fileName.startsWith(u'.'))
        return u"班级名称" + shown + u"不能以“.”开头：这样的文件是隐藏的，名册里不会列出。";
    if (fileName.compare(QStringView(RollFolder::ScratchFileName), Qt::CaseInsensitive) == 0)
        return u"班级名称" + shown + u"是 Mirello 记录成绩时使用的临时文件名，请换一个名称。";
    if (Reserved.match(fileName).hasMatch())
        return u"班级名称" + shown + u"是 Windows 保留的名称，请换一个名称。";
    if (fileName.endsWith(u'.') || fileName.endsWith(u' '))
        return u"班级名称" + shown + u"不能以“.”或空格结尾。";
    return std::nullopt;
}

Result<void> writeNewClass(const RollFolder& folder, const QString& fileName, QByteArrayView bytes,
                           FileOperations& files)
{
    if (std::optional<QString> problem = classFileNameProblem(fileName))
        return Error{Refused + *problem, QString()};
    if (bytes.size() > RollFolder::LargestClassFileBytes) {
        return Error{Refused + u"新的班级文件会超过 " +
                         QString::number(RollFolder::LargestClassFileBytes >> 20) +
                         u" MB（一个班级文件的上限），Mirello 将无法打开它，所以没有建立。",
                     QString()};
    }
    const QString shown = u"“" + fileName + u"”";
    const QString nothing = QStringLiteral("没有建立新的班级文件。");

    FileLock lock(folder.lockFilePath());
    if (std::optional<Error> locked = lockRollFolder(lock, folder, Refused, nothing))
        return *locked;

    Result<QList<ListedFile>> classes = folder.listClasses();
    if (!classes) {
        return Error{Refused + u"无法读取点名册文件夹“" + shownFileName(folder.path()) + u"”。" +
                         nothing,
                     classes.error().reason};
    }
    const QString path = folder.classFilePath(fileName);
    Result<std::optional<FileStatus>> there = files.status(path);
    if (!there)
        return Error{Refused + u"无法查看" + shown + u"是否已经存在。" + nothing,
                     there.error().reason};
    const bool taken =
        there.value() ||
        std::any_of(classes.value().begin(), classes.value().end(), [&](const ListedFile& file) {
            return file.name.compare(fileName, Qt::CaseInsensitive) == 0;
        });
    if (taken) {
        return Error{Refused + u"点名册文件夹里已经有名为" + shown +
                         u"的班级（或只差大小写的同名文件），没有覆盖它。请换一个班级名称。",
                     QString()};
    }

    Result<FileStatus> keep = newFileStatusIn(files, folder.path());
    if (!keep) {
        return Error{Refused + u"无法查看点名册文件夹“" + shownFileName(folder.path()) + u"”。" +
                         nothing,
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
        return Error{Refused + nothing +
                         describeReplaceFailure(*failure, fileNameOf(scratch), fileName),
                     failure->error.reason};
    }
    return {};
}

} // namespace mirello
