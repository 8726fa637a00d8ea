#pragma once

#include <QString>

#include <chrono>
#include <optional>

namespace quendral {

// How long a PCM WAV file plays, from its header: the data chunk's size over
// the byte rate of its fmt chunk. Nothing when the file is not a readable WAV.
std::optional<std::chrono::milliseconds> wavLength(const QString &path);

} // namespace quendral
