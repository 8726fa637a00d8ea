#include "front/guistart.h"

#include "settings/programfile.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace quendral {

void useStartingConsole() {}

int startGuiProgram(char *argv[], GuiStartFailure &failure)
{
    // The bytes of the file's name, which need not be UTF-8: the GUI
    // program tells the user about a folder Qt cannot name.
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    int error = errno;
    if (length > 0) {
        const QByteArray front(self, length);
        const QByteArray gui = front.left(front.lastIndexOf('/') + 1) + QFile::encodeName(programfile::guiExecutable());
        // Started by the launcher without Qt, the file the user started is
        // the launcher, which has named itself already.
        const bool named = std::getenv(programfile::kFrontVariable);
        if (!named)
            ::setenv(programfile::kFrontVariable, front.constData(), 1);
        ::execv(gui.constData(), argv);
        error = errno;
        if (!named)
            ::unsetenv(programfile::kFrontVariable);
        failure.program = QFile::decodeName(gui);
    }
    failure.reason = qt_error_string(error);
    return -1;
}

} // namespace quendral
