#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>

namespace quendral::openwriters {

// Those of `files` that some process of this user has open with write access
// (Linux: a descriptor in /proc/<pid>/fd leading to the file, links followed,
// whose /proc/<pid>/fdinfo flags allow writing), each as given. Processes that
// cannot be read, or that end meanwhile, are skipped. The scan stops at
// `deadline`: the processes it has not reached by then count as writing
// nothing, so that a slow /proc delays nothing past it. Only the descriptors
// whose name matches a file's are looked at closely; the rest cost one
// readlink each. `procRoot` stands in for /proc in tests.
QSet<QString> writing(const QStringList &files, std::chrono::steady_clock::time_point deadline,
                      const QString &procRoot = QStringLiteral("/proc"));

} // namespace quendral::openwriters
