#include "control/transport.h"

#include "control/localprotocol.h"
#include "core/singleinstance.h"
#include "kit/logging.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QMetaObject>
#include <QPointer>

#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <windows.h>

#include <sddl.h>

namespace quendral {

namespace {

// How long a connected client may take to send its request, and to take the
// answer: a command line sends at once and reads at once.
constexpr int kRequestMs = 5000;
// How long the running copy may take to answer, and the command line waits a
// little longer for it.
constexpr int kAnswerMs = 25000;
constexpr int kClientWaitMs = kAnswerMs + kRequestMs;

struct HandleCloser
{
    void operator()(HANDLE handle) const
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The string form of the user a process runs as, or "".
QString processUser(HANDLE process)
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &opened))
        return {};
    const UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    wchar_t *text = nullptr;
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &text))
        return {};
    const QString sid = QString::fromWCharArray(text);
    LocalFree(text);
    return sid;
}

QString currentUser()
{
    static const QString sid = processUser(GetCurrentProcess());
    return sid;
}

// The name every program of the machine sees: the user's SID and the session
// make it this user's in this session, whatever the user's name is.
QString pipeName()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral("\\\\.\\pipe\\quendral-control-%1-%2").arg(currentUser()).arg(session);
}

// Waits up to `ms` for an overlapped call that `started`; one still pending
// then is cancelled. The bytes moved, or -1.
qint64 finish(HANDLE pipe, OVERLAPPED &io, BOOL started, DWORD ms)
{
    DWORD moved = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return -1;
    if (WaitForSingleObject(io.hEvent, ms) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &io);
        GetOverlappedResult(pipe, &io, &moved, TRUE);
        return -1;
    }
    return GetOverlappedResult(pipe, &io, &moved, FALSE) ? qint64(moved) : -1;
}

// One line from the pipe, or what came of it before the deadline.
QByteArray readLine(HANDLE pipe, QDeadlineTimer deadline)
{
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    QByteArray line;
    char buffer[4096];
    while (!line.endsWith('\n') && line.size() < (1 << 20)) {
        OVERLAPPED io{};
        io.hEvent = event.get();
        const DWORD left = DWORD(qMax<qint64>(0, deadline.remainingTime()));
        const qint64 read = finish(pipe, io, ReadFile(pipe, buffer, sizeof buffer, nullptr, &io), left);
        if (read <= 0)
            break;
        line.append(buffer, read);
    }
    return line;
}

bool writeAll(HANDLE pipe, const QByteArray &bytes, DWORD ms)
{
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED io{};
    io.hEvent = event.get();
    return finish(pipe, io, WriteFile(pipe, bytes.constData(), DWORD(bytes.size()), nullptr, &io), ms) == bytes.size();
}

// Whether the process serving a pipe is a running copy of the program: it
// runs as this user, and holds one of this user's single-instance locks.
bool isRunningCopy(DWORD pid)
{
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process || processUser(process.get()) != currentUser())
        return false;
    const QDir locks(SingleInstance::lockFolder());
    for (const QString &name : locks.entryList({QStringLiteral("quendral-*.lock")}, QDir::Files)) {
        qint64 holder = 0;
        QString host;
        QString application;
        if (QLockFile(locks.filePath(name)).getLockInfo(&holder, &host, &application) && holder == qint64(pid))
            return true;
    }
    return false;
}

// Access for this user alone: nothing for Everyone, anonymous or other users,
// and nothing inherited.
class PipeSecurity
{
public:
    PipeSecurity()
    {
        const QString dacl = QStringLiteral("D:P(A;;GA;;;%1)").arg(currentUser());
        if (!currentUser().isEmpty() &&
            ConvertStringSecurityDescriptorToSecurityDescriptorW(wide(dacl), SDDL_REVISION_1, &m_descriptor, nullptr))
            m_attributes = {sizeof m_attributes, m_descriptor, FALSE};
        else
            qCWarning(lcTray) << "Cannot describe the pipe's access: error" << GetLastError();
    }
    ~PipeSecurity() { LocalFree(m_descriptor); }
    PipeSecurity(const PipeSecurity &) = delete;
    PipeSecurity &operator=(const PipeSecurity &) = delete;

    SECURITY_ATTRIBUTES *attributes() { return m_descriptor ? &m_attributes : nullptr; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

HANDLE createPipe(const QString &name, PipeSecurity &security, DWORD first)
{
    return CreateNamedPipeW(wide(name), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | first,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                            PIPE_UNLIMITED_INSTANCES, 1 << 16, 1 << 16, 0, security.attributes());
}

// One request on a connected pipe: Control runs it in the program's thread,
// and this thread writes its answer back.
void answerRequest(HANDLE pipe, const QPointer<Control> &control)
{
    const QByteArray request = readLine(pipe, QDeadlineTimer(kRequestMs));
    // A client that sent nothing, or not a whole line, in time is let go.
    if (!request.endsWith('\n'))
        return;
    QString method;
    QString argument;
    auto answer = std::make_shared<std::promise<Reply>>();
    std::future<Reply> reply = answer->get_future();
    if (localprotocol::readRequest(request, method, argument) && control) {
        QMetaObject::invokeMethod(control, [control, method, argument, answer] {
            auto once = std::make_shared<bool>(false);
            const auto respond = [answer, once](const Reply &r) {
                if (!std::exchange(*once, true))
                    answer->set_value(r);
            };
            if (!control || !control->run(method, argument, respond))
                respond(Reply::refused(QStringLiteral("unknown request")));
        });
    } else {
        answer->set_value(Reply::refused(QStringLiteral("unknown request")));
    }
    if (reply.wait_for(std::chrono::milliseconds(kAnswerMs)) != std::future_status::ready ||
        !writeAll(pipe, localprotocol::answer(reply.get()), kRequestMs))
        return;
    // The answer reaches the command line before the pipe is cut: its end
    // closes once it has read it.
    readLine(pipe, QDeadlineTimer(kRequestMs));
}

void serveClient(UniqueHandle pipe, const QPointer<Control> &control)
{
    answerRequest(pipe.get(), control);
    DisconnectNamedPipe(pipe.get());
}

// Each client is served on a thread of its own, so one that stalls delays
// no other. The next instance of the pipe exists before a client is handed
// on, so a command line never finds the name missing.
void listen(HANDLE first, const QPointer<Control> &control, const QString &name)
{
    PipeSecurity security;
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (UniqueHandle pipe(first); pipe.get() != INVALID_HANDLE_VALUE;) {
        OVERLAPPED io{};
        io.hEvent = event.get();
        // A client may have come between the instance's making and this call.
        const bool connected = finish(pipe.get(), io, ConnectNamedPipe(pipe.get(), &io), INFINITE) >= 0 ||
                               GetLastError() == ERROR_PIPE_CONNECTED;
        UniqueHandle next(createPipe(name, security, 0));
        if (next.get() == INVALID_HANDLE_VALUE)
            qCWarning(lcTray) << "The command line's pipe ends: error" << GetLastError();
        if (connected)
            std::thread(serveClient, std::move(pipe), control).detach();
        pipe = std::move(next);
    }
}

} // namespace

QObject *serveControl(Control &control, QObject *parent)
{
    const QString name = pipeName();
    PipeSecurity security;
    // The first instance or none: a program that made the name first, of
    // this user or another, is not served beside.
    const HANDLE created =
        security.attributes() ? createPipe(name, security, FILE_FLAG_FIRST_PIPE_INSTANCE) : INVALID_HANDLE_VALUE;
    const DWORD error = created == INVALID_HANDLE_VALUE ? GetLastError() : DWORD(ERROR_ALREADY_EXISTS);
    UniqueHandle first(created);
    // Wine makes a further instance in spite of the flag: the count tells.
    DWORD instances = 0;
    if (created != INVALID_HANDLE_VALUE)
        GetNamedPipeHandleStateW(created, nullptr, &instances, nullptr, nullptr, nullptr, 0);
    if (instances != 1) {
        qCWarning(lcTray) << "Cannot serve the command line: another program holds the pipe" << name << "- error"
                          << error;
        return nullptr;
    }
    // The thread uses Control through a guard, and ends with the process.
    std::thread(listen, first.release(), QPointer<Control>(&control), name).detach();
    return new QObject(parent);
}

Reply callRunningCopy(const QString &method, const QString &argument)
{
    const QString name = pipeName();
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
