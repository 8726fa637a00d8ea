#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quendral {

// One dial-up connection as the platform lists it: an opaque handle that the
// hang-up request names, and whether it is fully connected.
struct DialupConnection
{
    QString handle;
    bool connected = false;

    bool operator==(const DialupConnection &) const = default;
};

// The platform's dial-up service: its ordered list of connections and a
// hang-up request per connection. Each call asks the service afresh.
class ConnectionSource
{
public:
    virtual ~ConnectionSource() = default;
    // The connections in the service's own order, or nothing when the
    // service could not list them.
    virtual std::optional<QList<DialupConnection>> connections() = 0;
    // Asks one connection to hang up; true when the service took the request
    // (or the connection was already down).
    virtual bool hang_up(const QString &handle) = 0;
    // Bytes received so far over one connection; nothing where the service
    // cannot tell.
    virtual std::optional<quint64> receivedBytes(const QString &handle)
    {
        Q_UNUSED(handle);
        return std::nullopt;
    }
    // While on, a service that refreshes its counters only on request keeps
    // them fresh.
    virtual void setMetering(bool on) { Q_UNUSED(on); }
};

} // namespace quendral
