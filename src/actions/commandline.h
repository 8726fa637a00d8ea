#pragma once

#include <QStringList>

namespace quendral {

// A command line as the platform's own launchers split it into the program
// and its arguments: on Linux as a desktop entry's Exec line (blanks apart,
// double quotes around an argument, and in them a backslash before ", `, $
// or \ takes that character); on Windows as CommandLineToArgvW does. No shell
// sees it: no variables, globs or pipes. Empty for a blank line.
QStringList splitCommandLine(const QString &line);

} // namespace quendral
