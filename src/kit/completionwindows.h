#pragma once

namespace quendral {

// The windows a met rule opens. The tick calls, in this order: set
// completion_mode, show the countdown window, stop its own timer, then enable
// the window's timer.
class CompletionWindows
{
public:
    virtual ~CompletionWindows() = default;
    virtual void showNotice() = 0;          // frminfo, modeless
    virtual void showHangUp() = 0;          // frmdis; timer_dis stays disabled
    virtual void enableHangUpTimer() = 0;   // timer_dis
    virtual void showPowerOff() = 0;        // frmshut; timer_shut starts at load
    virtual void enablePowerOffTimer() = 0; // timer_shut
};

} // namespace quendral
