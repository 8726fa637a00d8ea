#include "actions/connectionsource_linux.h"

namespace quendral {

LinuxConnectionSource::LinuxConnectionSource(const QDBusConnection &bus, const PppSource &ppp)
    : m_networkManager(bus)
    , m_ppp(ppp)
{
}

std::optional<QList<DialupConnection>> LinuxConnectionSource::connections()
{
    auto managed = m_networkManager.list();
    if (!managed)
        return std::nullopt;
    // NetworkManager dials serial modems and PPPoE through pppd as well; its
    // links are listed once, as its own.
    return managed->connections + m_ppp.list(managed->ipInterfaces);
}

bool LinuxConnectionSource::hang_up(const QString &handle)
{
    // NetworkManager's handles are object paths; a PPP link's handle is an
    // interface name, which never contains a slash.
    if (handle.startsWith(QLatin1Char('/')))
        return m_networkManager.deactivate(handle);
    return m_ppp.hang_up(handle);
}

std::optional<quint64> LinuxConnectionSource::receivedBytes(const QString &handle)
{
    if (!handle.startsWith(QLatin1Char('/')))
        return m_ppp.receivedBytes(handle);
    if (const auto bytes = m_networkManager.receivedBytes(handle))
        return bytes;
    // NetworkManager without device statistics, or with counters it does not
    // keep up to date: the kernel's counters of the connection's interfaces,
    // and an unreadable sample without them.
    const QStringList names = m_networkManager.ipInterfaces(handle);
    if (names.isEmpty())
        return std::nullopt;
    quint64 total = 0;
    for (const QString &name : names) {
        const auto bytes = m_ppp.receivedBytes(name);
        if (!bytes)
            return std::nullopt;
        total += *bytes;
    }
    return total;
}

void LinuxConnectionSource::setMetering(bool on)
{
    m_networkManager.setMetering(on);
}

} // namespace quendral
