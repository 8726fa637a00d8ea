#pragma once

#include "control/command.h"
#include "control/control.h"

#include <QByteArray>
#include <QVariantMap>

#include <cstdio>
#include <functional>

namespace quendral {

// Asks the running copy: method and argument in, its answer out.
using CallRunningCopy = std::function<Reply(const QString &method, const QString &argument)>;

// Serves a command of the command line: prints its output on `out`, a refusal
// or a usage error on `err`, and returns the exit status (0 done, 1 refused,
// 2 usage, 3 not running), or -1 when the program is to start: a plain start,
// or --monitor with no running copy.
int runCommandLine(const ParsedCommand &parsed, const CallRunningCopy &call, FILE *out, FILE *err);

// The status map as --status prints it: a line per value, then a line per
// entry with its state.
QString statusText(const QVariantMap &status);
// The same as one JSON object: entries as objects of path and state, seconds
// that do not apply as null.
QByteArray statusJson(const QVariantMap &status);

} // namespace quendral
