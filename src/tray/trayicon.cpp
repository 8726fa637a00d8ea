#include "tray/trayicon.h"

#include <QMenu>

namespace quendral {

TrayIcon::TrayIcon(QObject *parent)
    : QObject(parent)
    , m_running(QStringLiteral(":/pictures/globe_search.svg"))
    , m_stopped(QStringLiteral(":/pictures/globe.svg"))
{
}

void TrayIcon::attach(TrayKind kind)
{
    if (m_icon || kind == TrayKind::None)
        return;
    m_kind = kind;
    m_icon = new QSystemTrayIcon(icon(), this);
    m_icon->setToolTip(m_toolTip);
    // An embedding tray leaves the menu to the program, which draws it
    // decorated; a StatusNotifier host draws the exported entries itself.
    if (kind == TrayKind::StatusNotifier && m_menu) {
        m_icon->setContextMenu(m_menu);
        m_menuExported = true;
    }
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    m_icon->setVisible(m_visible);
}

void TrayIcon::reattach()
{
    if (!m_icon || !m_visible)
        return;
    // Showing a hidden icon is what registers or docks it.
    m_icon->hide();
    m_icon->show();
}

void TrayIcon::showRunningLook()
{
    showLook(Look::Running);
}

void TrayIcon::showStoppedLook()
{
    // The load puts the icon in the tray with this look: nothing runs yet.
    showLook(Look::Stopped);
}

void TrayIcon::showLook(Look look)
{
    // Every tick shows the look again; setting the same picture would redraw
    // the docked icon, a round trip to the display each time.
    const bool changed = look != m_look;
    m_look = look;
    m_visible = true;
    if (!m_icon)
        return;
    if (changed)
        m_icon->setIcon(icon());
    m_icon->show();
}

void TrayIcon::removeIcon()
{
    m_visible = false;
    if (m_icon)
        m_icon->hide();
}

void TrayIcon::setToolTip(const QString &text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    if (m_icon)
        m_icon->setToolTip(text);
    emit toolTipChanged(text);
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Double and middle clicks have no use here.
    if (reason == QSystemTrayIcon::Trigger)
        emit leftClick();
    else if (reason == QSystemTrayIcon::Context && !m_menuExported)
        emit rightClick();
}

} // namespace quendral
