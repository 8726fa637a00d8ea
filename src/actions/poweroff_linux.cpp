#include "actions/poweroff_linux.h"

#include "actions/poweroff.h"
#include "kit/logging.h"

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
    if (!m_bus.isConnected()) {
        qCWarning(lcPower) << "No system bus for logind:" << m_bus.lastError().name() << m_bus.lastError().message();
        return Ability::Unknown;
    }
    const QDBusMessage reply =
        m_bus.call(managerCall(QStringLiteral("CanPowerOff")), QDBus::Block, canPowerOffTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcPower) << "CanPowerOff failed:" << reply.errorName() << reply.errorMessage();
        return Ability::Unknown;
    }
    const QString answer = reply.arguments().value(0).toString();
    qCDebug(lcPower) << "logind answers CanPowerOff:" << answer;
    if (answer == QLatin1String("yes"))
        return Ability::Yes;
    if (answer == QLatin1String("challenge"))
        return Ability::Challenge;
    // "na": the machine cannot power off at all (no such operation here).
    if (answer == QLatin1String("no") || answer == QLatin1String("na"))
        return Ability::No;
    return Ability::Unknown;
}

QString LogindPowerControl::power_off()
{
    if (!m_bus.isConnected()) {
        qCWarning(lcPower) << "No system bus for logind:" << m_bus.lastError().name() << m_bus.lastError().message();
        const QString why = m_bus.lastError().message();
        return why.isEmpty() ? QStringLiteral("The system bus cannot be reached.") : why;
    }
    QDBusMessage message = managerCall(QStringLiteral("PowerOff"));
    message << false;
    qCDebug(lcPower) << "Asking logind to power off";
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, powerOffTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {};
    qCWarning(lcPower) << "PowerOff failed:" << reply.errorName() << reply.errorMessage();
    // logind's and polkit's own words; the error's name when they gave none.
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

std::unique_ptr<PowerControl> makePowerControl()
{
    return std::make_unique<LogindPowerControl>(QDBusConnection::systemBus());
}

} // namespace quendral
