#include "control/transport.h"

#include "base/logging.h"
#include "control/localprotocol.h"
#include "control/pipe_windows.h"

#include <QDeadlineTimer>
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

using namespace pipe;

bool isSet(HANDLE stop)
{
    return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
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
    const QString name = pipe::name();
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

} // namespace quendral
