#include "ClassName.h"

#include "platform/FileNames.h"
#include "RollFolder.h"

#include <algorithm>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

QString classNameOf(const QString& classFileName)
{
    const QString shown = shownFileName(classFileName);
    return shown.endsWith(ClassFileEnding, Qt::CaseInsensitive)
               ? shown.chopped(ClassFileEnding.size())
               : shown;
}

std::optional<QString> classFileNamed(const QList<ListedFile>& classes, const QString& name)
{
    for (const QString& shown : {name, QString(name + ClassFileEnding)}) {
        for (const ListedFile& file : classes) {
            if (file.shown.compare(shown, Qt::CaseInsensitive) == 0)
                return file.name;
        }
    }
    return std::nullopt;
}

QString classFileNameFor(const QString& className)
{
    const QString name = className.trimmed();
    if (name.isEmpty() || name.endsWith(ClassFileEnding, Qt::CaseInsensitive))
        return name;
    return name + ClassFileEnding;
}

std::optional<QString> classFileNameProblem(const QString& fileName)
{
    static const QRegularExpression Reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString shown = u"“" + fileName + u"”";
    if (fileName.isEmpty() || fileName.compare(ClassFileEnding, Qt::CaseInsensitive) == 0)
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

} // namespace mirello
