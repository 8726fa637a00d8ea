#pragma once

#include "settings/messageid.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quendral {

// What the command line asks for. A plain start asks for nothing; the
// commands from --monitor on go to the running copy; the others are served
// by the command line itself.
struct Command
{
    enum class Kind {
        Start,
        Help,
        Version,
        Log,
        Uninstall,
        Monitor,
        Stop,
        CheckNow,
        Cancel,
        Status,
        Add,
        WaitPid,
        WaitProgram,
    };
    Kind kind = Kind::Start;
    // --status --json
    bool json = false;
    // --add's path, as given.
    QString path;
    // --wait-pid's number or --wait-program's name.
    QString target;

    // The method of the control interface that carries it; "" for the
    // commands served here.
    QString method() const;
    // The command a method of the control interface carries; none for a name
    // that is no method.
    static std::optional<Kind> fromMethod(const QString &method);
};

// A command, or the usage error that stands instead (exit status 2): with no
// command, `error` says what is wrong and `argument` is the argument its
// text names, if any.
struct ParsedCommand
{
    std::optional<Command> command;
    Msg error = Msg::UsageUnknownOption;
    QString argument;
};

// The arguments after the program's name. Every argument must be a command,
// its value, or one of Qt's own options of a start (-platform NAME,
// -session ID, ...); anything else is a usage error, so that a mistyped
// command never starts the program.
ParsedCommand parseCommand(const QStringList &arguments);

// A message text in the interface language.
using MessageText = std::function<QString(Msg)>;

// The one line a usage error prints, naming --help.
QString usageErrorText(const ParsedCommand &parsed, const MessageText &text);

// The --help text; `logFile` is where the log is kept.
QString usageText(const MessageText &text, const QString &logFile);

} // namespace quendral
