#include "control/transport.h"

#include "base/logging.h"
#include "control/localprotocol.h"
#include "tray/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
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

// Whether `event` is set within `ms`, before `stop` is (a null `stop` never is).
bool waitFor(HANDLE event, DWORD ms, HANDLE stop)
{
    const HANDLE events[] = {event, stop};
    return WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, ms) == WAIT_OBJECT_0;
}

bool isSet(HANDLE stop)
{
    return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

// Waits up to `ms`, and until `stop`, for an overlapped call that `started`;
// one still pending then is cancelled and its end awaited, so the system
// never writes to `io` or the buffer once the caller has left them. The
// bytes moved, or -1.
qint64 finish(HANDLE pipe, OVERLAPPED &io, BOOL started, DWORD ms, HANDLE stop = nullptr)
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

// One line from the pipe, or what came of it before the deadline.
QByteArray readLine(HANDLE pipe, QDeadlineTimer deadline, HANDLE stop = nullptr)
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

bool writeAll(HANDLE pipe, const QByteArray &bytes, DWORD ms, HANDLE stop = nullptr)
{
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED io{};
    io.hEvent = event.get();
    return finish(pipe, io, WriteFile(pipe, bytes.constData(), DWORD(bytes.size()), nullptr, &io), ms, stop) ==
           bytes.size();
}

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
            qCWarning(lcControl) << "Cannot describe the pipe's access: error" << GetLastError();
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

// Control's answer to one request, handed from the program's thread to the
// pipe's. Shared, so a late answer lands safely after the pipe gave up.
struct Answer
{
    UniqueHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    Reply reply;
};

// One request on a connected pipe: Control runs it in the program's thread,
// and this thread writes its answer back.
void answerRequest(HANDLE pipe, const QPointer<Control> &control, HANDLE stop)
{
    const QByteArray request = readLine(pipe, QDeadlineTimer(kRequestMs), stop);
    // A client that sent nothing, or not a whole line, in time is let go.
    if (!request.endsWith('\n'))
        return;
    QString method;
    QString argument;
    const auto answer = std::make_shared<Answer>();
    if (!answer->ready)
        return;
    Control *const target = control;
    if (localprotocol::readRequest(request, method, argument) && target) {
        QMetaObject::invokeMethod(target, [control, method, argument, answer] {
            auto once = std::make_shared<bool>(false);
            const auto respond = [answer, once](const Reply &r) {
                if (std::exchange(*once, true))
                    return;
                answer->reply = r;
                SetEvent(answer->ready.get());
            };
            if (!control || !control->run(method, argument, respond))
                respond(Reply::refused(QStringLiteral("unknown request")));
        });
    } else {
        answer->reply = Reply::refused(QStringLiteral("unknown request"));
        SetEvent(answer->ready.get());
    }
    if (!waitFor(answer->ready.get(), kAnswerMs, stop) ||
        !writeAll(pipe, localprotocol::answer(answer->reply), kRequestMs, stop))
        return;
    // The answer reaches the command line before the pipe is cut: its end
    // closes once it has read it.
    readLine(pipe, QDeadlineTimer(kRequestMs), stop);
}

// A client's thread, and whether it has ended.
struct Served
{
    std::shared_ptr<std::atomic_bool> ended = std::make_shared<std::atomic_bool>(false);
    std::thread thread;
};

void serveClient(UniqueHandle pipe, QPointer<Control> control, HANDLE stop, std::shared_ptr<std::atomic_bool> ended)
{
    answerRequest(pipe.get(), control, stop);
    DisconnectNamedPipe(pipe.get());
    *ended = true;
}

// Each client is served on a thread of its own, so one that stalls delays
// no other. The next instance of the pipe exists before a client is handed
// on, so a command line never finds the name missing. Once `stop` is set,
// it waits for every client's thread and ends.
void listen(HANDLE first, QPointer<Control> control, QString name, HANDLE stop)
{
    PipeSecurity security;
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::vector<Served> clients;
    for (UniqueHandle pipe(first); pipe.get() != INVALID_HANDLE_VALUE && event && !isSet(stop);) {
        OVERLAPPED io{};
        io.hEvent = event.get();
        // A client may have come between the instance's making and this call.
        const bool connected = finish(pipe.get(), io, ConnectNamedPipe(pipe.get(), &io), INFINITE, stop) >= 0 ||
                               GetLastError() == ERROR_PIPE_CONNECTED;
        if (isSet(stop))
            break;
        UniqueHandle next(createPipe(name, security, 0));
        if (next.get() == INVALID_HANDLE_VALUE)
            qCWarning(lcControl) << "The command line's pipe ends: error" << GetLastError();
        std::erase_if(clients, [](Served &served) {
            if (!*served.ended)
                return false;
            served.thread.join();
            return true;
        });
        if (connected) {
            Served served;
            served.thread = std::thread(serveClient, std::move(pipe), control, stop, served.ended);
            clients.push_back(std::move(served));
        }
        pipe = std::move(next);
    }
    for (Served &served : clients)
        served.thread.join();
}

// The server's owner: nothing of it outlives it, so no thread of it uses
// Control or the pipe's name once it is gone.
class PipeServer : public QObject
{
public:
    PipeServer(HANDLE first, Control &control, const QString &name, UniqueHandle stop, QObject *parent)
        : QObject(parent)
        , m_stop(std::move(stop))
        , m_listener(listen, first, QPointer<Control>(&control), name, m_stop.get())
    {
    }
    ~PipeServer() override
    {
        SetEvent(m_stop.get());
        m_listener.join();
    }

private:
    UniqueHandle m_stop;
    std::thread m_listener;
};

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
        qCWarning(lcControl) << "Cannot serve the command line: another program holds the pipe" << name << "- error"
                             << error;
        return nullptr;
    }
    UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop) {
        qCWarning(lcControl) << "Cannot serve the command line: error" << GetLastError();
        return nullptr;
    }
    return new PipeServer(first.release(), control, name, std::move(stop), parent);
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
