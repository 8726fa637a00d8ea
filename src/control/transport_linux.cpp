#include "control/transport.h"

#include "kit/logging.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QFile>

namespace quendral {

namespace {

const QString kPath = QStringLiteral("/org/example/Quendral");
const QString kInterface = QStringLiteral("org.example.Quendral");
const QString kRefused = QStringLiteral("org.example.Quendral.Error.Refused");

// The application id, the packaging's choice.
QString serviceName()
{
    return QStringLiteral(QUENDRAL_APP_ID);
}

// Monitor and Stop answer with a note, empty unless there was nothing to do.
bool hasNote(const QString &method)
{
    return method == QLatin1String("Monitor") || method == QLatin1String("Stop");
}

// The interface as the checked-in introspection describes it; the messages go
// to Control by their names.
class DBusControl final : public QDBusVirtualObject
{
public:
    DBusControl(Control &control, QObject *parent)
        : QDBusVirtualObject(parent)
        , m_control(control)
    {
        QFile xml(QStringLiteral(":/control/quendral-control.xml"));
        if (xml.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(xml.readAll());
            const qsizetype from = text.indexOf(QLatin1String("<interface"));
            const qsizetype to = text.lastIndexOf(QLatin1String("</interface>"));
            if (from >= 0 && to > from)
                m_introspection = text.mid(from, to - from + 12);
        }
        connect(&control, &Control::stateChanged, this, [](const QString &state) {
            QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("StateChanged"));
            signal << state;
            QDBusConnection::sessionBus().send(signal);
        });
    }

    QString introspect(const QString &path) const override { return path == kPath ? m_introspection : QString(); }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (!message.interface().isEmpty() && message.interface() != kInterface)
            return false;
        const bool add = message.member() == QLatin1String("Add");
        if (message.signature() != (add ? QLatin1String("s") : QLatin1String(""))) {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("wrong arguments")));
            return true;
        }
        const QString argument = add ? message.arguments().constFirst().toString() : QString();
        return m_control.run(message.member(), argument, [message, connection](const Reply &reply) {
            QDBusMessage answer = reply.outcome == Reply::Outcome::Done
                                      ? message.createReply()
                                      : message.createErrorReply(kRefused, reply.text);
            if (reply.outcome == Reply::Outcome::Done && message.member() == QLatin1String("Status"))
                answer << reply.status;
            else if (reply.outcome == Reply::Outcome::Done && hasNote(message.member()))
                answer << reply.text;
            QDBusConnection(connection).send(answer);
        });
    }

private:
    Control &m_control;
    QString m_introspection;
};

} // namespace

QObject *serveControl(Control &control, QObject *parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcTray) << "No session bus: the command line cannot reach this copy";
        return nullptr;
    }
    auto *server = new DBusControl(control, parent);
    if (!bus.registerVirtualObject(kPath, server) || !bus.registerService(serviceName())) {
        qCWarning(lcTray) << "Cannot own" << serviceName() << "on the session bus:" << bus.lastError().message();
        bus.unregisterObject(kPath);
        delete server;
        return nullptr;
    }
    return server;
}

Reply callRunningCopy(const QString &method, const QString &argument)
{
    // A connection of its own, closed again: the program that may start
    // after it (--monitor) makes the session bus connection of its
    // application.
    const QString name = QStringLiteral("quendral-command-line");
    const auto answer = [&]() -> QDBusMessage {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        if (!bus.isConnected())
            return {};
        QDBusMessage call = QDBusMessage::createMethodCall(serviceName(), kPath, kInterface, method);
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
