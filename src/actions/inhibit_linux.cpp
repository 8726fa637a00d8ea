#include "actions/inhibit_linux.h"

#include "actions/inhibit.h"
#include "kit/logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    if (!m_bus.isConnected()) {
        qCWarning(lcSleep) << "No system bus for logind:" << m_bus.lastError().name() << m_bus.lastError().message();
        return false;
    }
    if (!(m_bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        qCWarning(lcSleep) << "The system bus passes no file descriptors: no sleep inhibitor";
        return false;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    message << QStringLiteral("sleep:idle") << QStringLiteral("Quendral") << why << QStringLiteral("block");
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, inhibitTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcSleep) << "Inhibit failed:" << reply.errorName() << reply.errorMessage();
        return false;
    }
    const auto descriptor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
    if (!descriptor.isValid()) {
        qCWarning(lcSleep) << "Inhibit answered no file descriptor";
        return false;
    }
    // Our own copy, closed only by release() or the end of the process; the
    // reply's copy goes with the reply.
    m_fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    if (m_fd < 0) {
        const int error = errno;
        qCWarning(lcSleep) << "Keeping the inhibitor's descriptor failed:" << strerrorname_np(error)
                           << std::strerror(error);
        return false;
    }
    qCDebug(lcSleep) << "Sleep inhibitor taken:" << why;
    return true;
}

void LogindSleepInhibitor::release()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    qCDebug(lcSleep) << "Sleep inhibitor released";
}

std::unique_ptr<SleepInhibitor> makeSleepInhibitor()
{
    return std::make_unique<LogindSleepInhibitor>(QDBusConnection::systemBus());
}

} // namespace quendral
