#pragma once

#include "control/control.h"
#include "control/runningcopy.h"

namespace quendral {

// The running copy's end: serves `control` to command lines of the same user
// and session (Linux: the application id on the session bus; Windows: a
// named pipe of the user's session). Returns the server, a child of
// `parent`, or nullptr when the name is taken or the bus is missing.
QObject *serveControl(Control &control, QObject *parent);

} // namespace quendral
