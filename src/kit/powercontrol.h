#pragma once

#include <QString>

namespace quendral {

// Turns the computer off.
class PowerControl
{
public:
    // Whether this user may power off, as the system says beforehand.
    enum class Ability {
        Yes,       // allowed without asking
        Challenge, // only after an administrator's password, which nobody may be there to give
        No,        // not allowed, or not possible on this machine
        Unknown,   // the system did not answer
    };

    virtual ~PowerControl() = default;
    // Never blocks for more than a few seconds.
    virtual Ability canPowerOff() = 0;
    // Asks for the power-off without any question to the user. Returns an
    // empty text when the request was taken, otherwise why it was refused.
    virtual QString power_off() = 0;
};

} // namespace quendral
