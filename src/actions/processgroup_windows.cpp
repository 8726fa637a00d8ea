#include "actions/processgroup.h"

#include <QProcess>

#include <windows.h>

namespace quendral {

namespace {

HANDLE job(quintptr id)
{
    return reinterpret_cast<HANDLE>(id);
}

} // namespace

ProcessGroup::ProcessGroup(QProcess &process)
    : m_process(process)
{
}

ProcessGroup::~ProcessGroup()
{
    if (m_id)
        CloseHandle(job(m_id));
}

void ProcessGroup::started()
{
    // The processes it starts from here on belong to the job too.
    HANDLE created = CreateJobObjectW(nullptr, nullptr);
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(m_process.processId()));
    if (created && process && AssignProcessToJobObject(created, process)) {
        m_id = reinterpret_cast<quintptr>(created);
    } else if (created) {
        CloseHandle(created);
    }
    if (process)
        CloseHandle(process);
}

void ProcessGroup::terminate()
{
    kill();
}

void ProcessGroup::kill()
{
    if (m_id)
        TerminateJobObject(job(m_id), 1);
    else
        m_process.kill();
}

bool ProcessGroup::alive() const
{
    if (!m_id)
        return m_process.state() != QProcess::NotRunning;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    return QueryInformationJobObject(job(m_id), JobObjectBasicAccountingInformation, &info, sizeof info, nullptr) &&
           info.ActiveProcesses > 0;
}

} // namespace quendral
