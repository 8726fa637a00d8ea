#pragma once

#include <QStringList>

#include <optional>

namespace quendral {

class PresenceProbe;
class SettingsStore;

// The decisions of the monitoring tick, apart from the tray window so that they
// can be checked without a display.
namespace monitoring {

// Index of the last stored watch-list entry, -1 for an empty list. Counted
// wide, so that a hand-edited file with more entries than the list ever holds
// cannot overflow it.
qint64 lastFileIndex(const SettingsStore &store);

// From "notallfiles": 0 every file must be there, 1 one is enough, any other
// number never completes.
enum class Rule { All, Any, Never };
Rule ruleFrom(double notallfiles);

bool ruleMet(Rule rule, const QStringList &paths, PresenceProbe &probe);

} // namespace monitoring
} // namespace quendral
