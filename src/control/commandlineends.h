#pragma once

#include "control/commandline.h"

#include <QStringList>

namespace quendral {

// The command line's real ends, for `arguments` (those after the program's
// name): the running copy asked over the platform's transport, the
// uninstaller's removals, the log file in the user's data folder, and the
// texts of the interface language, read at their first use, so that a
// command that only prints its answer reads no language file.
CommandLineEnds commandLineEnds(const QStringList &arguments);

} // namespace quendral
