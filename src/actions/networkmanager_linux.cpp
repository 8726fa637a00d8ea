#include "actions/networkmanager_linux.h"

#include "base/logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <iterator>

namespace quendral {

namespace {

const QString service = QStringLiteral("org.freedesktop.NetworkManager");
const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString managerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString activeInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString deviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString statisticsInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Statistics");
const QString settingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A stuck NetworkManager must not hold the tray for Qt's 25 s default.
constexpr int readTimeoutMs = 2000;
constexpr int deactivateTimeoutMs = 5000;

// How often a metered device's counters are brought up to date: often
// enough for any tick, seldom enough to cost nothing.
constexpr uint refreshRateMs = 1000;

// NM_ACTIVE_CONNECTION_STATE_ACTIVATED
constexpr uint activatedState = 2;
// NM_METERED_YES and NM_METERED_GUESS_YES; the connection setting knows only
// the first.
constexpr int meteredYes = 1;
constexpr int meteredGuessYes = 3;

using SettingsMap = QMap<QString, QVariantMap>;

enum class Outcome { Answered, Gone, Failed };

struct Reply
{
    Outcome outcome = Outcome::Failed;
    QVariant value;
};

QDBusMessage methodCall(const QString &path, const QString &interface, const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setAutoStartService(false);
    return message;
}

// "Gone" is NetworkManager not running (we never start it) or an object that
// vanished between listing and reading, a connection that went down
// meanwhile; neither is a failure of the service.
Reply ask(const QDBusConnection &bus, const QDBusMessage &message)
{
    const QDBusMessage reply = bus.call(message, QDBus::Block, readTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {Outcome::Answered, reply.arguments().value(0)};
    static const QStringList goneErrors = {
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
    };
    if (goneErrors.contains(reply.errorName()))
        return {Outcome::Gone, {}};
    qCWarning(lcDialup) << "NetworkManager" << message.member() << "of" << message.path()
                        << "failed:" << reply.errorName() << reply.errorMessage();
    return {Outcome::Failed, {}};
}

Reply readProperty(const QDBusConnection &bus, const QString &path, const QString &interface, const QString &name)
{
    QDBusMessage message = methodCall(path, propertiesInterface, QStringLiteral("Get"));
    message << interface << name;
    Reply reply = ask(bus, message);
    reply.value = qdbus_cast<QDBusVariant>(reply.value).variant();
    return reply;
}

QList<QDBusObjectPath> objectPaths(const QVariant &value)
{
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}

QVariantMap propertiesOf(const QVariant &changed)
{
    return qdbus_cast<QVariantMap>(changed);
}

bool isModemType(const QString &type)
{
    return type == QLatin1String("gsm") || type == QLatin1String("cdma") || type == QLatin1String("pppoe") ||
           type == QLatin1String("adsl");
}

// Whether the stored settings make an active connection of `type` a dial-up
// link: a modem type, a Bluetooth modem link (DUN, not PAN), or a connection
// the user marked as metered. Nothing when NetworkManager could not tell.
std::optional<bool> dialupBySettings(const QDBusConnection &bus, const QString &type, const QString &settingsPath)
{
    if (isModemType(type))
        return true;
    const Reply settings = ask(bus, methodCall(settingsPath, settingsInterface, QStringLiteral("GetSettings")));
    if (settings.outcome == Outcome::Failed)
        return std::nullopt;
    const SettingsMap map = qdbus_cast<SettingsMap>(settings.value);
    if (map.value(QStringLiteral("connection")).value(QStringLiteral("metered")).toInt() == meteredYes)
        return true;
    return type == QLatin1String("bluetooth") &&
           map.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString() == QLatin1String("dun");
}

// NetworkManager's own verdict, from the connection's setting or its guess.
bool meteredDevice(const NetworkManagerSource::Device &device)
{
    return device.metered == meteredYes || device.metered == meteredGuessYes;
}

} // namespace

NetworkManagerSource::NetworkManagerSource(const QDBusConnection &bus)
    : m_bus(bus)
{
    qDBusRegisterMetaType<SettingsMap>();
}

bool NetworkManagerSource::subscribe()
{
    // A NetworkManager that stops or restarts forgets its connections: so
    // do we, and the next listing reads them afresh.
    m_watcher = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &NetworkManagerSource::managerReplaced);
    const QString changed = QStringLiteral("PropertiesChanged");
    // Matching on the interface argument lets the bus drop the frequent
    // changes of other objects (access points, statistics) before they wake
    // us.
    const bool subscribed = m_bus.connect(service, managerPath, propertiesInterface, changed, {managerInterface},
                                          QString(), this, SLOT(managerChanged(QDBusMessage))) &&
                            m_bus.connect(service, QString(), propertiesInterface, changed, {activeInterface},
                                          QString(), this, SLOT(activeChanged(QDBusMessage))) &&
                            m_bus.connect(service, QString(), propertiesInterface, changed, {deviceInterface},
                                          QString(), this, SLOT(deviceChanged(QDBusMessage)));
    // Not fatal: every listing then asks NetworkManager afresh.
    if (!subscribed)
        qCWarning(lcDialup) << "Subscribing to NetworkManager's changes failed:" << m_bus.lastError().name()
                            << m_bus.lastError().message();
    return subscribed;
}

std::optional<NetworkManagerListing> NetworkManagerSource::list()
{
    // Without a system bus, or without NetworkManager on it, the machine may
    // still dial with pppd alone: nothing to list here, but no failure.
    if (!m_bus.isConnected())
        return NetworkManagerListing();
    if (!m_tried) {
        m_tried = true;
        m_subscribed = subscribe();
    }
    if (!m_subscribed)
        forget();
    if (!m_order) {
        const Reply active = readProperty(m_bus, managerPath, managerInterface, QStringLiteral("ActiveConnections"));
        if (active.outcome == Outcome::Failed)
            return std::nullopt;
        QStringList order;
        for (const QDBusObjectPath &path : objectPaths(active.value))
            order.append(path.path());
        m_order = order;
    }
    if (!learn())
        return std::nullopt;
    return listing();
}

bool NetworkManagerSource::learn()
{
    const QStringList order = *m_order;
    for (const QString &path : order) {
        if (m_active.contains(path))
            continue;
        QDBusMessage getAll = methodCall(path, propertiesInterface, QStringLiteral("GetAll"));
        getAll << activeInterface;
        const Reply properties = ask(m_bus, getAll);
        if (properties.outcome == Outcome::Failed)
            return false;
        // Gone between listing and reading: it went down meanwhile.
        if (properties.outcome == Outcome::Gone) {
            m_order->removeAll(path);
            continue;
        }
        const QVariantMap values = qdbus_cast<QVariantMap>(properties.value);
        const auto bySettings =
            dialupBySettings(m_bus, values.value(QStringLiteral("Type")).toString(),
                             qdbus_cast<QDBusObjectPath>(values.value(QStringLiteral("Connection"))).path());
        if (!bySettings)
            return false;
        Active active{values.value(QStringLiteral("State")).toUInt(), *bySettings, {}};
        qCDebug(lcDialup) << "Active connection" << path << "of type" << values.value(QStringLiteral("Type")).toString()
                          << "in state" << active.state << (*bySettings ? "is dial-up by its settings" : "");
        for (const QDBusObjectPath &device : objectPaths(values.value(QStringLiteral("Devices")))) {
            active.devices.append(device.path());
            if (m_devices.contains(device.path()))
                continue;
            QDBusMessage getDevice = methodCall(device.path(), propertiesInterface, QStringLiteral("GetAll"));
            getDevice << deviceInterface;
            const Reply deviceProperties = ask(m_bus, getDevice);
            if (deviceProperties.outcome == Outcome::Failed)
                return false;
            const QVariantMap deviceValues = qdbus_cast<QVariantMap>(deviceProperties.value);
            m_devices.insert(device.path(), {deviceValues.value(QStringLiteral("IpInterface")).toString(),
                                             deviceValues.value(QStringLiteral("Metered")).toUInt()});
        }
        m_active.insert(path, active);
    }
    return true;
}

NetworkManagerListing NetworkManagerSource::listing() const
{
    NetworkManagerListing result;
    for (const QString &path : *m_order) {
        const auto active = m_active.constFind(path);
        if (active == m_active.cend())
            continue;
        bool dialup = active->dialupBySettings;
        for (const QString &device : active->devices)
            dialup = dialup || meteredDevice(m_devices.value(device));
        if (!dialup)
            continue;
        result.connections.append({path, active->state == activatedState});
        for (const QString &device : active->devices) {
            const QString name = m_devices.value(device).ipInterface;
            if (!name.isEmpty())
                result.ipInterfaces.insert(name);
        }
    }
    return result;
}

void NetworkManagerSource::managerChanged(const QDBusMessage &message)
{
    if (!m_order)
        return;
    const QVariantMap changed = propertiesOf(message.arguments().value(1));
    const auto active = changed.constFind(QStringLiteral("ActiveConnections"));
    if (active == changed.cend())
        return;
    QStringList order;
    for (const QDBusObjectPath &path : objectPaths(*active))
        order.append(path.path());
    m_order = order;
    // What went away is forgotten, so that the caches hold no more than the
    // connections that are up.
    QSet<QString> devicesInUse;
    for (auto it = m_active.begin(); it != m_active.end();) {
        if (!order.contains(it.key())) {
            it = m_active.erase(it);
            continue;
        }
        for (const QString &device : it->devices)
            devicesInUse.insert(device);
        ++it;
    }
    for (auto it = m_devices.begin(); it != m_devices.end();)
        it = devicesInUse.contains(it.key()) ? std::next(it) : m_devices.erase(it);
}

void NetworkManagerSource::activeChanged(const QDBusMessage &message)
{
    const auto active = m_active.find(message.path());
    if (active == m_active.end())
        return;
    const QVariantMap changed = propertiesOf(message.arguments().value(1));
    if (changed.contains(QStringLiteral("Devices"))) {
        // Read again, with its new devices, at the next listing.
        m_active.erase(active);
        return;
    }
    const auto state = changed.constFind(QStringLiteral("State"));
    if (state != changed.cend())
        active->state = state->toUInt();
}

void NetworkManagerSource::deviceChanged(const QDBusMessage &message)
{
    const auto device = m_devices.find(message.path());
    if (device == m_devices.end())
        return;
    // A modem's PPP interface appears while it connects, after we first saw
    // it; its metered verdict follows the user's settings.
    const QVariantMap changed = propertiesOf(message.arguments().value(1));
    const auto ipInterface = changed.constFind(QStringLiteral("IpInterface"));
    if (ipInterface != changed.cend())
        device->ipInterface = ipInterface->toString();
    const auto metered = changed.constFind(QStringLiteral("Metered"));
    if (metered != changed.cend())
        device->metered = metered->toUInt();
}

void NetworkManagerSource::forget()
{
    m_order.reset();
    m_active.clear();
    m_devices.clear();
}

bool NetworkManagerSource::deactivate(const QString &activeConnection)
{
    QDBusMessage message = methodCall(managerPath, managerInterface, QStringLiteral("DeactivateConnection"));
    message << QVariant::fromValue(QDBusObjectPath(activeConnection));
    qCDebug(lcDialup) << "Asking NetworkManager to deactivate" << activeConnection;
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, deactivateTimeoutMs);
    const bool done = reply.type() == QDBusMessage::ReplyMessage ||
                      reply.errorName() == QLatin1String("org.freedesktop.NetworkManager.ConnectionNotActive");
    if (!done)
        qCWarning(lcDialup) << "NetworkManager DeactivateConnection of" << activeConnection
                            << "failed:" << reply.errorName() << reply.errorMessage();
    // Its removal is announced later; until then it is no longer ours to
    // list.
    if (done && m_order) {
        m_order->removeAll(activeConnection);
        m_active.remove(activeConnection);
    }
    return done;
}

std::optional<quint64> NetworkManagerSource::receivedBytes(const QString &activeConnection)
{
    const auto active = m_active.constFind(activeConnection);
    if (active == m_active.cend() || active->devices.isEmpty())
        return std::nullopt;
    quint64 total = 0;
    for (const QString &device : active->devices) {
        if (!refreshed(device))
            return std::nullopt;
        const Reply received = readProperty(m_bus, device, statisticsInterface, QStringLiteral("RxBytes"));
        if (received.outcome != Outcome::Answered)
            return std::nullopt;
        total += received.value.toULongLong();
    }
    return total;
}

bool NetworkManagerSource::refreshed(const QString &device)
{
    // Read at every sample: NetworkManager may have restarted, or another
    // program may have put the refresh back to 0, since the last one.
    const Reply rate = readProperty(m_bus, device, statisticsInterface, QStringLiteral("RefreshRateMs"));
    if (rate.outcome != Outcome::Answered)
        return false;
    if (rate.value.toUInt() > 0)
        return true;
    // Switched on for the samples to come; this one's counter may be as old
    // as the moment the refresh stopped.
    if (m_metering && !m_refused.contains(device)) {
        QDBusMessage set = methodCall(device, propertiesInterface, QStringLiteral("Set"));
        set << statisticsInterface << QStringLiteral("RefreshRateMs")
            << QVariant::fromValue(QDBusVariant(QVariant::fromValue(refreshRateMs)));
        if (ask(m_bus, set).outcome == Outcome::Answered)
            m_refreshing.insert(device);
        else
            m_refused.insert(device);
    }
    return false;
}

QStringList NetworkManagerSource::ipInterfaces(const QString &activeConnection) const
{
    QStringList names;
    for (const QString &device : m_active.value(activeConnection).devices) {
        const QString name = m_devices.value(device).ipInterface;
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

void NetworkManagerSource::setMetering(bool on)
{
    m_metering = on;
    if (on)
        return;
    for (const QString &device : std::as_const(m_refreshing)) {
        QDBusMessage set = methodCall(device, propertiesInterface, QStringLiteral("Set"));
        set << statisticsInterface << QStringLiteral("RefreshRateMs")
            << QVariant::fromValue(QDBusVariant(QVariant::fromValue(uint(0))));
        ask(m_bus, set);
    }
    m_refreshing.clear();
    m_refused.clear();
}

void NetworkManagerSource::managerReplaced()
{
    // A NetworkManager that starts anew has no refresh of ours to put back,
    // and may take the request it refused.
    forget();
    m_refreshing.clear();
    m_refused.clear();
}

} // namespace quendral
