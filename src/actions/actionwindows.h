#pragma once

#include "actions/countdownwindow.h"
#include "kit/completionwindows.h"

namespace quendral {

class DesktopNotifier;
class DialupControl;
class PowerControl;
class WindowFactory;

// The windows a met monitoring rule opens: frmdis, frmshut and frminfo. The
// constructor registers their creators with the window factory, so they are
// loaded by name like every other window and the language pass finds them.
// The notice and a refused power-off also go to the desktop's notifications.
class ActionWindows final : public CompletionWindows
{
public:
    ActionWindows(WindowFactory &windows, const CountdownDeps &deps, DialupControl &dialup, PowerControl &power,
                  DesktopNotifier &notifier);

    void showNotice() override;
    void showHangUp() override;
    void enableHangUpTimer() override;
    void showPowerOff() override;
    void enablePowerOffTimer() override;

private:
    void enableTimer(const QString &window);

    WindowFactory &m_windows;
};

} // namespace quendral
