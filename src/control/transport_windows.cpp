#include "control/transport.h"

#include "base/logging.h"
#include "control/localprotocol.h"

#include <QMetaObject>
#include <QPointer>

#include <future>
#include <memory>
#include <thread>

#include <windows.h>

namespace quendral {

namespace {

// Pipe names are seen by every session of the machine: the name holds the
// user's and the session's.
std::wstring pipeName()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral("\\\\.\\pipe\\quendral-control-%1-%2")
        .arg(qEnvironmentVariable("USERNAME"))
        .arg(session)
        .toStdWString();
}

constexpr DWORD kWaitMs = 25000;

// One line from the pipe. Each read asks for no more than is there (one
// byte when nothing is), so that no read waits for bytes never sent.
QByteArray readLine(HANDLE pipe)
{
    QByteArray line;
    char buffer[4096];
    while (!line.endsWith('\n') && line.size() < (1 << 20)) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            break;
        DWORD read = 0;
        const DWORD wanted = qBound<DWORD>(1, available, sizeof buffer);
        if (!ReadFile(pipe, buffer, wanted, &read, nullptr) || read == 0)
            break;
        line.append(buffer, qsizetype(read));
    }
    return line;
}

void writeAll(HANDLE pipe, const QByteArray &bytes)
{
    DWORD written = 0;
    WriteFile(pipe, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
}

HANDLE createPipe(const std::wstring &name, DWORD first)
{
    return CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | first,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                            PIPE_UNLIMITED_INSTANCES, 1 << 16, 1 << 16, 0, nullptr);
}

// One request on a connected pipe: Control runs it in the program's thread,
// and this thread writes its answer back.
void answerRequest(HANDLE pipe, const QPointer<Control> &control)
{
    QString method;
    QString argument;
    auto answer = std::make_shared<std::promise<Reply>>();
    std::future<Reply> reply = answer->get_future();
    if (localprotocol::readRequest(readLine(pipe), method, argument) && control) {
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
    if (reply.wait_for(std::chrono::milliseconds(kWaitMs)) == std::future_status::ready)
        writeAll(pipe, localprotocol::answer(reply.get()));
}

// The requests arrive one at a time on a thread of their own. The next
// instance of the pipe waits while one is served, so a command line never
// finds the name missing.
void serve(HANDLE pipe, const QPointer<Control> &control, const std::wstring &name)
{
    while (pipe != INVALID_HANDLE_VALUE) {
        const bool connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
        const HANDLE next = createPipe(name, 0);
        if (connected)
            answerRequest(pipe, control);
        // The answer reaches the command line before the pipe is cut.
        FlushFileBuffers(pipe);
        DisconnectNamedPipe(pipe);
        CloseHandle(pipe);
        pipe = next;
    }
}

} // namespace

QObject *serveControl(Control &control, QObject *parent)
{
    const std::wstring name = pipeName();
    // A copy of another program file may serve the name already.
    const HANDLE first = createPipe(name, FILE_FLAG_FIRST_PIPE_INSTANCE);
    if (first == INVALID_HANDLE_VALUE) {
        qCWarning(lcTray) << "Cannot serve the command line: error" << GetLastError();
        return nullptr;
    }
    // The thread uses Control through a guard, and ends with the process.
    std::thread(serve, first, QPointer<Control>(&control), name).detach();
    return new QObject(parent);
}

Reply callRunningCopy(const QString &method, const QString &argument)
{
    const std::wstring name = pipeName();
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 3 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PIPE_BUSY)
            WaitNamedPipeW(name.c_str(), 2000);
        else if (pipe == INVALID_HANDLE_VALUE)
            return {Reply::Outcome::NotRunning, {}, {}};
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return {Reply::Outcome::NotRunning, {}, {}};
    writeAll(pipe, localprotocol::request(method, argument));
    const QByteArray line = readLine(pipe);
    CloseHandle(pipe);
    if (line.isEmpty())
        return Reply::refused(QStringLiteral("no answer"));
    return localprotocol::readAnswer(line);
}

} // namespace quendral
