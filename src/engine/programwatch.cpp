#include "engine/programwatch.h"

#include "base/logging.h"

#include <algorithm>

namespace quendral {

ProgramWatch::ProgramWatch(QObject *parent)
    : QObject(parent)
{
}

void ProgramWatch::arm(const QStringList &names)
{
    disarm();
    m_names = names;
    if (armed())
        scan();
}

void ProgramWatch::disarm()
{
    qDeleteAll(m_running);
    m_running.clear();
    m_runningNames.clear();
    m_names.clear();
    m_pids.clear();
    m_ended.clear();
}

void ProgramWatch::addName(const QString &name)
{
    if (!m_names.contains(name))
        m_names.append(name);
    lookForNew();
    emit changed();
}

bool ProgramWatch::addPid(qint64 pid, const QString &name)
{
    if (!m_running.contains(pid) && !await(pid, name))
        return false;
    m_pids.insert(pid, name);
    emit changed();
    return true;
}

void ProgramWatch::scan()
{
    if (lookForNew())
        emit changed();
}

bool ProgramWatch::lookForNew()
{
    if (m_names.isEmpty())
        return false;
    bool found = false;
    for (const RunningProgram &program : m_list()) {
        if (m_running.contains(program.pid))
            continue;
        for (const QString &name : std::as_const(m_names)) {
            if (programwatch::matches(program, name)) {
                found = await(program.pid, name) || found;
                break;
            }
        }
    }
    return found;
}

bool ProgramWatch::await(qint64 pid, const QString &name)
{
    // A process that has ended but is still listed (not reaped yet) opens as
    // gone, and does not count as a new one.
    ProcessEnd *end = ProcessEnd::open(pid, this);
    if (!end)
        return false;
    connect(end, &ProcessEnd::ended, this, &ProgramWatch::processEnded);
    m_running.insert(pid, end);
    m_runningNames.insert(pid, name);
    qCDebug(lcMonitor) << "waiting for" << name << pid;
    return true;
}

void ProgramWatch::processEnded(qint64 pid)
{
    ProcessEnd *end = m_running.take(pid);
    if (!end)
        return;
    end->deleteLater();
    const QString name = m_runningNames.take(pid);
    m_ended.append({name, pid, QDateTime::currentDateTime()});
    qCDebug(lcMonitor) << name << pid << "ended;" << m_running.size() << "still running";
    emit changed();
    if (m_running.isEmpty())
        emit allEnded();
}

QStringList ProgramWatch::waitingFor() const
{
    QStringList names = m_names;
    for (const QString &name : m_pids)
        names.append(name);
    names.removeDuplicates();
    return names;
}

QList<qint64> ProgramWatch::runningPids() const
{
    QList<qint64> pids = m_running.keys();
    std::sort(pids.begin(), pids.end());
    return pids;
}

} // namespace quendral
