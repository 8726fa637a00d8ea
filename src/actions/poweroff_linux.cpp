#include "actions/poweroff_linux.h"

#include "actions/poweroff.h"
#include "base/logging.h"

#include <QDBusMessage>

namespace quendral {

namespace {

// Long enough for polkit to decide, short enough not to freeze the tray for
// Qt's 25 s default when logind is stuck.
constexpr int powerOffTimeoutMs = 5000;
// CanPowerOff is asked when monitoring starts, with the menu just clicked.
constexpr int canPowerOffTimeoutMs = 2000;

QDBusMessage managerCall(const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                          QStringLiteral("/org/freedesktop/login1"),
                                                          QStringLiteral("org.freedesktop.login1.Manager"), method);
    message.setAutoStartService(false);
    return message;
}

} // namespace

LogindPowerControl::LogindPowerControl(const QDBusConnection &bus)
    : m_bus(bus)
{
}

PowerControl::Ability LogindPowerControl::canPowerOff()
{
    return ask(QStringLiteral("CanPowerOff"));
}

QString LogindPowerControl::powerOff()
{
    return request(QStringLiteral("PowerOff"));
}

PowerControl::Ability LogindPowerControl::canSleep(Action action)
{
    return ask(action == Action::Hibernate ? QStringLiteral("CanHibernate") : QStringLiteral("CanSuspend"));
}

QString LogindPowerControl::sleep(Action action)
{
    return request(action == Action::Hibernate ? QStringLiteral("Hibernate") : QStringLiteral("Suspend"));
}

PowerControl::Ability LogindPowerControl::ask(const QString &method)
{
    if (!m_bus.isConnected()) {
        qCWarning(lcPower) << "No system bus for logind:" << m_bus.lastError().name() << m_bus.lastError().message();
        return Ability::Unknown;
    }
    const QDBusMessage reply = m_bus.call(managerCall(method), QDBus::Block, canPowerOffTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcPower) << method << "failed:" << reply.errorName() << reply.errorMessage();
        return Ability::Unknown;
    }
    const QString answer = reply.arguments().value(0).toString();
    qCDebug(lcPower) << "logind answers" << method << answer;
    if (answer == QLatin1String("yes"))
        return Ability::Yes;
    if (answer == QLatin1String("challenge"))
        return Ability::Challenge;
    // "na": the machine cannot do it at all (no swap to hibernate to, say).
    if (answer == QLatin1String("no") || answer == QLatin1String("na"))
        return Ability::No;
    return Ability::Unknown;
}

QString LogindPowerControl::request(const QString &method)
{
    if (!m_bus.isConnected()) {
        qCWarning(lcPower) << "No system bus for logind:" << m_bus.lastError().name() << m_bus.lastError().message();
        const QString why = m_bus.lastError().message();
        return why.isEmpty() ? QStringLiteral("The system bus cannot be reached.") : why;
    }
    QDBusMessage message = managerCall(method);
    message << false;
    qCDebug(lcPower) << "Asking logind:" << method;
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, powerOffTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {};
    qCWarning(lcPower) << method << "failed:" << reply.errorName() << reply.errorMessage();
    // logind's and polkit's own words; the error's name when they gave none.
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

std::unique_ptr<PowerControl> makePowerControl()
{
    return std::make_unique<LogindPowerControl>(QDBusConnection::systemBus());
}

} // namespace quendral
