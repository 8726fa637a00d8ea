#pragma once

#include "actions/countdownwindow.h"
#include "base/powercontrol.h"

namespace quendral {

class DesktopNotifier;

// The power-off countdown: turns the computer off, or suspends or hibernates
// it as the options say, when its count ends, unless the user declines; the
// user may also act at once. Suspend and hibernate have titles and texts of
// their own, and the program runs on after them. The action and the count's
// length are the completion's, given when the window is made. A refused action is not
// passed over: once the window has closed, a message box gives the reason and
// stays until dismissed, and the desktop's notifications get the same text.
class PowerCountdown final : public CountdownWindow
{
    Q_OBJECT

public:
    PowerCountdown(const CountdownDeps &deps, PowerControl &power, DesktopNotifier &notifier,
                   PowerControl::Action action, int seconds, QWidget *parent = nullptr);

    void countSecond();
    void actNow();
    void declineAction();
    PowerControl::Action action() const { return m_action; }

private:
    // The texts of suspend and hibernate, over the language pass's power-off
    // ones; again after a later pass put those back.
    void showActionTexts();
    void changeEvent(QEvent *event) override;

    // Asks for the power-off and closes the window, then reports a refusal.
    void powerOffAndClose();

    PowerControl &m_power;
    DesktopNotifier &m_notifier;
    const PowerControl::Action m_action;
};

} // namespace quendral
