#pragma once

#include <QtGlobal>

class QProcess;

namespace quendral {

// A process together with every process it starts, so that they can be ended
// together: a process group on Linux, a job object on Windows. A command that
// outlives its time must not leave a child behind to act on a machine that is
// being turned off.
class ProcessGroup
{
public:
    // Before `process` starts: it will begin a group of its own (on Linux
    // with a pipe for its output as large as an ordinary user may have).
    explicit ProcessGroup(QProcess &process);
    ~ProcessGroup();
    ProcessGroup(const ProcessGroup &) = delete;
    ProcessGroup &operator=(const ProcessGroup &) = delete;

    // Once the process has started: from here on the group can be ended.
    void started();
    // Asks every process of the group to end (SIGTERM; Windows has no such
    // request and ends them at once).
    void terminate();
    // Ends every process of the group that is left.
    void kill();
    // Whether any process of the group is left.
    bool alive() const;

private:
    QProcess &m_process;
    // The group's id on Linux, the job's handle on Windows; 0 until started.
    quintptr m_id = 0;
};

} // namespace quendral
