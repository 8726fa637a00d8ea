#pragma once

#include "engine/programwatch.h"

#include <sys/types.h>

namespace quendral::programwatch {

// The processes of user `uid` under `procRoot` (which stands in for /proc in
// tests), from each one's stat, status and cmdline.
QList<RunningProgram> scanProc(const QString &procRoot, uid_t uid);
// Whose process `pid` under `procRoot` is, for user `uid`.
PidOwner ownerIn(const QString &procRoot, uid_t uid, qint64 pid, QString *name);

} // namespace quendral::programwatch
