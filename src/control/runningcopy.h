#pragma once

#include "control/reply.h"

namespace quendral {

// The command line's end of the control interface: asks the running copy
// (Linux: the application id on the session bus; Windows: the named pipe of
// the user's session) and waits for its answer; NotRunning when no copy
// answers the name.
Reply callRunningCopy(const QString &method, const QString &argument);

} // namespace quendral
