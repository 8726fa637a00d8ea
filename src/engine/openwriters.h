#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <mutex>

namespace quendral::openwriters {

// What a look for open writers found among the files asked about, each file
// as given. A file in neither set has no writer (or is no regular file).
struct Writers
{
    // Some process has the file open for writing.
    QSet<QString> writing;
    // No writer was seen among every process there is, but some could not be
    // read: why, in words for the log.
    QHash<QString, QString> unsure;
    // No writer was seen so far, but time ran out before every process was
    // looked at: nothing is told of the file yet. Why, for the log.
    QHash<QString, QString> unfinished;
};

// What a look into /proc that ran out of time has seen, for the next look at
// the same files to go on from where it stopped instead of starting afresh
// and running out of time at the same place. Shared between threads; a look
// not taken up again within a few minutes is dropped.
class Progress
{
public:
    struct Pass;

    std::shared_ptr<Pass> take(const QString &files, std::chrono::steady_clock::time_point now)
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_kept.begin(); it != m_kept.end();)
            it = now - it->second > kForgetAfter ? m_kept.erase(it) : std::next(it);
        std::shared_ptr<Pass> pass = m_kept.take(files).first;
        return pass;
    }
    void keep(const QString &files, std::shared_ptr<Pass> pass, std::chrono::steady_clock::time_point now)
    {
        const std::lock_guard lock(m_mutex);
        m_kept.insert(files, {std::move(pass), now});
    }

private:
    static constexpr std::chrono::minutes kForgetAfter{3};
    std::mutex m_mutex;
    QHash<QString, std::pair<std::shared_ptr<Pass>, std::chrono::steady_clock::time_point>> m_kept;
};

// Those of `files` that some process has open with write access. Linux asks
// the kernel first: a read lease is refused while any process, of any user,
// has the file open for writing under whatever name. Where no lease can be
// taken (a file of another owner for a user without CAP_LEASE, a file system
// without leases), or where a lease cannot see every writer (FUSE and network
// file systems: the writer may be a process behind the mount or on another
// machine), the file goes to `scan`. Files not settled by `deadline` are
// unfinished; with `progress` the next call goes on from there.
Writers writing(const QStringList &files, std::chrono::steady_clock::time_point deadline, Progress *progress = nullptr);

// The look without leases (Linux: /proc/<pid>/fd and fdinfo of every
// process, matched by device and inode; a file on a FUSE mount of a local
// folder also by the folder's file behind it). A process that cannot be read
// makes every file not yet seen written unsure; processes not reached by
// `deadline` leave it unfinished. `procRoot` stands in for /proc in tests;
// Windows has no use for it and answers as `writing` does.
Writers scan(const QStringList &files, std::chrono::steady_clock::time_point deadline,
             const QString &procRoot = QStringLiteral("/proc"), Progress *progress = nullptr);

} // namespace quendral::openwriters
