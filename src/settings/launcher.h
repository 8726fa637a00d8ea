#pragma once

#include <QString>

// The browser button's Linux meaning: a per-user launcher in the applications
// menu, $XDG_DATA_HOME/applications/quendral-launcher.desktop, that runs the
// program.
namespace quendral::launcher {

QString path();

// The menu entry that the installed package gives `program` (a file path):
// quendral.desktop in a folder of $XDG_DATA_DIRS whose TryExec (or Exec),
// looked up on PATH, is that very file; "" when there is none.
QString packageEntry(const QString &program);

// Writes the launcher: shown as `name` with `comment` and `icon` (a file
// path), running `program`. An existing one is replaced. True when it was
// written; a failure is logged.
bool write(const QString &name, const QString &comment, const QString &program, const QString &icon);

// Deletes the launcher; a missing one is no error. True when none is left.
bool remove();

} // namespace quendral::launcher
