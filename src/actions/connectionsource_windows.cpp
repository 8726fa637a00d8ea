#include "actions/connectionsource_windows.h"

#include "base/logging.h"

#include <ras.h>
#include <raserror.h>

#include <QElapsedTimer>
#include <QThread>

#include <vector>

namespace quendral {

namespace {

// The oldest ANSI records of the service. The size field names the version:
// 412 and 160 bytes in a 32-bit program; in a 64-bit one the handle is wider,
// so the list record is 424 bytes.
struct RasConnRecord
{
    DWORD dwSize;
    HRASCONN hrasconn;
    CHAR szEntryName[RAS_MaxEntryName + 1];
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
static_assert(sizeof(void *) != 4 || sizeof(RasConnRecord) == 412);

struct RasStatusRecord
{
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MaxDeviceType + 1];
    CHAR szDeviceName[RAS_MaxDeviceName + 1];
};
static_assert(sizeof(RasStatusRecord) == 160);

// The statistics record (RAS_STATS): sizes, byte and frame counts, error
// counts, compression, speed and duration.
struct RasStatsRecord
{
    DWORD dwSize;
    DWORD dwBytesXmited;
    DWORD dwBytesRcved;
    DWORD rest[12];
};
static_assert(sizeof(RasStatsRecord) == 60);

// How long a hang-up may take to release the connection: the service ends a
// link in the background, and a handle given up too early can leave the
// modem off the hook.
constexpr qint64 kReleaseWaitMs = 3000;

QString handleText(HRASCONN handle)
{
    return QString::number(reinterpret_cast<quintptr>(handle));
}

HRASCONN handleFrom(const QString &text)
{
    return reinterpret_cast<HRASCONN>(static_cast<quintptr>(text.toULongLong()));
}

DWORD WINAPI systemEnum(void *connections, DWORD *bufferSize, DWORD *count)
{
    return RasEnumConnectionsA(static_cast<LPRASCONNA>(connections), bufferSize, count);
}

DWORD WINAPI systemStatus(HANDLE connection, void *status)
{
    return RasGetConnectStatusA(static_cast<HRASCONN>(connection), static_cast<LPRASCONNSTATUSA>(status));
}

DWORD WINAPI systemHangUp(HANDLE connection)
{
    return RasHangUpA(static_cast<HRASCONN>(connection));
}

// Looked up when first asked for, so that a system without it (Wine) still
// starts the program.
DWORD WINAPI systemStatistics(HANDLE connection, void *statistics)
{
    using Function = DWORD(WINAPI *)(HRASCONN, void *);
    static const auto function = reinterpret_cast<Function>(
        reinterpret_cast<void *>(GetProcAddress(LoadLibraryA("rasapi32.dll"), "RasGetConnectionStatistics")));
    return function ? function(static_cast<HRASCONN>(connection), statistics) : DWORD(ERROR_CALL_NOT_IMPLEMENTED);
}

} // namespace

RasCalls RasCalls::system()
{
    return {systemEnum, systemStatus, systemHangUp, systemStatistics};
}

RasConnectionSource::RasConnectionSource(RasCalls calls)
    : m_calls(calls)
{
}

std::optional<QList<DialupConnection>> RasConnectionSource::connections()
{
    std::vector<RasConnRecord> list(kMaxConnections, RasConnRecord{});
    list[0].dwSize = sizeof(RasConnRecord);
    DWORD bufferSize = DWORD(list.size() * sizeof(RasConnRecord));
    DWORD count = 0;
    if (const DWORD error = m_calls.enumConnections(list.data(), &bufferSize, &count); error != 0) {
        qCWarning(lcDialup) << "RasEnumConnections failed: RAS error" << error;
        return std::nullopt;
    }

    // The first record's state is asked for even when the list is empty: its
    // handle is then zero, the call fails and the state stays "not connected".
    RasStatusRecord status{};
    status.dwSize = sizeof(RasStatusRecord);
    const DWORD statusError = m_calls.getConnectStatus(list[0].hrasconn, &status);
    if (count > 0 && statusError != 0)
        qCWarning(lcDialup) << "RasGetConnectStatus failed: RAS error" << statusError;

    QList<DialupConnection> result;
    for (DWORD i = 0; i < count && i < kMaxConnections; ++i)
        result.append({handleText(list[i].hrasconn), i == 0 && status.rasconnstate == kConnected});
    return result;
}

bool RasConnectionSource::hang_up(const QString &handle)
{
    const HRASCONN connection = handleFrom(handle);
    if (const DWORD error = m_calls.hangUp(connection); error != 0)
        qCWarning(lcDialup) << "RasHangUp of" << handle << "failed: RAS error" << error;
    // The handle stays valid until the link is down; wait for that, bounded.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kReleaseWaitMs) {
        RasStatusRecord status{};
        status.dwSize = sizeof(RasStatusRecord);
        if (m_calls.getConnectStatus(connection, &status) == ERROR_INVALID_HANDLE) {
            qCDebug(lcDialup) << "Connection" << handle << "released after" << waited.elapsed() << "ms";
            return true;
        }
        QThread::msleep(50);
    }
    qCWarning(lcDialup) << "Connection" << handle << "still not released after" << kReleaseWaitMs << "ms";
    return true;
}

std::optional<quint64> RasConnectionSource::receivedBytes(const QString &handle)
{
    RasStatsRecord statistics{};
    statistics.dwSize = sizeof(RasStatsRecord);
    if (const DWORD error = m_calls.getStatistics(handleFrom(handle), &statistics); error != 0) {
        qCDebug(lcDialup) << "RasGetConnectionStatistics of" << handle << "failed: error" << error;
        return std::nullopt;
    }
    return statistics.dwBytesRcved;
}

} // namespace quendral
