#pragma once

#include <QtGlobal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace quendral::test {

// `count` processes forked from this one, each running `setUp` (system calls
// only: a fork copies no other thread) and then waiting until end(). They
// inherit our descriptors and `descriptors` more, and they end when the pipe
// they wait on closes, so also if we die first.
class Forked
{
public:
    template <typename SetUp> Forked(int count, SetUp setUp, int descriptors = 0)
    {
        std::vector<int> held(descriptors);
        for (int &fd : held)
            fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        int ready[2];
        if (::pipe(m_hold) != 0 || ::pipe(ready) != 0)
            qFatal("no pipe");
        for (int i = 0; i < count; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(m_hold[1]);
                char byte = setUp() ? '+' : '-';
                if (::write(ready[1], &byte, 1) == 1)
                    while (::read(m_hold[0], &byte, 1) > 0) {
                    }
                ::_exit(0);
            }
            m_children.push_back(child);
        }
        for (const int fd : {ready[1], m_hold[0]})
            ::close(fd);
        for (const int fd : held)
            ::close(fd);
        char byte = '+';
        for (int i = 0; i < count && byte == '+'; ++i)
            byte = ::read(ready[0], &byte, 1) == 1 ? byte : '-';
        ::close(ready[0]);
        if (byte != '+')
            qFatal("a forked process could not set up");
    }
    ~Forked() { end(); }
    Forked(const Forked &) = delete;

    void end()
    {
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
