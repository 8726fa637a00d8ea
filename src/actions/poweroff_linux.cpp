#include "actions/poweroff_linux.h"

#include "actions/poweroff.h"

#include <QDBusMessage>

namespace quendral {

namespace {

// Long enough for polkit to decide, short enough not to freeze the tray for
// Qt's 25 s default when logind is stuck.
constexpr int powerOffTimeoutMs = 5000;

} // namespace

LogindPowerControl::LogindPowerControl(const QDBusConnection &bus)
    : m_bus(bus)
{
}

void LogindPowerControl::power_off()
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    message << false;
    message.setAutoStartService(false);
    m_bus.call(message, QDBus::Block, powerOffTimeoutMs);
}

std::unique_ptr<PowerControl> makePowerControl()
{
    return std::make_unique<LogindPowerControl>(QDBusConnection::systemBus());
}

} // namespace quendral
