#pragma once

#include "base/soundplayer.h"

#include <memory>

namespace quendral {

// The platform's sound output, for main.cpp to hand to the monitoring tick and
// the countdown windows.
std::unique_ptr<SoundPlayer> makeSoundPlayer();

} // namespace quendral
