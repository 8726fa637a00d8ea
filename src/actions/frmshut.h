#pragma once

#include "actions/countdownwindow.h"

namespace quendral {

class DesktopNotifier;
class PowerControl;

// The power-off countdown: turns the computer off 15 seconds after it opens,
// unless the user declines; the user may also turn it off at once. A refused power-off is not
// passed over: once the window has closed, a message box gives the reason and
// stays until dismissed, and the desktop's notifications get the same text.
class frmshut final : public CountdownWindow
{
    Q_OBJECT

public:
    frmshut(const CountdownDeps &deps, PowerControl &power, DesktopNotifier &notifier, QWidget *parent = nullptr);

    void timer_shut_Timer();
    void cmdshut_Click();
    void cmdnotshut_Click();

private:
    // Asks for the power-off and closes the window, then reports a refusal.
    void powerOffAndClose();

    PowerControl &m_power;
    DesktopNotifier &m_notifier;
};

} // namespace quendral
