#pragma once

#include "base/powercontrol.h"

#include <memory>

namespace quendral {

// The platform's power-off, for main.cpp.
std::unique_ptr<PowerControl> makePowerControl();

} // namespace quendral
