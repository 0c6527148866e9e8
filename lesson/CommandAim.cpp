#include "CommandAim.h"

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

using enum Feature;

bool concernsStudent(Feature feature)
{
    return feature == Record || feature == Pass || feature == MarkAbsent ||
           feature == PreviousPick || feature == NextPick;
}

std::optional<QString> refusalOfAimed(const RemoteCommand& command, const RemoteCommand::Aim& aim,
                                      const OnScreen& now)
{
    if (command.feature == Undo) {
        if (now.undoable.isEmpty())
            return u"没有可以撤销的记录"_s;
        if (aim.recording != now.undoable)
            return u"这条记录已经撤销过，或者之后又记录了别的成绩：这一步没有执行。"_s;
        return std::nullopt;
    }
    if (!concernsStudent(command.feature) && command.feature != StartPause &&
        command.feature != AbsentOf)
        return std::nullopt;
    if (aim.classFile != now.classFile)
        return u"电脑上已经换了班级：这一步没有执行。"_s;
    if (command.feature == AbsentOf)
        return std::nullopt;
    if (command.feature == StartPause) {
        if (aim.drawing != now.drawing)
            return now.drawing ? u"电脑上已经开始抽取了。"_s : u"电脑上已经暂停了。"_s;
        return std::nullopt;
    }
    if (now.drawing)
        return u"电脑上正在抽取名字：这一步没有执行，请暂停后再点。"_s;
    if (now.draw.isEmpty() || aim.draw != now.draw)
        return u"电脑上已经换了学生：这一步没有执行。"_s;
    return std::nullopt;
}

} // namespace

std::optional<QString> refusalOf(const RemoteCommand& command, const OnScreen& now)
{
    if (command.aim.given)
        return refusalOfAimed(command, command.aim, now);
    // From the command line: on what is on screen, as the keys do it, but never
    // reported as done when nothing could be.
    if (command.feature == Undo && now.undoable.isEmpty())
        return u"没有可以撤销的记录"_s;
    if ((command.feature == Record || command.feature == Pass || command.feature == MarkAbsent) &&
        !now.nameShown)
        return u"屏幕上还没有抽到学生"_s;
    return std::nullopt;
}

} // namespace mirello
