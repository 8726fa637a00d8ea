#include "control/control.h"
#include "control/transport.h"
#include "support/trayrig.h"
#include "tray/singleinstance.h"

#include <QtTest>

#include <algorithm>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

using namespace quendral;

namespace {

// This user's SID as the token gives it.
std::wstring userSid()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char buffer[256];
    DWORD size = sizeof buffer;
    GetTokenInformation(token, TokenUser, buffer, size, &size);
    CloseHandle(token);
    wchar_t *sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, &sid);
    const std::wstring text(sid);
    LocalFree(sid);
    return text;
}

// The pipe's name made here from the token and the session, as a program
// that wants the name for itself would make it.
std::wstring pipeName()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return L"\\\\.\\pipe\\quendral-control-" + userSid() + L"-" + std::to_wstring(session);
}

// A client's end, once the server has its next instance ready.
HANDLE openClient()
{
    HANDLE client = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 3 && client == INVALID_HANDLE_VALUE; ++attempt) {
        WaitNamedPipeW(pipeName().c_str(), 2000);
        client = CreateFileW(pipeName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    return client;
}

// Clients connected to the pipe that send nothing more, closed at the end.
struct ConnectedClients
{
    explicit ConnectedClients(int count)
    {
        for (int n = 0; n < count; ++n)
            handles.push_back(openClient());
    }
    ~ConnectedClients()
    {
        for (HANDLE client : handles) {
            if (client != INVALID_HANDLE_VALUE)
                CloseHandle(client);
        }
    }
    bool allOpen() const
    {
        return std::none_of(handles.begin(), handles.end(),
                            [](HANDLE client) { return client == INVALID_HANDLE_VALUE; });
    }

    std::vector<HANDLE> handles;
};

// The command line's call on a thread of its own, while this thread runs the
// events that Control answers in; the milliseconds it took.
std::pair<Reply, qint64> callFromCommandLine(const QString &method)
{
    QElapsedTimer timer;
    timer.start();
    auto call = std::async(std::launch::async, [method] { return callRunningCopy(method, {}); });
    while (call.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return {call.get(), timer.elapsed()};
}

// Whether a client's end sees the pipe cut within `ms`.
bool cutWithin(HANDLE client, int ms)
{
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired(); QThread::msleep(50)) {
        if (!PeekNamedPipe(client, nullptr, 0, nullptr, nullptr, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_PIPE_NOT_CONNECTED;
    }
    return false;
}

} // namespace

// The command line's named pipe, served by this process as the running copy.
class TestWindowsPipe : public QObject
{
    Q_OBJECT

private slots:
    // First of all: once this process serves the name, it does for good.
    void aProgramHoldingTheNameIsNeitherJoinedNorAnswered_data()
    {
        QTest::addColumn<DWORD>("instances");
        QTest::newRow("one instance") << DWORD(1);
        QTest::newRow("any number of instances") << DWORD(PIPE_UNLIMITED_INSTANCES);
    }
    void aProgramHoldingTheNameIsNeitherJoinedNorAnswered()
    {
        QFETCH(DWORD, instances);
        const HANDLE squatter = CreateNamedPipeW(
            pipeName().c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
            PIPE_TYPE_BYTE | PIPE_WAIT, instances, 4096, 4096, 0, nullptr);
        QVERIFY(squatter != INVALID_HANDLE_VALUE);
        const auto closeSquatter = qScopeGuard([squatter] { CloseHandle(squatter); });
        OVERLAPPED connect{};
        connect.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ConnectNamedPipe(squatter, &connect);

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("Cannot serve the command line: another program")));
        QObject parent;
        QVERIFY(!serveControl(control(), &parent));
        DWORD made = 0;
        QVERIFY(GetNamedPipeHandleStateW(squatter, nullptr, &made, nullptr, nullptr, nullptr, 0));
        QCOMPARE(made, DWORD(1));

        // This process holds no program lock: it is no running copy.
        const Reply reply = callRunningCopy(QStringLiteral("Cancel"), {});
        QCOMPARE(int(reply.outcome), int(Reply::Outcome::Refused));
        QVERIFY2(reply.text.contains(QString::number(GetCurrentProcessId())), qPrintable(reply.text));
        QCOMPARE(WaitForSingleObject(connect.hEvent, 2000), DWORD(WAIT_OBJECT_0));
        char buffer[64];
        DWORD read = 0;
        OVERLAPPED io{};
        io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!ReadFile(squatter, buffer, sizeof buffer, &read, &io) && GetLastError() == ERROR_IO_PENDING) {
            if (WaitForSingleObject(io.hEvent, 500) != WAIT_OBJECT_0)
                CancelIoEx(squatter, &io);
            GetOverlappedResult(squatter, &io, &read, TRUE);
        }
        QCOMPARE(read, DWORD(0));
        CloseHandle(io.hEvent);
        CloseHandle(connect.hEvent);
    }

    // Clients that connect and send nothing, or half a request, hold up no
    // other; each is let go after the request's time-out.
    void aStalledClientDelaysNoOther_data()
    {
        QTest::addColumn<int>("stalled");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("none") << 0 << QByteArray();
        QTest::newRow("one sends nothing") << 1 << QByteArray();
        QTest::newRow("one sends half a request") << 1 << QByteArray("Sta");
        QTest::newRow("three send nothing") << 3 << QByteArray();
    }
    void aStalledClientDelaysNoOther()
    {
        QFETCH(int, stalled);
        QFETCH(QByteArray, sent);
        serve();
        const ConnectedClients clients(stalled);
        QVERIFY(clients.allOpen());
        for (HANDLE client : clients.handles) {
            DWORD written = 0;
            WriteFile(client, sent.constData(), DWORD(sent.size()), &written, nullptr);
        }
        const auto [reply, ms] = callFromCommandLine(QStringLiteral("Status"));
        QCOMPARE(int(reply.outcome), int(Reply::Outcome::Done));
        QVERIFY(reply.status.contains(QStringLiteral("state")));
        QVERIFY2(ms < 2000, qPrintable(QString::number(ms)));
        for (HANDLE client : clients.handles)
            QVERIFY(cutWithin(client, 8000));
    }

    // Only this user may open the pipe: one entry, granting this user.
    void thePipeIsTheUsersAlone()
    {
        serve();
        const HANDLE client = openClient();
        QVERIFY(client != INVALID_HANDLE_VALUE);
        const auto closeClient = qScopeGuard([client] { CloseHandle(client); });
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        QCOMPARE(GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                 nullptr, &descriptor),
                 DWORD(ERROR_SUCCESS));
        wchar_t *text = nullptr;
        QVERIFY(ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &text, nullptr));
        const QString dacl = QString::fromWCharArray(text);
        LocalFree(text);
        LocalFree(descriptor);
        const QString sid = QString::fromStdWString(userSid());
        QVERIFY2(dacl.startsWith(QStringLiteral("D:P(A;;")) && dacl.endsWith(QStringLiteral(";;;%1)").arg(sid)) &&
                     dacl.count(u'(') == 1,
                 qPrintable(dacl));
    }

    // Nothing of the server outlives it: it ends at once, stalled clients
    // or not, cuts them, and leaves the name free for the next server.
    void theServerEndsWithItsOwner_data()
    {
        QTest::addColumn<int>("stalled");
        QTest::newRow("no client") << 0;
        QTest::newRow("two clients that send nothing") << 2;
    }
    void theServerEndsWithItsOwner()
    {
        QFETCH(int, stalled);
        serve();
        const ConnectedClients clients(stalled);
        QVERIFY(clients.allOpen());
        QElapsedTimer timer;
        timer.start();
        m_server.reset();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        for (HANDLE client : clients.handles)
            QVERIFY(cutWithin(client, 200));
        m_server.reset(serveControl(control(), nullptr));
        QVERIFY(m_server);
        QCOMPARE(int(callFromCommandLine(QStringLiteral("Status")).first.outcome), int(Reply::Outcome::Done));
    }

private:
    Control &control()
    {
        if (!m_rig) {
            m_rig = std::make_unique<test::TrayRig>();
            m_rig->load();
            m_control = std::make_unique<Control>(m_rig->state, *m_rig->monitor, m_rig->completion);
        }
        return *m_control;
    }

    // This process as the running copy: it holds its program lock and serves.
    void serve()
    {
        if (m_server)
            return;
        m_instance = std::make_unique<SingleInstance>(QCoreApplication::applicationFilePath());
        QVERIFY(m_instance->acquire());
        m_server.reset(serveControl(control(), nullptr));
        QVERIFY(m_server);
    }

    std::unique_ptr<test::TrayRig> m_rig;
    std::unique_ptr<Control> m_control;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<QObject> m_server;
};

QTEST_MAIN(TestWindowsPipe)
#include "test_windows_pipe.moc"
