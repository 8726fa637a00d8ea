#pragma once

#include "control/control.h"

namespace quendral {

// The running copy's end: serves `control` to command lines of the same user
// and session (Linux: the application id on the session bus; Windows: a
// named pipe of the user's session). Returns the server, a child of
// `parent`, or nullptr when the name is taken or the bus is missing.
QObject *serveControl(Control &control, QObject *parent);

// The command line's end: asks the running copy and waits for its answer;
// NotRunning when no copy answers the name.
Reply callRunningCopy(const QString &method, const QString &argument);

} // namespace quendral
