#include "engine/monitoring.h"

#include "engine/presenceprobe.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"

namespace quendral::monitoring {

qint64 lastFileIndex(const SettingsStore &store)
{
    return watchlist::read(store.settingsFile()).size() - 1;
}

Rule ruleFrom(double notallfiles)
{
    if (notallfiles == 0)
        return Rule::All;
    if (notallfiles == 1)
        return Rule::Any;
    return Rule::Never;
}

bool ruleMet(Rule rule, const QStringList &paths, PresenceProbe &probe)
{
    switch (rule) {
    case Rule::All:
        return probe.allFound(paths);
    case Rule::Any:
        return probe.anyFound(paths);
    case Rule::Never:
        break;
    }
    return false;
}

} // namespace quendral::monitoring
