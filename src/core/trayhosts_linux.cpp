#include "core/trayhosts.h"

#include "kit/logging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>

namespace quendral {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kCallTimeoutMs = 1000;
// How often the X11 tray selection is looked at while nobody owns it: the
// owner announces itself only to clients listening on the root window, which
// belongs to Qt's connection.
constexpr int kSelectionPollMs = 1000;

// The owner of the X11 system tray selection of the default screen, read on a
// connection of our own.
class SystemTraySelection
{
public:
    SystemTraySelection()
    {
        int screen = 0;
        m_connection = xcb_connect(nullptr, &screen);
        if (const int error = xcb_connection_has_error(m_connection); error != 0) {
            qCWarning(lcTray) << "Connecting to the X server for the system tray failed: xcb error" << error;
            return;
        }
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, name.size(), name.constData()), nullptr);
        if (reply)
            m_atom = reply->atom;
        std::free(reply);
    }
    ~SystemTraySelection() { xcb_disconnect(m_connection); }
    SystemTraySelection(const SystemTraySelection &) = delete;
    SystemTraySelection &operator=(const SystemTraySelection &) = delete;

    bool owned() const
    {
        if (m_atom == XCB_ATOM_NONE)
            return false;
        xcb_get_selection_owner_reply_t *reply =
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_atom), nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        return owned;
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_atom_t m_atom = XCB_ATOM_NONE;
};

class DesktopTrayHosts : public TrayHosts
{
    Q_OBJECT

public:
    DesktopTrayHosts()
        : m_bus(QDBusConnection::sessionBus())
    {
        if (m_bus.isConnected()) {
            auto *watcher = new QDBusServiceWatcher(kWatcher, m_bus, QDBusServiceWatcher::WatchForRegistration, this);
            connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHosts::changed);
            // Qt D-Bus delivers bus signals to slots named by string only.
            if (!m_bus.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"), this,
                               SLOT(hostRegistered())))
                qCWarning(lcTray) << "Subscribing to StatusNotifierHostRegistered failed:" << m_bus.lastError().name()
                                  << m_bus.lastError().message();
        }
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            m_selection = std::make_unique<SystemTraySelection>();
            m_poll = new QTimer(this);
            m_poll->setInterval(kSelectionPollMs);
            connect(m_poll, &QTimer::timeout, this, &DesktopTrayHosts::pollSelection);
            m_poll->start();
        }
    }

    TrayKind present() const override
    {
        // Qt prefers a StatusNotifier host when both kinds are there.
        if (statusNotifierHostRegistered())
            return TrayKind::StatusNotifier;
        if (m_selection && m_selection->owned())
            return TrayKind::Embedding;
        return TrayKind::None;
    }

private slots:
    void hostRegistered() { emit changed(); }

private:
    bool statusNotifierHostRegistered() const
    {
        if (!m_bus.isConnected())
            return false;
        QDBusMessage call = QDBusMessage::createMethodCall(
            kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        call.setArguments({kWatcher, QStringLiteral("IsStatusNotifierHostRegistered")});
        call.setAutoStartService(false);
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
        // No watcher is a desktop without StatusNotifier trays, and one that
        // owns its name before it serves its object is starting: neither is
        // a failure.
        static const QStringList notThere = {QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
                                             QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                                             QStringLiteral("org.freedesktop.DBus.Error.UnknownObject")};
        if (notThere.contains(reply.errorName()))
            return false;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            qCWarning(lcTray) << "Asking the StatusNotifierWatcher for a host failed:" << reply.errorName()
                              << reply.errorMessage();
            return false;
        }
        return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    }

    void pollSelection()
    {
        if (!m_selection->owned())
            return;
        m_poll->stop();
        emit changed();
    }

    QDBusConnection m_bus;
    std::unique_ptr<SystemTraySelection> m_selection;
    QTimer *m_poll = nullptr;
};

} // namespace

std::unique_ptr<TrayHosts> makeTrayHosts()
{
    return std::make_unique<DesktopTrayHosts>();
}

} // namespace quendral

#include "trayhosts_linux.moc"
