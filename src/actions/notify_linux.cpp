#include "actions/notify_linux.h"

#include "actions/notify.h"
#include "base/logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

namespace quendral {

namespace {

// How long an unanswered notification is kept pending; nothing waits for it.
constexpr int notifyTimeoutMs = 1000;

// A body may be read as markup; the texts are plain.
QString plainBody(QString text)
{
    return text.replace(u'&', QLatin1String("&amp;"))
        .replace(u'<', QLatin1String("&lt;"))
        .replace(u'>', QLatin1String("&gt;"));
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection &bus, const QString &icon)
    : m_bus(bus)
    // The notification service takes a file:// address or an icon theme's name.
    , m_icon(icon.startsWith(u'/') ? QUrl::fromLocalFile(icon).toString() : icon)
{
}

void FreedesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected()) {
        qCWarning(lcNotify) << "No session bus for notifications:" << m_bus.lastError().name()
                            << m_bus.lastError().message();
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints,
    // expire_timeout (-1: the server's choice).
    message << QStringLiteral("Quendral") << 0u << m_icon << summary << plainBody(body) << QStringList()
            << QVariantMap() << -1;
    message.setAutoStartService(false);
    // Nothing waits for the answer; it is only logged. No daemon running is
    // no failure: the desktop simply shows no notifications.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, notifyTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [summary](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusError error = call->error();
        if (!call->isError())
            qCDebug(lcNotify) << "Notification sent:" << summary;
        else if (error.type() == QDBusError::ServiceUnknown ||
                 error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            qCDebug(lcNotify) << "No notification service:" << error.name();
        else
            qCWarning(lcNotify) << "Notify failed:" << error.name() << error.message();
    });
}

std::unique_ptr<DesktopNotifier> makeDesktopNotifier(const QString &icon)
{
    return std::make_unique<FreedesktopNotifier>(QDBusConnection::sessionBus(), icon);
}

} // namespace quendral
