#include "core/trayicon.h"

namespace quendral {

TrayIcon::TrayIcon(QObject *parent)
    : QSystemTrayIcon(parent)
    , m_running(QStringLiteral(":/pictures/globe_search.svg"))
    , m_stopped(QStringLiteral(":/pictures/globe.svg"))
{
    setIcon(m_stopped);
    connect(this, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
}

void TrayIcon::icon_start()
{
    m_look = Look::Running;
    setIcon(m_running);
    show();
}

void TrayIcon::icon_stop()
{
    m_look = Look::Stopped;
    setIcon(m_stopped);
}

void TrayIcon::icon_remove()
{
    hide();
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Double and middle clicks have no use here.
    if (reason == QSystemTrayIcon::Trigger)
        emit leftClick();
    else if (reason == QSystemTrayIcon::Context)
        emit rightClick();
}

} // namespace quendral
