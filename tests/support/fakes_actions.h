#pragma once

#include "base/powercontrol.h"

#include <functional>

namespace quendral::test {

// Counts power-off requests instead of turning anything off, answering them
// with `refusal` (empty: taken). `onPowerOff` runs at each request, so a test
// can look at the caller's state at that moment.
class FakePower : public PowerControl
{
public:
    Ability ability = Ability::Yes;
    int abilityChecks = 0;
    QString refusal;
    int powerOffs = 0;
    std::function<void()> onPowerOff;
    // Suspend and hibernate: the actions asked about and requested.
    QList<Action> asked, sleeps;

    Ability canPowerOff() override
    {
        ++abilityChecks;
        return ability;
    }
    QString powerOff() override
    {
        ++powerOffs;
        if (onPowerOff)
            onPowerOff();
        return refusal;
    }
    Ability canSleep(Action action) override
    {
        asked.append(action);
        return canPowerOff();
    }
    QString sleep(Action action) override
    {
        sleeps.append(action);
        return refusal;
    }
};

} // namespace quendral::test
