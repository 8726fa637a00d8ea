#include "actions/actionwindows.h"

#include "actions/frmdis.h"
#include "actions/frminfo.h"
#include "actions/frmshut.h"
#include "kit/windowfactory.h"

namespace quendral {

ActionWindows::ActionWindows(WindowFactory &windows, const CountdownDeps &deps, DialupControl &dialup,
                             PowerControl &power, DesktopNotifier &notifier)
    : m_windows(windows)
{
    m_windows.setCreator(QStringLiteral("frmdis"), [this, deps, &dialup] { return new frmdis(deps, dialup, *this); });
    m_windows.setCreator(QStringLiteral("frmshut"),
                         [deps, &power, &notifier] { return new frmshut(deps, power, notifier); });
    m_windows.setCreator(QStringLiteral("frminfo"),
                         [deps, &notifier] { return new frminfo(deps.sound, notifier, deps.loadLanguage); });
}

void ActionWindows::showNotice()
{
    m_windows.show(QStringLiteral("frminfo"));
}

void ActionWindows::showHangUp()
{
    m_windows.show(QStringLiteral("frmdis"));
}

void ActionWindows::enableHangUpTimer()
{
    enableTimer(QStringLiteral("frmdis"));
}

void ActionWindows::showPowerOff()
{
    m_windows.show(QStringLiteral("frmshut"));
}

void ActionWindows::enablePowerOffTimer()
{
    enableTimer(QStringLiteral("frmshut"));
}

void ActionWindows::enableTimer(const QString &window)
{
    if (auto *countdown = qobject_cast<CountdownWindow *>(m_windows.loaded(window)))
        countdown->enableTimer();
}

} // namespace quendral
