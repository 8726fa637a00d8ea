#pragma once

#include "actions/connectionsource.h"

#include <QDBusConnection>
#include <QSet>

#include <optional>

namespace quendral {

// What NetworkManager lists: its active dial-up connections (handles are the
// active connections' object paths) and the IP interfaces of their devices,
// so that the PPP links it dials itself are not listed a second time.
struct NetworkManagerListing
{
    QList<DialupConnection> connections;
    QSet<QString> ipInterfaces;
};

// NetworkManager on the given bus, asked with short time-outs and without
// starting it: a NetworkManager that is not running has nothing to list.
class NetworkManagerSource
{
public:
    explicit NetworkManagerSource(const QDBusConnection &bus);

    // Nothing when a running NetworkManager answers an error or too late.
    std::optional<NetworkManagerListing> list() const;
    // True when NetworkManager took the request or the connection is no
    // longer active.
    bool deactivate(const QString &activeConnection) const;

private:
    QDBusConnection m_bus;
};

} // namespace quendral
