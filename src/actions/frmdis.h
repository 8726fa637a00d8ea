#pragma once

#include "actions/countdownwindow.h"

namespace quendral {

class CompletionWindows;
class DialupControl;

// The hang-up countdown: hangs up every dial-up connection 15 seconds after
// its timer is enabled, unless the user declines; the user may also hang up
// at once. In mode "dwa" its closing opens the power-off countdown.
class frmdis final : public CountdownWindow
{
    Q_OBJECT

public:
    frmdis(const CountdownDeps &deps, DialupControl &dialup, CompletionWindows &windows, QWidget *parent = nullptr);

    void timer_dis_Timer();
    void cmddis_Click();
    void cmdnotdis_Click();

protected:
    void Form_Unload() override;

private:
    DialupControl &m_dialup;
    CompletionWindows &m_windows;
};

} // namespace quendral
