#include "actions/notify_linux.h"

#include "actions/notify.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
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
    if (!m_bus.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints,
    // expire_timeout (-1: the server's choice).
    message << QStringLiteral("Quendral") << 0u << m_icon << summary << plainBody(body) << QStringList()
            << QVariantMap() << -1;
    message.setAutoStartService(false);
    // The reply, or the bus's "no such service" when no daemon runs, is let go.
    m_bus.asyncCall(message, notifyTimeoutMs);
}

std::unique_ptr<DesktopNotifier> makeDesktopNotifier(const QString &icon)
{
    return std::make_unique<FreedesktopNotifier>(QDBusConnection::sessionBus(), icon);
}

} // namespace quendral
