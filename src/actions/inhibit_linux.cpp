#include "actions/inhibit_linux.h"

#include "actions/inhibit.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace quendral {

namespace {

// Asked when monitoring starts, with the menu just clicked.
constexpr int inhibitTimeoutMs = 2000;

} // namespace

LogindSleepInhibitor::LogindSleepInhibitor(const QDBusConnection &bus)
    : m_bus(bus)
{
}

LogindSleepInhibitor::~LogindSleepInhibitor()
{
    release();
}

bool LogindSleepInhibitor::hold(const QString &why)
{
    if (held())
        return true;
    if (!m_bus.isConnected() || !(m_bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    message << QStringLiteral("sleep:idle") << QStringLiteral("Quendral") << why << QStringLiteral("block");
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, inhibitTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    const auto descriptor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
    if (!descriptor.isValid())
        return false;
    // Our own copy, closed only by release() or the end of the process; the
    // reply's copy goes with the reply.
    m_fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    return m_fd >= 0;
}

void LogindSleepInhibitor::release()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

std::unique_ptr<SleepInhibitor> makeSleepInhibitor()
{
    return std::make_unique<LogindSleepInhibitor>(QDBusConnection::systemBus());
}

} // namespace quendral
