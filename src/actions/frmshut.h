#pragma once

#include "actions/countdownwindow.h"

namespace quendral {

class PowerControl;

// The power-off countdown: turns the computer off 15 seconds after it opens,
// unless the user declines; the user may also turn it off at once. It is the
// last countdown window of modes "wyl" and "dwa".
class frmshut final : public CountdownWindow
{
    Q_OBJECT

public:
    frmshut(const CountdownDeps &deps, PowerControl &power, QWidget *parent = nullptr);

    void timer_shut_Timer();
    void cmdshut_Click();
    void cmdnotshut_Click();

protected:
    void Form_Unload() override;

private:
    PowerControl &m_power;
};

} // namespace quendral
