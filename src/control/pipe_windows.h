#pragma once

#include "base/processuser_windows.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <memory>

#include <windows.h>

// What both ends of the command line's named pipe share: its name, the
// user it belongs to, and reads and writes with a deadline.
namespace quendral::pipe {

// How long a connected client may take to send its request, and to take the
// answer: a command line sends at once and reads at once.
inline constexpr int kRequestMs = 5000;
// How long the running copy may take to answer, and the command line waits a
// little longer for it.
inline constexpr int kAnswerMs = 25000;
inline constexpr int kClientWaitMs = kAnswerMs + kRequestMs;

struct HandleCloser
{
    void operator()(HANDLE handle) const
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

inline const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The name every program of the machine sees: the user's SID and the session
// make it this user's in this session, whatever the user's name is.
QString name();

// Whether `event` is set within `ms`, before `stop` is (a null `stop` never is).
bool waitFor(HANDLE event, DWORD ms, HANDLE stop);
// Waits up to `ms`, and until `stop`, for an overlapped call that `started`;
// one still pending then is cancelled and its end awaited, so the system
// never writes to `io` or the buffer once the caller has left them. The
// bytes moved, or -1.
qint64 finish(HANDLE pipe, OVERLAPPED &io, BOOL started, DWORD ms, HANDLE stop = nullptr);
// One line from the pipe, or what came of it before the deadline.
QByteArray readLine(HANDLE pipe, QDeadlineTimer deadline, HANDLE stop = nullptr);
bool writeAll(HANDLE pipe, const QByteArray &bytes, DWORD ms, HANDLE stop = nullptr);

} // namespace quendral::pipe
