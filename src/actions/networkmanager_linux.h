#pragma once

#include "actions/connectionsource.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <optional>

class QDBusServiceWatcher;

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
//
// Dial-up links are modem, PPPoE, ADSL and Bluetooth DUN connections, and any
// connection that NetworkManager marks as metered (paid by the megabyte, as
// mobile broadband and phone tethering are).
//
// The first listing subscribes to NetworkManager's change signals; from then
// on the active connections and their states are followed as they change, so
// that a listing costs no round trip unless a new connection has to be
// looked at. Without the signals every listing asks NetworkManager afresh.
// The signals arrive through the event loop of the thread that owns this.
class NetworkManagerSource : public QObject
{
    Q_OBJECT

public:
    explicit NetworkManagerSource(const QDBusConnection &bus);

    // Nothing when a running NetworkManager answers an error or too late.
    std::optional<NetworkManagerListing> list();
    // True when NetworkManager took the request or the connection is no
    // longer active.
    bool deactivate(const QString &activeConnection);
    // Bytes received over the devices of a listed active connection, from
    // their statistics; nothing when NetworkManager has none to give, or
    // none it keeps up to date (their refresh is off: NetworkManager then
    // leaves the counters as they were).
    std::optional<quint64> receivedBytes(const QString &activeConnection);
    // The IP interfaces of a listed active connection's devices.
    QStringList ipInterfaces(const QString &activeConnection) const;
    // While on, the devices read are asked to refresh their statistics, which
    // NetworkManager otherwise leaves unchanged, again whenever the refresh
    // is found off; off puts back those we asked.
    void setMetering(bool on);

    // What is known of one active connection, and of the devices it runs on.
    struct Device
    {
        QString ipInterface;
        uint metered = 0;
    };
    struct Active
    {
        uint state = 0;
        // Modem-like by its type, or metered by its stored settings.
        bool dialupBySettings = false;
        QStringList devices;
    };

private slots:
    void managerChanged(const QDBusMessage &message);
    void activeChanged(const QDBusMessage &message);
    void deviceChanged(const QDBusMessage &message);
    void forget();
    void managerReplaced();

private:
    bool subscribe();
    // Reads what is not known yet of the active connections; false when
    // NetworkManager failed to answer.
    bool learn();
    // Whether NetworkManager keeps the device's counters up to date right
    // now; while metering, a refresh found off is asked for.
    bool refreshed(const QString &device);
    NetworkManagerListing listing() const;

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    bool m_tried = false;
    bool m_subscribed = false;
    // NetworkManager's ActiveConnections, once read and while followed.
    std::optional<QStringList> m_order;
    QHash<QString, Active> m_active;
    QHash<QString, Device> m_devices;
    bool m_metering = false;
    // Devices whose statistics refresh we switched on.
    QSet<QString> m_refreshing;
    // Devices whose refresh NetworkManager would not switch on.
    QSet<QString> m_refused;
};

} // namespace quendral
