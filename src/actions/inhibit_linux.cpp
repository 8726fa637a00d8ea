#include "actions/inhibit_linux.h"

#include "actions/inhibit.h"
#include "base/logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace quendral {

namespace {

// Asked when monitoring starts, with the menu just clicked.
constexpr int inhibitTimeoutMs = 2000;

const QString logind = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

LogindSleepInhibitor::LogindSleepInhibitor(const QDBusConnection &bus)
    : m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    auto *watcher = new QDBusServiceWatcher(logind, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) { logindReturned(newOwner); });
    // Qt D-Bus delivers bus signals to slots named by string only.
    if (!m_bus.connect(logind, logindPath, managerInterface, QStringLiteral("PrepareForSleep"), this,
                       SLOT(prepareForSleep(bool))))
        qCWarning(lcSleep) << "Subscribing to PrepareForSleep failed:" << m_bus.lastError().name()
                           << m_bus.lastError().message();
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
    m_why = why;
    QDBusMessage message =
        QDBusMessage::createMethodCall(logind, logindPath, managerInterface, QStringLiteral("Inhibit"));
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

void LogindSleepInhibitor::logindReturned(const QString &newOwner)
{
    if (newOwner.isEmpty() || !held())
        return;
    // A logind that kept its inhibitors over the restart still honours the
    // old descriptor, one that did not has forgotten it: the old one goes
    // only once a new one is held.
    qCDebug(lcSleep) << "logind restarted: taking the sleep inhibitor again";
    const int old = std::exchange(m_fd, -1);
    if (hold(m_why))
        ::close(old);
    else
        m_fd = old;
}

void LogindSleepInhibitor::prepareForSleep(bool sleeping)
{
    // Going to sleep all the same (forced, or nothing held): the state is on
    // disk already, and the timers wait out the sleep.
    qCDebug(lcSleep) << (sleeping ? "The computer goes to sleep" : "The computer woke");
    if (!sleeping)
        emit woke();
}

std::unique_ptr<SleepInhibitor> makeSleepInhibitor()
{
    return std::make_unique<LogindSleepInhibitor>(QDBusConnection::systemBus());
}

} // namespace quendral
