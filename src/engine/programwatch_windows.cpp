#include "engine/programwatch.h"

#include "base/logging.h"
#include "base/processuser_windows.h"

#include <QWinEventNotifier>

#include <memory>

#include <windows.h>

#include <tlhelp32.h>

namespace quendral {

namespace {

struct HandleCloser
{
    void operator()(HANDLE handle) const
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

bool isMine(DWORD pid)
{
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    return process && !currentUser().isEmpty() && processUser(process.get()) == currentUser();
}

// Every process the snapshot lists: number and executable name.
QList<RunningProgram> snapshot()
{
    QList<RunningProgram> programs;
    const UniqueHandle list(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!list || list.get() == INVALID_HANDLE_VALUE) {
        qCWarning(lcMonitor) << "cannot list the processes: error" << GetLastError();
        return programs;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(list.get(), &entry); more; more = Process32NextW(list.get(), &entry)) {
        const QString name = QString::fromWCharArray(entry.szExeFile);
        programs.append({qint64(entry.th32ProcessID), name, name});
    }
    return programs;
}

} // namespace

namespace programwatch {

QList<RunningProgram> userPrograms()
{
    QList<RunningProgram> mine;
    for (const RunningProgram &program : snapshot()) {
        if (program.pid != 0 && isMine(DWORD(program.pid)))
            mine.append(program);
    }
    return mine;
}

bool matches(const RunningProgram &program, const QString &wanted)
{
    return program.name.compare(wanted, Qt::CaseInsensitive) == 0;
}

PidOwner owner(qint64 pid, QString *name)
{
    if (pid <= 0 || pid > qint64(MAXDWORD))
        return PidOwner::Missing;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, DWORD(pid)));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED ? PidOwner::Other : PidOwner::Missing;
    // A process that has ended but whose number is still held open.
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0)
        return PidOwner::Missing;
    if (currentUser().isEmpty() || processUser(process.get()) != currentUser())
        return PidOwner::Other;
    if (name) {
        wchar_t path[MAX_PATH];
        DWORD size = MAX_PATH;
        const QString whole = QueryFullProcessImageNameW(process.get(), 0, path, &size)
                                  ? QString::fromWCharArray(path, int(size))
                                  : QString();
        *name = whole.mid(whole.lastIndexOf(u'\\') + 1);
    }
    return PidOwner::Mine;
}

} // namespace programwatch

ProcessEnd *ProcessEnd::open(qint64 pid, QObject *parent)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return nullptr;
    // Signalled at once: the process has ended.
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        CloseHandle(process);
        return nullptr;
    }
    return new ProcessEnd(pid, qintptr(process), parent);
}

ProcessEnd::ProcessEnd(qint64 pid, qintptr handle, QObject *parent)
    : QObject(parent)
    , m_pid(pid)
    , m_handle(handle)
{
    auto *notifier = new QWinEventNotifier(HANDLE(handle), this);
    connect(notifier, &QWinEventNotifier::activated, this, [this, notifier] {
        notifier->setEnabled(false);
        emit ended(m_pid);
    });
}

ProcessEnd::~ProcessEnd()
{
    for (QWinEventNotifier *notifier : findChildren<QWinEventNotifier *>())
        notifier->setEnabled(false);
    CloseHandle(HANDLE(m_handle));
}

} // namespace quendral
