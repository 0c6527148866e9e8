#pragma once

#include "lesson/RemoteCommand.h"

#include <optional>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace mirello {

// What a command line asks for: commands in the order given (none: just start), the
// usage, or a mistake, said in a line.
struct UsageAsked
{
};
struct CommandLineMistake
{
    QString what;
};
using ParsedCommandLine = std::variant<QList<RemoteCommand>, UsageAsked, CommandLineMistake>;

// The command of an option's name ("grade") and value, as a phone sends it; nothing
// for an unknown name or a value the option does not take. The options are the
// commands of the feature table.
std::optional<RemoteCommand> commandNamed(QStringView name, const QString& value);

// A phone's action: {"do": name, "arg": value} with what it aimed at ("class",
// "draw", "recording", "grade"); nothing for one that is not an action.
std::optional<RemoteCommand> phoneCommand(const QJsonObject& action);

// `arguments` without the program's own name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// An option as --help and the manual page list it: "--grade N" and what it does.
struct OptionHelp
{
    QString head;
    QString text;
};
QList<OptionHelp> commandLineOptions();
QString commandLineUsage();

// The commands as one message from one copy of the program to another, and back.
QByteArray encodeCommands(const QList<RemoteCommand>& commands);
// Nothing for a message that is not one, in part or whole.
std::optional<QList<RemoteCommand>> decodeCommands(const QByteArray& message);

} // namespace mirello
