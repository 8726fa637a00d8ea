#pragma once

#include "tray/trayhosts.h"

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

namespace quendral {

// The notification-area icon. Its running look is the globe with a magnifying
// glass, its stopped look the plain globe. Clicks arrive as leftClick and
// rightClick; the owner shows its own menu on the right click, except on a
// StatusNotifier host, which draws the menu given to setMenu itself.
//
// The look, tooltip and visibility are kept here until attach() makes the
// icon: Qt picks the kind of icon once per process, when the first one is
// made, so it is made only when the desktop offers a notification area.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    enum class Look { Running, Stopped };

    explicit TrayIcon(QObject *parent = nullptr);

    // Puts the icon into the notification area with the running look.
    void showRunningLook();
    void showStoppedLook();
    // Takes the icon out of the notification area.
    void removeIcon();

    void setToolTip(const QString &text);
    QString toolTip() const { return m_toolTip; }
    void setMenu(QMenu *menu) { m_menu = menu; }

    // Makes the icon in the notification area of the given kind.
    void attach(TrayKind kind);
    // The icon in the notification area; null until attach().
    QSystemTrayIcon *attached() const { return m_icon; }
    // The kind of area the icon was made for; Qt keeps to it.
    TrayKind kind() const { return m_kind; }
    // Puts the icon into an area of its kind that came back after its host
    // ended: registered anew with a new StatusNotifier watcher, docked in a
    // new X11 tray.
    void reattach();

    Look look() const { return m_look; }
    QIcon icon() const { return m_look == Look::Running ? m_running : m_stopped; }
    // Whether the icon is meant to be in the notification area.
    bool isVisible() const { return m_visible; }

signals:
    void leftClick();
    void rightClick();
    void toolTipChanged(const QString &text);

private:
    void showLook(Look look);
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QIcon m_running;
    QIcon m_stopped;
    Look m_look = Look::Stopped;
    QString m_toolTip;
    bool m_visible = false;
    bool m_menuExported = false;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_icon = nullptr;
    TrayKind m_kind = TrayKind::None;
};

} // namespace quendral
