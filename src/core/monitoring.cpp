#include "core/monitoring.h"

#include "core/presenceprobe.h"
#include "settings/settingsstore.h"

namespace quendral::monitoring {

namespace {

const QString kFiles = QStringLiteral("Files");

} // namespace

QStringList watchList(SettingsStore &store)
{
    store.useSettingsFile();
    QStringList paths;
    for (qint64 n = 0;; ++n) {
        QString path = store.ReadIni(kFiles, QStringLiteral("file") + QString::number(n));
        if (path.isEmpty())
            return paths;
        paths.append(std::move(path));
    }
}

qint64 last_file_index(SettingsStore &store)
{
    return watchList(store).size() - 1;
}

void emptyWatchList(SettingsStore &store)
{
    const qint64 last = last_file_index(store);
    for (qint64 n = 0; n <= last; ++n)
        store.WriteIni(kFiles, QStringLiteral("File") + QString::number(n), QString());
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

std::optional<CountdownChoice> chooseCountdown(double autodisconnect, double autocomp_off)
{
    if (autodisconnect == 1 && autocomp_off == 1)
        return CountdownChoice{QStringLiteral("dwa"), Countdown::HangUp};
    if (autodisconnect == 1 && autocomp_off == 0)
        return CountdownChoice{QStringLiteral("roz"), Countdown::HangUp};
    if (autodisconnect == 0 && autocomp_off == 1)
        return CountdownChoice{QStringLiteral("wyl"), Countdown::PowerOff};
    return std::nullopt;
}

} // namespace quendral::monitoring
