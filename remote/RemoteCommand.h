#pragma once

#include <optional>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace mirello {

// One thing another program asks of the running Mirello, as its window's keys do it.
struct RemoteCommand
{
    enum class Kind
    {
        StartPause,
        Record,
        Grade,
        Undo,
        Pass,
        Class,
        RoundMode,
        NewRound,
        Absent,
        PreviousPick,
        NextPick,
        Countdown,
        CountdownPause,
        CountdownStop,
        PhoneRemote,
    };
    Kind kind;
    // The grade 1 to 4 for Grade, the class as the chooser lists it for Class, the
    // seconds (1 to 5999) for Countdown.
    QString argument;
    // What a phone showed when the teacher tapped: its action is for that draw of that
    // class (for Undo, that recording), or for nobody. Not given from the command line,
    // which acts on what is on screen as the keys do.
    struct Aim
    {
        bool given = false;
        QString classFile;
        QString draw;
        QString recording;
        // For Record: the grade 1 to 4 the phone showed as chosen, else "".
        QString grade;
        // Whether names flickered on the phone: Start/Pause then does what it showed.
        bool drawing = false;
        bool operator==(const Aim&) const = default;
    };
    Aim aim = {};

    bool operator==(const RemoteCommand&) const = default;
};

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
// for an unknown name or a value the option does not take.
std::optional<RemoteCommand> commandNamed(QStringView name, const QString& value);

// A phone's action: {"do": name, "arg": value} with what it aimed at ("class",
// "draw", "recording", "grade"); nothing for one that is not an action.
std::optional<RemoteCommand> phoneCommand(const QJsonObject& action);

// `arguments` without the program's own name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);
QString commandLineUsage();

// The commands as one message from one copy of the program to another, and back.
QByteArray encodeCommands(const QList<RemoteCommand>& commands);
// Nothing for a message that is not one, in part or whole.
std::optional<QList<RemoteCommand>> decodeCommands(const QByteArray& message);

} // namespace mirello
