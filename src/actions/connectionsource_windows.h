#pragma once

#include "actions/connectionsource.h"

#include <windows.h>

namespace quendral {

// The Remote Access Service calls, named so that tests can stand in for them.
struct RasCalls
{
    DWORD(WINAPI *enumConnections)(void *connections, DWORD *bufferSize, DWORD *count);
    DWORD(WINAPI *getConnectStatus)(HANDLE connection, void *status);
    DWORD(WINAPI *hangUp)(HANDLE connection);
    DWORD(WINAPI *getStatistics)(HANDLE connection, void *statistics);

    // rasapi32's own functions.
    static RasCalls system();
};

// The dial-up connections of the Remote Access Service. The list is asked for
// in the oldest record version (a connection handle, an entry, device type and
// name), 256 records at a time; only the first listed connection's state is
// asked for, as only it decides whether we are connected.
class RasConnectionSource final : public ConnectionSource
{
public:
    static constexpr DWORD kMaxConnections = 256;
    static constexpr DWORD kConnected = 0x2000;

    explicit RasConnectionSource(RasCalls calls = RasCalls::system());

    std::optional<QList<DialupConnection>> connections() override;
    bool hang_up(const QString &handle) override;
    // From the connection's statistics (a 32-bit count that wraps at 4 GiB).
    std::optional<quint64> receivedBytes(const QString &handle) override;

private:
    RasCalls m_calls;
};

} // namespace quendral
