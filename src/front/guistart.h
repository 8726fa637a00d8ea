#pragma once

#include <QString>

namespace quendral {

// Readies the standard streams for a command's answer. A Linux program has
// its parent's terminal from the start; the Windows front program, a GUI
// program so that a start from the Start menu or the Run key shows no
// console, writes to the console it was started from, unless its output
// goes elsewhere already (a pipe, a file).
void useStartingConsole();

// Why the GUI program did not start: its file and the system's reason.
struct GuiStartFailure
{
    QString program;
    QString reason;
};

// A real start: runs the GUI program beside this one with this program's own
// command line, `argv` as main() received it (its first element, the name
// the program was started by, included), and with programfile::kFrontVariable
// naming this program's file. Linux: this process becomes the GUI program
// (the same process id), and the call returns only when that failed.
// Windows: the GUI program runs as a process of its own, started as this one
// was (its window's show state, the standard handles), and the call returns
// its exit status once it ends. -1 with `failure` set when it did not start.
int startGuiProgram(char *argv[], GuiStartFailure &failure);

} // namespace quendral
