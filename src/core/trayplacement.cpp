#include "core/trayplacement.h"

#include "core/trayhosts.h"
#include "core/trayicon.h"

#include <QTimer>

namespace quendral {

TrayPlacement::TrayPlacement(TrayIcon &icon, std::unique_ptr<TrayHosts> hosts, std::function<void()> showWindow,
                             std::function<void()> hideWindow, std::chrono::milliseconds grace, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
    , m_hosts(std::move(hosts))
    , m_showWindow(std::move(showWindow))
    , m_hideWindow(std::move(hideWindow))
    , m_grace(new QTimer(this))
{
    m_grace->setSingleShot(true);
    m_grace->setInterval(grace);
    connect(m_grace, &QTimer::timeout, this, &TrayPlacement::graceOver);
    connect(m_hosts.get(), &TrayHosts::changed, this, &TrayPlacement::place);
    place();
    if (!m_icon.attached())
        m_grace->start();
}

TrayPlacement::~TrayPlacement() = default;

void TrayPlacement::place()
{
    if (m_icon.attached())
        return;
    const TrayKind kind = m_hosts->present();
    if (kind == TrayKind::None)
        return;
    m_icon.attach(kind);
    m_grace->stop();
    // Qt keeps the icon in the area from now on; the watch is not needed.
    disconnect(m_hosts.get(), &TrayHosts::changed, this, &TrayPlacement::place);
    m_hosts.release()->deleteLater();
    if (m_windowShown)
        m_hideWindow();
}

void TrayPlacement::graceOver()
{
    m_windowShown = true;
    m_showWindow();
}

} // namespace quendral
