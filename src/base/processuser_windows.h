#pragma once

#include <QString>

#include <windows.h>

namespace quendral {

// The string form of the SID a process runs as ("S-1-5-21-..."); "" when its
// token cannot be read (another user's process, a protected one).
QString processUser(HANDLE process);
// The user this program runs as.
const QString &currentUser();

} // namespace quendral
