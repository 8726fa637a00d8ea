#include "tray/trayhosts.h"

#include "base/logging.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>

namespace quendral {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kCallTimeoutMs = 1000;
// How often the X11 tray selection is looked at while nobody owns it, should
// the owner's announcement on the root window be missed.
constexpr int kSelectionPollMs = 1000;

// The owner of the X11 system tray selection of the default screen, read on a
// connection of our own. A second connection only listens: to the root
// window, where a new owner announces itself, and to the owner's window,
// whose end is the tray's. It never waits for a reply, so no event is ever
// read from its socket by anyone but its reader.
class SystemTraySelection
{
public:
    SystemTraySelection()
    {
        int screen = 0;
        m_connection = xcb_connect(nullptr, &screen);
        m_events = xcb_connect(nullptr, nullptr);
        for (xcb_connection_t *connection : {m_connection, m_events}) {
            if (const int error = xcb_connection_has_error(connection); error != 0) {
                qCWarning(lcTray) << "Connecting to the X server for the system tray failed: xcb error" << error;
                return;
            }
        }
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, name.size(), name.constData()), nullptr);
        if (reply)
            m_atom = reply->atom;
        std::free(reply);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_events));
        for (int n = 0; n < screen && screens.rem > 0; ++n)
            xcb_screen_next(&screens);
        if (screens.rem > 0)
            listen(screens.data->root);
    }
    ~SystemTraySelection()
    {
        xcb_disconnect(m_events);
        xcb_disconnect(m_connection);
    }
    SystemTraySelection(const SystemTraySelection &) = delete;
    SystemTraySelection &operator=(const SystemTraySelection &) = delete;

    xcb_window_t owner() const
    {
        if (m_atom == XCB_ATOM_NONE)
            return XCB_WINDOW_NONE;
        xcb_get_selection_owner_reply_t *reply =
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_atom), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        return owner;
    }
    bool owned() const { return owner() != XCB_WINDOW_NONE; }

    // Events about the window come to events(); a window already gone
    // sends an error there instead.
    void listen(xcb_window_t window)
    {
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_events, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_events);
    }
    int eventsDescriptor() const { return xcb_get_file_descriptor(m_events); }
    // Takes the events that came in; true when there were any.
    bool takeEvents()
    {
        bool any = false;
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_events)) {
            std::free(event);
            any = true;
        }
        return any;
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_connection_t *m_events = nullptr;
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
            auto *watcher = new QDBusServiceWatcher(kWatcher, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
            connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHosts::changed);
            // Qt D-Bus delivers bus signals to slots named by string only.
            for (const char *member : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"}) {
                if (!m_bus.connect(kWatcher, kWatcherPath, kWatcher, QLatin1String(member), this,
                                   SLOT(hostRegistered())))
                    qCWarning(lcTray) << "Subscribing to" << member << "failed:" << m_bus.lastError().name()
                                      << m_bus.lastError().message();
            }
        }
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            m_selection = std::make_unique<SystemTraySelection>();
            m_poll = new QTimer(this);
            m_poll->setInterval(kSelectionPollMs);
            connect(m_poll, &QTimer::timeout, this, &DesktopTrayHosts::pollSelection);
            auto *events = new QSocketNotifier(m_selection->eventsDescriptor(), QSocketNotifier::Read, this);
            connect(events, &QSocketNotifier::activated, this, &DesktopTrayHosts::selectionEvents);
            followOwner();
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

    bool offers(TrayKind kind) const override
    {
        switch (kind) {
        case TrayKind::StatusNotifier:
            return statusNotifierHostRegistered();
        case TrayKind::Embedding:
            return m_selection && m_selection->owned();
        case TrayKind::None:
            break;
        }
        return false;
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

    // Listens to the owner's window for its end, or, with no owner, looks
    // again every second.
    bool followOwner()
    {
        const xcb_window_t owner = m_selection->owner();
        if (owner == XCB_WINDOW_NONE) {
            m_poll->start();
            return false;
        }
        m_poll->stop();
        m_selection->listen(owner);
        return true;
    }

    void pollSelection()
    {
        if (followOwner())
            emit changed();
    }

    // An owner announced itself, or the owner's window went.
    void selectionEvents()
    {
        if (!m_selection->takeEvents())
            return;
        followOwner();
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
