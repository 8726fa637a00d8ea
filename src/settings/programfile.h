#pragma once

#include <QString>

// The names of the program's own files as the platform spells them.
namespace quendral {

// The folder of the running program, ending in the platform's separator.
QString ProgramFolder();

} // namespace quendral

namespace quendral::programfile {

// The data of the start-at-logon entry: the program folder (ending in the
// separator) followed by the running executable's file name.
QString startCommand(const QString &programFolder, const QString &executablePath);

// The fixed name of the program file that the browser button runs.
QString buttonExecutable();

inline constexpr auto kButtonIcon = "quendral.ico";

// The program's picture in its folder (window icon, splash).
QString programPicture();

} // namespace quendral::programfile
