#include "actions/processgroup.h"

#include <QProcess>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quendral {

namespace {

// What an ordinary user may ask for by default (/proc/sys/fs/pipe-max-size).
constexpr int kOutputPipeBytes = 1024 * 1024;

} // namespace

ProcessGroup::ProcessGroup(QProcess &process)
    : m_process(process)
{
    // In the child, before the program runs: a group of its own, whose id
    // is its process id, so nothing it starts can be missed. And a larger
    // pipe for its output (as far as the system allows), so that a flood of
    // output takes fewer turns of a busy event loop to read.
    m_process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, kOutputPipeBytes);
    });
}

ProcessGroup::~ProcessGroup() = default;

void ProcessGroup::started()
{
    m_id = quintptr(m_process.processId());
}

void ProcessGroup::terminate()
{
    if (m_id > 0)
        ::kill(-pid_t(m_id), SIGTERM);
}

void ProcessGroup::kill()
{
    // Only while the group is there: once it is gone its id may be reused.
    if (alive())
        ::kill(-pid_t(m_id), SIGKILL);
}

bool ProcessGroup::alive() const
{
    return m_id > 0 && (::kill(-pid_t(m_id), 0) == 0 || errno == EPERM);
}

} // namespace quendral
