#pragma once

#include "control/command.h"
#include "control/reply.h"

#include <QByteArray>
#include <QVariantMap>

#include <cstdio>
#include <functional>
#include <optional>

namespace quendral {

// Asks the running copy: method and argument in, its answer out.
using CallRunningCopy = std::function<Reply(const QString &method, const QString &argument)>;

// What the command line works with.
struct CommandLineEnds
{
    CallRunningCopy call;
    // \uninstallme's removals.
    std::function<void()> uninstall;
    // The texts in the interface language.
    MessageText text;
    // The log --log reads.
    QString logFile;
    FILE *out = stdout;
    FILE *err = stderr;
};

// The exit statuses of the command line, and of a start that finds no display.
enum ExitStatus { ExitDone = 0, ExitRefused = 1, ExitUsage = 2, ExitNotRunning = 3, ExitNoDisplay = 4 };

// The lines --log prints.
inline constexpr int kLogLines = 100;

// Serves a command of the command line: prints its output on `out`, a refusal
// or a usage error on `err`, and returns the exit status, or -1 when the
// program is to start: a plain start, or a command that starts monitoring
// (--monitor, --wait-pid, --wait-program) with no running copy.
int runCommandLine(const ParsedCommand &parsed, const CommandLineEnds &ends);

// Commands that start a copy when none runs, which then carries them out.
bool startsCopy(Command::Kind kind);
// Why the program will not wait for process `pid` (not there, another
// user's); none when it is this user's.
std::optional<QString> pidRefusal(qint64 pid, const MessageText &text);

// The status map as --status prints it: a line per value, then a line per
// entry with its state.
QString statusText(const QVariantMap &status);
// The same as one JSON object: entries as objects of path and state, seconds
// that do not apply as null.
QByteArray statusJson(const QVariantMap &status);

} // namespace quendral
