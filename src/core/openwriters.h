#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>

namespace quendral::openwriters {

// What a look for open writers found among the files asked about, each file
// as given. A file in neither set has no writer (or is no regular file).
struct Writers
{
    // Some process has the file open for writing.
    QSet<QString> writing;
    // No writer was seen, but the look could not finish for this file (time
    // ran out, a process could not be read): why, in words for the log.
    QHash<QString, QString> unsure;
};

// Those of `files` that some process has open with write access. Linux asks
// the kernel first: a read lease is refused while any process, of any user,
// has the file open for writing under whatever name. Where no lease can be
// taken (a file of another owner for a user without CAP_LEASE, a file system
// without leases) the file goes to `scan`. Files not settled by `deadline`
// are unsure.
Writers writing(const QStringList &files, std::chrono::steady_clock::time_point deadline);

// The look without leases (Linux: /proc/<pid>/fd and fdinfo of every
// process, matched by device and inode). A process that cannot be read makes
// every file not yet seen written unsure, as do the processes not reached by
// `deadline`. `procRoot` stands in for /proc in tests; Windows has no use for
// it and answers as `writing` does.
Writers scan(const QStringList &files, std::chrono::steady_clock::time_point deadline,
             const QString &procRoot = QStringLiteral("/proc"));

} // namespace quendral::openwriters
