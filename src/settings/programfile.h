#pragma once

#include <QString>

// The names of the program's own files as the platform spells them.
namespace quendral {

// The folder of the running program, ending in the platform's separator;
// "" when its name cannot be held as text (a Linux folder name that is not
// UTF-8): the program then refuses to start.
QString ProgramFolder();

} // namespace quendral

namespace quendral::programfile {

// The data of the start-at-logon entry: the program folder (ending in the
// separator) followed by the running executable's file name, or, where the
// platform starts programs through links, the program as `startedAs` (the
// first argument of the command line) names it when that leads to the same file.
QString startCommand(const QString &programFolder, const QString &executablePath, const QString &startedAs);

// The fixed names of the program file that the browser button runs (the
// front program, the one users start) and of the icon it shows, both in the
// program folder.
QString buttonExecutable();
QString buttonIcon();

// The fixed name of the GUI program, beside the front program that starts it.
QString guiExecutable();

// The environment variable in which the front program names its own file to
// the GUI program it starts.
inline constexpr char kFrontVariable[] = "QUENDRAL_FRONT";

// The program file the user started, for the GUI program `running`: the front
// program that started it, as kFrontVariable names it (read, then taken out of
// the environment, so that the programs this one starts do not inherit it);
// else the front program beside `running`; else `running` itself. A copy
// started either way thus names, and locks, the same file.
QString startedFile(const QString &running);

// The program's picture in its folder (window icon, splash).
QString programPicture();

} // namespace quendral::programfile
