#pragma once

#include <QIcon>
#include <QSystemTrayIcon>

namespace quendral {

// The notification-area icon. Its running look is the globe with a magnifying
// glass, its stopped look the plain globe. Clicks arrive as leftClick and
// rightClick; the owner shows its own menu on the right click.
class TrayIcon : public QSystemTrayIcon
{
    Q_OBJECT

public:
    enum class Look { Running, Stopped };

    explicit TrayIcon(QObject *parent = nullptr);

    // Puts the icon into the notification area with the running look.
    void icon_start();
    void icon_stop();
    // Takes the icon out of the notification area.
    void icon_remove();

    Look look() const { return m_look; }

signals:
    void leftClick();
    void rightClick();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QIcon m_running;
    QIcon m_stopped;
    Look m_look = Look::Stopped;
};

} // namespace quendral
