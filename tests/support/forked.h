#pragma once

#include <QtGlobal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace quendral::test {

// `count` processes forked from this one, each running `setUp` (system calls
// only: a fork copies no other thread) and then waiting until this object
// ends them. They inherit our descriptors and `descriptors` more, and they end
// when the pipe they wait on closes, so also if we die first.
class Forked
{
public:
    template <typename SetUp> Forked(int count, SetUp setUp, int descriptors = 0)
    {
        std::vector<int> held;
        for (int i = 0; i < descriptors; ++i)
            held.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        int ready[2];
        if (::pipe(m_hold) != 0 || ::pipe(ready) != 0)
            qFatal("no pipe");
        for (int i = 0; i < count; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(m_hold[1]);
                char byte = setUp() ? '+' : '-';
                if (::write(ready[1], &byte, 1) == 1) {
                    while (::read(m_hold[0], &byte, 1) > 0) {
                    }
                }
                ::_exit(0);
            }
            m_children.push_back(child);
        }
        ::close(ready[1]);
        ::close(m_hold[0]);
        for (const int fd : held)
            ::close(fd);
        char byte = 0;
        for (int i = 0; i < count; ++i) {
            if (::read(ready[0], &byte, 1) != 1 || byte != '+')
                qFatal("a forked process could not set up");
        }
        ::close(ready[0]);
    }
    ~Forked() { end(); }

    Forked(const Forked &) = delete;
    Forked &operator=(const Forked &) = delete;

    void end()
    {
        if (m_hold[1] >= 0)
            ::close(m_hold[1]);
        m_hold[1] = -1;
        for (const pid_t child : m_children)
            ::waitpid(child, nullptr, 0);
        m_children.clear();
    }

private:
    int m_hold[2] = {-1, -1};
    std::vector<pid_t> m_children;
};

} // namespace quendral::test
