#include "RemoteCommand.h"

#include <array>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

using enum RemoteCommand::Kind;

struct Option
{
    RemoteCommand::Kind kind;
    QStringView name;
    bool takesValue;
};

constexpr std::array Options{
    Option{StartPause, u"start-pause", false},
    Option{Record, u"record", false},
    Option{Grade, u"grade", true},
    Option{Undo, u"undo", false},
    Option{Pass, u"pass", false},
    Option{Class, u"class", true},
};

const Option* optionNamed(QStringView name)
{
    for (const Option& option : Options) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

bool validValue(RemoteCommand::Kind kind, const QString& value)
{
    if (kind == Grade)
        return value.size() == 1 && value[0] >= u'1' && value[0] <= u'4';
    return !value.isEmpty() && !value.contains(u'\n');
}

} // namespace

// "--grade 2" and "--grade=2" alike; commands stay in the order given.
ParsedCommandLine parseCommandLine(const QStringList& arguments)
{
    QList<RemoteCommand> commands;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--help"_s || argument == u"-h"_s)
            return UsageAsked{};
        if (!argument.startsWith(u"--"_s))
            return CommandLineMistake{u"不认识的参数：“"_s + argument + u"”"_s};
        const qsizetype equals = argument.indexOf(u'=');
        const QStringView name =
            QStringView(argument).sliced(2, (equals < 0 ? argument.size() : equals) - 2);
        const Option* option = optionNamed(name);
        if (!option)
            return CommandLineMistake{u"不认识的选项：“"_s + argument + u"”"_s};
        QString value;
        if (option->takesValue) {
            if (equals >= 0)
                value = argument.sliced(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (!validValue(option->kind, value))
                return CommandLineMistake{u"选项 --"_s + name + u" 的值不对：“"_s + value + u"”"_s};
        } else if (equals >= 0) {
            return CommandLineMistake{u"选项 --"_s + name + u" 不带值"_s};
        }
        commands.append({option->kind, value});
    }
    return commands;
}

QString commandLineUsage()
{
    return u"用法：mirello [选项]…\n"
           u"没有选项时启动 Mirello。有选项时，把它们依次交给同一用户、同一点名册文件夹下\n"
           u"已经运行的 Mirello；没有运行的，先启动再执行。\n"
           u"\n"
           u"  --start-pause    开始或暂停抽取（同空格键）\n"
           u"  --record         给屏幕上的名字记录成绩（同 OK）\n"
           u"  --grade N        在“打分”中选择第 N 个成绩：1 优秀，2 良好，3 及格，4 不及格\n"
           u"  --undo           撤销上一次记录\n"
           u"  --pass           跳过刚抽到的学生\n"
           u"  --class 名称     选择班级，名称同“名册”中的写法\n"
           u"  --help           显示本说明\n"
           u"\n"
           u"退出码：0 已执行，1 执行时出错，2 参数有误。\n"_s;
}

// One command per line: its option's name, a space and its value.
QByteArray encodeCommands(const QList<RemoteCommand>& commands)
{
    QByteArray message;
    for (const RemoteCommand& command : commands) {
        const auto option = std::ranges::find(Options, command.kind, &Option::kind);
        message += option->name.toUtf8() + ' ' + command.argument.toUtf8() + '\n';
    }
    return message;
}

std::optional<QList<RemoteCommand>> decodeCommands(const QByteArray& message)
{
    QList<RemoteCommand> commands;
    if (message.isEmpty())
        return commands;
    if (!message.endsWith('\n'))
        return std::nullopt;
    for (const QByteArray& line : message.chopped(1).split('\n')) {
        const qsizetype space = line.indexOf(' ');
        const Option* option =
            space < 0 ? nullptr : optionNamed(QString::fromUtf8(line.first(space)));
        if (!option)
            return std::nullopt;
        const QString value = QString::fromUtf8(line.sliced(space + 1));
        if (option->takesValue ? !validValue(option->kind, value) : !value.isEmpty())
            return std::nullopt;
        commands.append({option->kind, value});
    }
    return commands;
}

} // namespace mirello
