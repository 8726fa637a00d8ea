#include "control/commandlineends.h"
#include "front/guistart.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <vector>

using namespace quendral;

// The program users start: it serves the command line itself, with Qt Core
// alone, and leaves a real start (a plain one, Qt's own options, or
// --monitor with no running copy) to the GUI program beside it.
int main(int argc, char *argv[])
{
    // As they came: the GUI program gets the very same arguments.
    std::vector<char *> startedWith(argv, argv + argc + 1);
    useStartingConsole();
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const CommandLineEnds ends = commandLineEnds(arguments);
    if (const int status = runCommandLine(parseCommand(arguments), ends); status >= 0)
        return status;
    GuiStartFailure failure;
    if (const int status = startGuiProgram(startedWith.data(), failure); status >= 0)
        return status;
    std::fprintf(
        ends.err, "%s\n",
        qPrintable(ends.text(Msg::ProgramMissing).arg(QDir::toNativeSeparators(failure.program), failure.reason)));
    return ExitRefused;
}
