#include "front/guistart.h"

#include "settings/programfile.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <string>

#include <windows.h>

namespace quendral {

namespace {

bool isHandle(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE;
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

void useStartingConsole()
{
    // Read before attaching: a redirection keeps its handles.
    const bool hasOut = isHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool hasErr = isHandle(GetStdHandle(STD_ERROR_HANDLE));
    if ((hasOut && hasErr) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!hasOut)
        std::freopen("CONOUT$", "w", stdout);
    if (!hasErr)
        std::freopen("CONOUT$", "w", stderr);
}

int startGuiProgram(char *[], GuiStartFailure &failure)
{
    const QString front = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    failure.program =
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + u'/' + programfile::guiExecutable());
    // As this program was started: its window's show state (the Start menu's
    // shortcut may ask for a minimised start) and its standard handles.
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    startup.cb = sizeof startup;
    startup.cbReserved2 = 0;
    startup.lpReserved2 = nullptr;
    const HANDLE streams[] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                              GetStdHandle(STD_ERROR_HANDLE)};
    if (isHandle(streams[1]) || isHandle(streams[2])) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = streams[0];
        startup.hStdOutput = streams[1];
        startup.hStdError = streams[2];
    }
    // The command line as it came, the program's name included: the GUI
    // program reads its arguments from it as this one did.
    std::wstring line(GetCommandLineW());
    const QString variable = QString::fromLatin1(programfile::kFrontVariable);
    SetEnvironmentVariableW(wide(variable), wide(front));
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(wide(failure.program), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    const DWORD error = GetLastError();
    SetEnvironmentVariableW(wide(variable), nullptr);
    if (!started) {
        failure.reason = qt_error_string(int(error));
        return -1;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return int(status);
}

} // namespace quendral
