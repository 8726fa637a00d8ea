#pragma once

#include <QString>
#include <QStringList>

namespace quendral {

// A command line as the platform's own launchers split it into the program
// and its arguments: on Linux as a desktop entry's Exec line (blanks apart,
// double quotes around an argument, and in them a backslash before ", `, $
// or \ takes that character; field codes: "%%" is "%", the others name files,
// URLs, an icon or the entry itself, none of which a completion has, and are
// dropped, as are the deprecated ones); on Windows as CommandLineToArgvW
// does. No shell sees it: no variables, globs or pipes. Empty for a blank
// line, and for a line the launchers refuse to run (on Linux one holding a
// "%" that starts no field code), whose reason then goes to `invalid`.
QStringList splitCommandLine(const QString &line, QString *invalid = nullptr);

// `argument` written so that splitCommandLine gives it back whole: on Linux
// quoted when it holds a character the Exec rules reserve, with ", `, $ and
// \ escaped inside the quotes and "%" doubled; on Windows quoted when it
// holds a blank.
QString quoteCommandArgument(const QString &argument);

} // namespace quendral
