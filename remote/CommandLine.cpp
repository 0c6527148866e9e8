#include "CommandLine.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// An option of the command line: a row of the feature table that names one.
struct Option
{
    const FeatureRow* row;
    QStringView name;
    // The value's name in the usage ("N"), empty when the option takes none.
    QStringView value;
};

std::optional<Option> optionOf(const FeatureRow& row)
{
    if (row.command.isEmpty())
        return std::nullopt;
    const qsizetype space = row.command.indexOf(u' ');
    return space < 0 ? Option{&row, row.command, {}}
                     : Option{&row, row.command.left(space), row.command.mid(space + 1)};
}

// Rows of one option that set an amount (the grades) are told apart by the value;
// without a value, the first row of that name tells whether the option takes one.
std::optional<Option> optionNamed(QStringView name, const std::optional<QString>& value)
{
    for (const FeatureRow& row : featureTable()) {
        const std::optional<Option> option = optionOf(row);
        if (option && option->name == name &&
            (!value || row.amount == 0 || option->value.isEmpty() ||
             *value == QString::number(row.amount)))
            return option;
    }
    return std::nullopt;
}

bool validValue(const Option& option, const QString& value)
{
    if (option.value.isEmpty())
        return value.isEmpty();
    if (option.row->amount != 0)
        return value == QString::number(option.row->amount);
    if (option.row->feature == Feature::CountdownFor) {
        bool number = false;
        const int seconds = value.toInt(&number);
        return number && value.size() <= 4 && seconds >= 1 && seconds <= 5999;
    }
    return !value.isEmpty() && !value.contains(u'\n');
}

// A value that names the row itself (the grade's number) is not the command's argument.
RemoteCommand commandOf(const Option& option, const QString& value)
{
    return {option.row->feature, option.row->amount != 0 ? QString() : value};
}

// "打分：优秀", "打分：良好" … read as "打分：1 优秀，2 良好 …".
QString usageText(const QList<const FeatureRow*>& rows)
{
    const FeatureRow& first = *rows.first();
    if (rows.size() == 1 && !first.setting.isEmpty())
        return u"打开或关闭“"_s + first.text + u"”"_s;
    if (rows.size() == 1)
        return first.text.endsWith(u'…') ? first.text.chopped(1).toString() : first.text.toString();
    const qsizetype colon = rows.first()->text.indexOf(u'：') + 1;
    QStringList amounts;
    for (const FeatureRow* row : rows)
        amounts.append(QString::number(row->amount) + u' ' + row->text.mid(colon));
    return rows.first()->text.left(colon) + amounts.join(u'，');
}

// Pads to a terminal's column: a Chinese character takes two.
QString padded(const QString& text, qsizetype columns)
{
    qsizetype width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x2E80 ? 2 : 1;
    return text + QString(std::max<qsizetype>(columns - width, 0), u' ');
}

} // namespace

std::optional<RemoteCommand> commandNamed(QStringView name, const QString& value)
{
    const std::optional<Option> option = optionNamed(name, value);
    if (!option || !validValue(*option, value))
        return std::nullopt;
    return commandOf(*option, value);
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
    if (!command->aim.grade.isEmpty() && !commandNamed(u"grade", command->aim.grade))
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
            QStringView(argument).mid(2, (equals < 0 ? argument.size() : equals) - 2);
        const std::optional<Option> option = optionNamed(name, std::nullopt);
        if (!option)
            return CommandLineMistake{u"不认识的选项：“"_s + argument + u"”"_s};
        QString value;
        if (!option->value.isEmpty()) {
            if (equals >= 0)
                value = argument.mid(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
        } else if (equals >= 0) {
            return CommandLineMistake{u"选项 --"_s + name + u" 不带值"_s};
        }
        const std::optional<RemoteCommand> command = commandNamed(name, value);
        if (!command)
            return CommandLineMistake{u"选项 --"_s + name + u" 的值不对：“"_s + value + u"”"_s};
        commands.append(*command);
    }
    return commands;
}

QList<OptionHelp> commandLineOptions()
{
    QList<Option> options;
    QList<QList<const FeatureRow*>> rows;
    for (const FeatureRow& row : featureTable()) {
        const std::optional<Option> option = optionOf(row);
        if (!option)
            continue;
        if (!options.isEmpty() && options.last().name == option->name) {
            rows.last().append(&row);
            continue;
        }
        options.append(*option);
        rows.append({&row});
    }
    QList<OptionHelp> help;
    for (qsizetype i = 0; i < options.size(); ++i)
        help.append({u"--"_s + options[i].row->command.toString(), usageText(rows[i])});
    help.append({u"--help"_s, u"显示本说明"_s});
    return help;
}

QString commandLineUsage()
{
    QString usage =
        u"用法：mirello [选项]…\n"
        u"没有选项时启动 Mirello，已经运行的则把它的窗口显示在最前。有选项时，把它们依次\n"
        u"交给同一用户、同一点名册文件夹下已经运行的 Mirello；没有运行的，先启动再执行。\n"
        u"\n"_s;
    for (const OptionHelp& option : commandLineOptions())
        usage += u"  "_s + padded(option.head, 17) + u' ' + option.text + u'\n';
    return usage + u"\n退出码：0 已执行，1 执行时出错，2 参数有误。\n"_s;
}

// One command per line: its option's name, a space and its value.
QByteArray encodeCommands(const QList<RemoteCommand>& commands)
{
    QByteArray message;
    for (const RemoteCommand& command : commands) {
        const FeatureRow& row = featureRow(command.feature);
        const std::optional<Option> option = optionOf(row);
        Q_ASSERT(option); // commands are read from options only
        const QString value = row.amount != 0 ? QString::number(row.amount) : command.argument;
        message += option->name.toUtf8() + ' ' + value.toUtf8() + '\n';
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
                      : commandNamed(QString::fromUtf8(line.left(space)),
                                     QString::fromUtf8(line.mid(space + 1)));
        if (!command)
            return std::nullopt;
        commands.append(*command);
    }
    return commands;
}

} // namespace mirello
