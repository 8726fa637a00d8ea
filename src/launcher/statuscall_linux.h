#pragma once

#include <optional>
#include <string>

namespace quendral::launcher {

// The running copy's --status output, as it formats it (StatusText on the
// session bus), or none when the bus, the copy or its answer fails in any
// way: the Qt front then says why.
std::optional<std::string> askStatusText(bool json);

} // namespace quendral::launcher
