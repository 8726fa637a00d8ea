#include "actions/networkmanager_linux.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace quendral {

namespace {

const QString service = QStringLiteral("org.freedesktop.NetworkManager");
const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString managerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString activeInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString deviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString settingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A stuck NetworkManager must not hold the tray for Qt's 25 s default.
constexpr int readTimeoutMs = 2000;
constexpr int deactivateTimeoutMs = 5000;

// NM_ACTIVE_CONNECTION_STATE_ACTIVATED
constexpr uint activatedState = 2;

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
    return {goneErrors.contains(reply.errorName()) ? Outcome::Gone : Outcome::Failed, {}};
}

Reply property(const QDBusConnection &bus, const QString &path, const QString &interface, const QString &name)
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

// Whether an active connection of `type` is a dial-up link; nothing when
// NetworkManager could not tell. Bluetooth is one only as a modem link (DUN),
// not as PAN, which its stored settings tell.
std::optional<bool> isDialup(const QDBusConnection &bus, const QString &type, const QString &settingsPath)
{
    if (type == QLatin1String("bluetooth")) {
        const Reply settings = ask(bus, methodCall(settingsPath, settingsInterface, QStringLiteral("GetSettings")));
        if (settings.outcome == Outcome::Failed)
            return std::nullopt;
        const QVariantMap bluetooth = qdbus_cast<SettingsMap>(settings.value).value(QStringLiteral("bluetooth"));
        return bluetooth.value(QStringLiteral("type")).toString() == QLatin1String("dun");
    }
    return type == QLatin1String("gsm") || type == QLatin1String("cdma") || type == QLatin1String("pppoe") ||
           type == QLatin1String("adsl");
}

// Adds the active connection at `path` to the listing when it is a dial-up
// link, with the IP interfaces of its devices.
Outcome addIfDialup(const QDBusConnection &bus, const QString &path, NetworkManagerListing &listing)
{
    QDBusMessage getAll = methodCall(path, propertiesInterface, QStringLiteral("GetAll"));
    getAll << activeInterface;
    const Reply properties = ask(bus, getAll);
    if (properties.outcome != Outcome::Answered)
        return properties.outcome;
    const QVariantMap values = qdbus_cast<QVariantMap>(properties.value);

    const auto dialup = isDialup(bus, values.value(QStringLiteral("Type")).toString(),
                                 qdbus_cast<QDBusObjectPath>(values.value(QStringLiteral("Connection"))).path());
    if (!dialup)
        return Outcome::Failed;
    if (!*dialup)
        return Outcome::Answered;

    listing.connections.append({path, values.value(QStringLiteral("State")).toUInt() == activatedState});
    for (const QDBusObjectPath &device : objectPaths(values.value(QStringLiteral("Devices")))) {
        const Reply ipInterface = property(bus, device.path(), deviceInterface, QStringLiteral("IpInterface"));
        if (ipInterface.outcome == Outcome::Failed)
            return Outcome::Failed;
        const QString name = ipInterface.value.toString();
        if (!name.isEmpty())
            listing.ipInterfaces.insert(name);
    }
    return Outcome::Answered;
}

} // namespace

NetworkManagerSource::NetworkManagerSource(const QDBusConnection &bus)
    : m_bus(bus)
{
    qDBusRegisterMetaType<SettingsMap>();
}

std::optional<NetworkManagerListing> NetworkManagerSource::list() const
{
    NetworkManagerListing listing;
    // Without a system bus, or without NetworkManager on it, the machine may
    // still dial with pppd alone: nothing to list here, but no failure.
    if (!m_bus.isConnected())
        return listing;
    const Reply active = property(m_bus, managerPath, managerInterface, QStringLiteral("ActiveConnections"));
    if (active.outcome == Outcome::Failed)
        return std::nullopt;
    for (const QDBusObjectPath &path : objectPaths(active.value)) {
        if (addIfDialup(m_bus, path.path(), listing) == Outcome::Failed)
            return std::nullopt;
    }
    return listing;
}

bool NetworkManagerSource::deactivate(const QString &activeConnection) const
{
    QDBusMessage message = methodCall(managerPath, managerInterface, QStringLiteral("DeactivateConnection"));
    message << QVariant::fromValue(QDBusObjectPath(activeConnection));
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, deactivateTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ||
           reply.errorName() == QLatin1String("org.freedesktop.NetworkManager.ConnectionNotActive");
}

} // namespace quendral
