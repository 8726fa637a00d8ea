#include "control/runningcopy.h"

#include "control/busnames_linux.h"
#include "control/command.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFileInfo>

namespace quendral {

namespace {

// Monitor and Stop answer with a note, empty unless there was nothing to do.
bool hasNote(const QString &method)
{
    const auto kind = Command::fromMethod(method);
    return kind == Command::Kind::Monitor || kind == Command::Kind::Stop;
}

// The session bus as session tools find it: the address the session gave,
// else the user's bus at $XDG_RUNTIME_DIR/bus (a login over SSH has that
// bus but not the variable).
QDBusConnection sessionBus(const QString &name)
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = runtime.isEmpty() ? QString() : runtime + QStringLiteral("/bus");
    if (socket.isEmpty() || !QFileInfo(socket).exists())
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return QDBusConnection::connectToBus(QStringLiteral("unix:path=") + socket, name);
}

} // namespace

Reply callRunningCopy(const QString &method, const QString &argument)
{
    // A connection of its own, closed again: the program that may start
    // after it (--monitor) makes the session bus connection of its
    // application.
    const QString name = QStringLiteral("quendral-command-line");
    // Registered before the bus is first used: Qt's registry of types then
    // outlives the bus's thread at exit (statics end in reverse order), and
    // that thread, which hands on the connection's last messages as the
    // program ends, still finds these two types.
    qRegisterMetaType<QDBusMessage>();
    qRegisterMetaType<QDBusError>();
    const auto answer = [&]() -> QDBusMessage {
        QDBusConnection bus = sessionBus(name);
        if (!bus.isConnected())
            return {};
        QDBusMessage call =
            QDBusMessage::createMethodCall(busnames::service(), busnames::path(), busnames::interface(), method);
        if (method == QLatin1String("Add"))
            call << argument;
        // No start of a service by the bus: a name without a running copy is
        // simply not running.
        call.setAutoStartService(false);
        return bus.call(call);
    }();
    QDBusConnection::disconnectFromBus(name);
    if (answer.type() == QDBusMessage::ReplyMessage) {
        const QVariant first = answer.arguments().value(0);
        if (hasNote(method))
            return Reply::note(first.toString());
        return {Reply::Outcome::Done, {}, qdbus_cast<QVariantMap>(first)};
    }
    const QString error = answer.errorName();
    if (answer.type() == QDBusMessage::InvalidMessage ||
        error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {Reply::Outcome::NotRunning, {}, {}};
    return Reply::refused(answer.errorMessage());
}

} // namespace quendral
