#pragma once

#include "actions/countdownwindow.h"

namespace quendral {

class DialupControl;

// The hang-up countdown: hangs up every dial-up connection `seconds` after its
// timer is enabled, unless the user declines; the user may also hang up at
// once.
class HangUpCountdown final : public CountdownWindow
{
    Q_OBJECT

public:
    HangUpCountdown(const CountdownDeps &deps, DialupControl &dialup, int seconds, QWidget *parent = nullptr);

    void countSecond();
    void hangUpNow();
    void declineHangUp();

private:
    DialupControl &m_dialup;
};

} // namespace quendral
