#include "control/pipe_windows.h"

namespace quendral::pipe {

QString name()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral("\\\\.\\pipe\\quendral-control-%1-%2").arg(currentUser()).arg(session);
}

bool waitFor(HANDLE event, DWORD ms, HANDLE stop)
{
    const HANDLE events[] = {event, stop};
    return WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, ms) == WAIT_OBJECT_0;
}

qint64 finish(HANDLE pipe, OVERLAPPED &io, BOOL started, DWORD ms, HANDLE stop)
{
    DWORD moved = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return -1;
    if (!waitFor(io.hEvent, ms, stop)) {
        CancelIoEx(pipe, &io);
        GetOverlappedResult(pipe, &io, &moved, TRUE);
        return -1;
    }
    return GetOverlappedResult(pipe, &io, &moved, FALSE) ? qint64(moved) : -1;
}

QByteArray readLine(HANDLE pipe, QDeadlineTimer deadline, HANDLE stop)
{
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    QByteArray line;
    char buffer[4096];
    while (!line.endsWith('\n') && line.size() < (1 << 20)) {
        OVERLAPPED io{};
        io.hEvent = event.get();
        const DWORD left = DWORD(qMax<qint64>(0, deadline.remainingTime()));
        const qint64 read = finish(pipe, io, ReadFile(pipe, buffer, sizeof buffer, nullptr, &io), left, stop);
        if (read <= 0)
            break;
        line.append(buffer, read);
    }
    return line;
}

bool writeAll(HANDLE pipe, const QByteArray &bytes, DWORD ms, HANDLE stop)
{
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED io{};
    io.hEvent = event.get();
    return finish(pipe, io, WriteFile(pipe, bytes.constData(), DWORD(bytes.size()), nullptr, &io), ms, stop) ==
           bytes.size();
}

} // namespace quendral::pipe
