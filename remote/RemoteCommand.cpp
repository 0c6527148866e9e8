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
    Option{RoundMode, u"round", false},
    Option{NewRound, u"new-round", false},
    Option{Absent, u"absent", false},
    Option{PreviousPick, u"previous", false},
    Option{NextPick, u"next", false},
    Option{Countdown, u"countdown", true},
    Option{CountdownPause, u"countdown-pause", false},
    Option{CountdownStop, u"countdown-stop", false},
    Option{PhoneRemote, u"phone-remote", false},
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
    if (kind == Countdown) {
        bool number = false;
        const int seconds = value.toInt(&number);
        return number && value.size() <= 4 && seconds >= 1 && seconds <= 5999;
    }
    return !value.isEmpty() && !value.contains(u'\n');
}

} // namespace

std::optional<RemoteCommand> commandNamed(QStringView name, const QString& value)
{
    const Option* option = optionNamed(name);
    if (!option || (option->takesValue ? !validValue(option->kind, value) : !value.isEmpty()))
        return std::nullopt;
    return RemoteCommand{option->kind, value};
}

std::optional<RemoteCommand> phoneCommand(const QJsonObject& action)
{
    std::optional<RemoteCommand> command =
        commandNamed(action[u"do"_s].toString(), action[u"arg"_s].toString());
    if (!command)
        return std::nullopt;
    const auto field = [&](QStringView name) {
        const QString value = action[name].toString();
        return value.size() <= 256 ? value : QString();
    };
    command->aim = {true,
                    field(u"class"),
                    field(u"draw"),
                    field(u"recording"),
                    field(u"grade"),
                    action[u"drawing"_s].toBool()};
    if (!command->aim.grade.isEmpty() && !validValue(Grade, command->aim.grade))
        return std::nullopt;
    return command;
}

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
           u"没有选项时启动 Mirello，已经运行的则把它的窗口显示在最前。有选项时，把它们依次\n"
           u"交给同一用户、同一点名册文件夹下已经运行的 Mirello；没有运行的，先启动再执行。\n"
           u"\n"
           u"  --start-pause    开始或暂停抽取（同空格键）\n"
           u"  --record         给屏幕上的名字记录成绩（同 OK）\n"
           u"  --grade N        在“打分”中选择第 N 个成绩：1 优秀，2 良好，3 及格，4 不及格\n"
           u"  --undo           撤销上一次记录\n"
           u"  --pass           跳过刚抽到的学生\n"
           u"  --class 名称     选择班级，名称同“名册”中的写法\n"
           u"  --round          打开或关闭“本轮不重复”\n"
           u"  --new-round      重新开始一轮\n"
           u"  --absent         把屏幕上的学生标为今天缺席，再用一次取消\n"
           u"  --previous       一次抽取多人时，换到上一位（同 [ 键）\n"
           u"  --next           一次抽取多人时，换到下一位（同 ] 键）\n"
           u"  --countdown 秒数 开始倒计时，1 到 5999 秒\n"
           u"  --countdown-pause 暂停或继续倒计时\n"
           u"  --countdown-stop 停止倒计时\n"
           u"  --phone-remote   开启手机遥控，显示配对二维码\n"
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
        const std::optional<RemoteCommand> command =
            space < 0 ? std::nullopt
                      : commandNamed(QString::fromUtf8(line.first(space)),
                                     QString::fromUtf8(line.sliced(space + 1)));
        if (!command)
            return std::nullopt;
        commands.append(*command);
    }
    return commands;
}

} // namespace mirello
