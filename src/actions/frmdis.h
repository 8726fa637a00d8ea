#pragma once

#include "actions/countdownwindow.h"

namespace quendral {

class DialupControl;

// The hang-up countdown: hangs up every dial-up connection `seconds` after its
// timer is enabled, unless the user declines; the user may also hang up at
// once.
class frmdis final : public CountdownWindow
{
    Q_OBJECT

public:
    frmdis(const CountdownDeps &deps, DialupControl &dialup, int seconds, QWidget *parent = nullptr);

    void timer_dis_Timer();
    void cmddis_Click();
    void cmdnotdis_Click();

private:
    DialupControl &m_dialup;
};

} // namespace quendral
