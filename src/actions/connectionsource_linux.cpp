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

} // namespace quendral
