#include "actions/actionwindows.h"

#include "actions/completionnotice.h"
#include "actions/hangupcountdown.h"
#include "actions/powercountdown.h"

namespace quendral {

ActionWindows::ActionWindows(const CountdownDeps &deps, DialupControl &dialup, PowerControl &power,
                             DesktopNotifier &notifier)
    : m_deps(deps)
    , m_dialup(dialup)
    , m_power(power)
    , m_notifier(notifier)
{
}

CompletionNotice *ActionWindows::showNotice(const CompletionChoice &choice)
{
    if (!m_notice)
        m_notice = new CompletionNotice(m_deps.state, m_deps.sound, m_notifier, m_deps.loadLanguage);
    m_notice->showReason(choice);
    m_notice->show();
    m_notice->raise();
    return m_notice;
}

CountdownWindow *ActionWindows::show(CountdownWindow *window)
{
    // Shown unasked: the keyboard stays with the program the user types in.
    window->show();
    window->raise();
    return window;
}

CountdownWindow *ActionWindows::showHangUp(int seconds)
{
    m_hangUp = new HangUpCountdown(m_deps, m_dialup, seconds);
    return show(m_hangUp);
}

CountdownWindow *ActionWindows::showPowerAction(PowerControl::Action action, int seconds)
{
    m_powerAction = new PowerCountdown(m_deps, m_power, m_notifier, action, seconds);
    return show(m_powerAction);
}

} // namespace quendral
