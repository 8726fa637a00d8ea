#pragma once

namespace quendral {

// Turns the computer off, silently doing nothing when that is refused.
class PowerControl
{
public:
    virtual ~PowerControl() = default;
    virtual void power_off() = 0;
};

} // namespace quendral
