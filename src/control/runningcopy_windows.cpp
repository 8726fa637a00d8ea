#include "control/runningcopy.h"

#include "control/localprotocol.h"
#include "control/pipe_windows.h"
#include "tray/singleinstance.h"

#include <QDir>
#include <QLockFile>

namespace quendral {

namespace {

using namespace pipe;

// Whether the process serving a pipe is a running copy of the program: it
// runs as this user, and holds one of this user's single-instance locks.
bool isRunningCopy(DWORD pid)
{
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process || processUser(process.get()) != currentUser())
        return false;
    const QDir locks(SingleInstance::lockFolder());
    // Matched by hand: a name filter is a regular expression, whose stack
    // for this thread MinGW's runtime frees wrongly when a thread that is not
    // Qt's ends, and the command line may ask from any thread.
    for (const QString &name : locks.entryList(QDir::Files)) {
        if (!name.startsWith(QLatin1String("quendral-")) || !name.endsWith(QLatin1String(".lock")))
            continue;
        qint64 holder = 0;
        QString host;
        QString application;
        if (QLockFile(locks.filePath(name)).getLockInfo(&holder, &host, &application) && holder == qint64(pid))
            return true;
    }
    return false;
}

} // namespace

Reply callRunningCopy(const QString &method, const QString &argument)
{
    const QString name = pipe::name();
    UniqueHandle pipe;
    // Identification only: the server may learn who asks, not act as them.
    const DWORD flags = FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    for (int attempt = 0; attempt < 3 && !pipe; ++attempt) {
        const HANDLE opened =
            CreateFileW(wide(name), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
        if (opened != INVALID_HANDLE_VALUE)
            pipe.reset(opened);
        else if (GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeW(wide(name), 2000);
        else if (GetLastError() == ERROR_ACCESS_DENIED)
            return Reply::refused(QStringLiteral("another program holds the command line's pipe"));
        else
            return {Reply::Outcome::NotRunning, {}, {}};
    }
    if (!pipe)
        return {Reply::Outcome::NotRunning, {}, {}};
    // Nothing is sent to a program that took the name first.
    ULONG server = 0;
    if (!GetNamedPipeServerProcessId(pipe.get(), &server) || !isRunningCopy(server))
        return Reply::refused(
            QStringLiteral("the command line's pipe is served by process %1, not by a running copy").arg(server));
    const QDeadlineTimer deadline(kClientWaitMs);
    if (!writeAll(pipe.get(), localprotocol::request(method, argument), kRequestMs))
        return Reply::refused(QStringLiteral("no answer"));
    const QByteArray line = readLine(pipe.get(), deadline);
    if (line.isEmpty())
        return Reply::refused(QStringLiteral("no answer"));
    return localprotocol::readAnswer(line);
}

} // namespace quendral
