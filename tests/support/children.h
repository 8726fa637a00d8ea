#pragma once

#include <QHash>
#include <QSet>
#include <QtGlobal>

#include <sys/wait.h>
#include <unistd.h>

namespace quendral::test {

// Processes forked from this one that wait until they are told to end, one
// by one; those still there end with this object.
class Children
{
public:
    Children() = default;
    Children(const Children &) = delete;
    ~Children()
    {
        for (const qint64 pid : m_hold.keys())
            end(pid);
        for (const qint64 pid : std::as_const(m_zombies))
            ::waitpid(pid_t(pid), nullptr, 0);
    }

    // With `uid`, the child takes that user (which only root may do).
    qint64 start(int uid = -1)
    {
        int hold[2];
        if (::pipe(hold) != 0)
            qFatal("no pipe");
        const pid_t child = ::fork();
        if (child == 0) {
            // Only the parent may hold a child's pipe open.
            ::close(hold[1]);
            for (const int other : std::as_const(m_hold))
                ::close(other);
            if (uid >= 0 && ::setuid(uid_t(uid)) != 0)
                ::_exit(1);
            char byte;
            while (::read(hold[0], &byte, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(hold[0]);
        m_hold.insert(child, hold[1]);
        return child;
    }
    // Ends the child; unless `reap`, it stays listed as a zombie until this
    // object ends (as a shell leaves it for a moment).
    void end(qint64 pid, bool reap = true)
    {
        ::close(m_hold.take(pid));
        if (reap) {
            ::waitpid(pid_t(pid), nullptr, 0);
            return;
        }
        // Until it has ended.
        siginfo_t info{};
        ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
        m_zombies.insert(pid);
    }

private:
    QHash<qint64, int> m_hold;
    QSet<qint64> m_zombies;
};

} // namespace quendral::test
