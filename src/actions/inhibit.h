#pragma once

#include "base/sleepinhibitor.h"

#include <memory>

namespace quendral {

// The platform's sleep inhibitor, for main.cpp.
std::unique_ptr<SleepInhibitor> makeSleepInhibitor();

} // namespace quendral
