#include "tray/trayplacement.h"

#include "base/logging.h"
#include "tray/trayhosts.h"
#include "tray/trayicon.h"

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
    if (!m_icon.attached()) {
        const TrayKind kind = m_hosts->present();
        if (kind == TrayKind::None)
            return;
        m_icon.attach(kind);
        m_areaThere = true;
        areaBack();
        return;
    }
    const bool there = m_hosts->offers(m_icon.kind());
    if (there == m_areaThere)
        return;
    m_areaThere = there;
    if (!there) {
        qCDebug(lcTray) << "The notification area went away";
        m_grace->start();
        return;
    }
    qCDebug(lcTray) << "The notification area is back";
    m_icon.reattach();
    areaBack();
}

void TrayPlacement::areaBack()
{
    m_grace->stop();
    if (m_windowShown)
        m_hideWindow();
    m_windowShown = false;
}

void TrayPlacement::graceOver()
{
    m_windowShown = true;
    m_showWindow();
}

} // namespace quendral
