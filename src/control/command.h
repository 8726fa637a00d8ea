#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quendral {

// What the command line asks for. A plain start asks for nothing; the
// commands from --monitor on go to the running copy.
struct Command
{
    enum class Kind { Start, Help, Version, Monitor, Stop, CheckNow, Cancel, Status, Add };
    Kind kind = Kind::Start;
    // --status --json
    bool json = false;
    // --add's path, as given.
    QString path;

    // The method of the control interface that carries it; "" for the
    // commands served here.
    QString method() const;
    // The command a method of the control interface carries; none for a name
    // that is no method.
    static std::optional<Kind> fromMethod(const QString &method);
};

// A command, or the usage error that stands instead (exit status 2).
struct ParsedCommand
{
    std::optional<Command> command;
    QString error;
};

// The arguments after the program's name. Arguments that do not begin with
// "--" are passed over on a plain start, as they always were; with a command
// they are a usage error.
ParsedCommand parseCommand(const QStringList &arguments);

// The --help text.
QString usageText();

} // namespace quendral
