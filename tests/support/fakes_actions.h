#pragma once

#include "kit/powercontrol.h"

#include <functional>

namespace quendral::test {

// Counts power-off requests instead of turning anything off. `onPowerOff` runs
// at each request, so a test can look at the caller's state at that moment.
class FakePower : public PowerControl
{
public:
    int powerOffs = 0;
    std::function<void()> onPowerOff;

    void power_off() override
    {
        ++powerOffs;
        if (onPowerOff)
            onPowerOff();
    }
};

} // namespace quendral::test
