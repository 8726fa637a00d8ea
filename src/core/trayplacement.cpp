#include "core/trayplacement.h"

#include "core/trayhosts.h"
#include "core/trayicon.h"

#include <QTimer>

namespace quendral {

TrayPlacement::TrayPlacement(TrayIcon &icon, TrayHosts &hosts, std::function<void()> showWindow,
                             std::function<void()> hideWindow, std::chrono::milliseconds grace, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
    , m_hosts(hosts)
    , m_showWindow(std::move(showWindow))
    , m_hideWindow(std::move(hideWindow))
    , m_grace(new QTimer(this))
{
    m_grace->setSingleShot(true);
    m_grace->setInterval(grace);
    connect(m_grace, &QTimer::timeout, this, &TrayPlacement::graceOver);
    connect(&m_hosts, &TrayHosts::changed, this, &TrayPlacement::place);
    place();
    if (!m_icon.attached())
        m_grace->start();
}

void TrayPlacement::place()
{
    if (m_icon.attached())
        return;
    const TrayKind kind = m_hosts.present();
    if (kind == TrayKind::None)
        return;
    m_icon.attach(kind);
    m_grace->stop();
    disconnect(&m_hosts, &TrayHosts::changed, this, &TrayPlacement::place);
    if (m_windowShown)
        m_hideWindow();
}

void TrayPlacement::graceOver()
{
    m_windowShown = true;
    m_showWindow();
}

} // namespace quendral
