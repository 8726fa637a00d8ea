#pragma once

#include "actions/completionnotice.h"
#include "actions/countdownwindow.h"
#include "base/powercontrol.h"

#include <QPointer>

namespace quendral {

struct CompletionChoice;
class DesktopNotifier;
class DialupControl;

// The windows a completion shows, frmdis, frmshut and frminfo, made with
// what the completion decided (the count's length, the power action, the
// reason) and their back-ends. A window stays loaded until it closes; the
// notice and a refused power-off also go to the desktop's notifications.
class ActionWindows
{
public:
    ActionWindows(const CountdownDeps &deps, DialupControl &dialup, PowerControl &power, DesktopNotifier &notifier);

    // The notice, loaded if need be, shown with the completion's reason.
    CompletionNotice *showNotice(const CompletionChoice &choice);
    // A new countdown window of `seconds`, shown.
    CountdownWindow *showHangUp(int seconds);
    CountdownWindow *showPowerAction(PowerControl::Action action, int seconds);

    const AppState &state() const { return m_deps.state; }
    // The loaded windows, or nullptr.
    CompletionNotice *notice() const { return m_notice; }
    CountdownWindow *hangUp() const { return m_hangUp; }
    CountdownWindow *powerAction() const { return m_powerAction; }

private:
    CountdownWindow *show(CountdownWindow *window);

    CountdownDeps m_deps;
    DialupControl &m_dialup;
    PowerControl &m_power;
    DesktopNotifier &m_notifier;
    QPointer<CompletionNotice> m_notice;
    QPointer<CountdownWindow> m_hangUp;
    QPointer<CountdownWindow> m_powerAction;
};

} // namespace quendral
