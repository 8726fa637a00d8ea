#pragma once

#include "engine/deadline.h"
#include "engine/presence.h"
#include "engine/quietwindow.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTime>

#include <functional>
#include <optional>

namespace quendral {

struct AppState;
struct Options;
class ProgramWatch;
class TrafficMeter;

// What else may end monitoring besides the watch list's rule: the connection
// gone quiet, a deadline, and the chosen programs ended. They are armed when
// monitoring starts, from the options as they are then, and disarmed by a
// completion or a stop.
class FinishConditions
{
public:
    enum class Reason { Quiet, Deadline, Programs };
    // Whether a download is still at work in a folder (partial marker, file
    // open for writing).
    using AtWork = std::function<bool(const QString &folder)>;

    // Without `atWork`, presence::atWork, its look for writers going on from
    // one tick to the next.
    explicit FinishConditions(AtWork atWork = {});

    void setMeter(TrafficMeter *meter) { m_meter = meter; }
    // The programs' watch, owned by the monitor.
    void setPrograms(ProgramWatch *programs) { m_programs = programs; }
    // `tickScale` is the tick's share of 30 s: a shortened diagnostic tick
    // shortens the quiet window alike.
    void arm(const Options &options, const QDateTime &now, double tickScale);
    void disarm();

    // Armed, for the tooltip: the quiet window's minutes and rate, the
    // deadline's time.
    std::optional<int> quietMinutes() const;
    double quietRateKBs() const { return m_quietRateKBs; }
    std::optional<QTime> deadlineTime() const;
    bool hangUpOnlyAtDeadline() const { return m_hangUpOnly; }
    // Programs to wait for are armed (from the options or the command line).
    bool programsArmed() const;
    const ProgramWatch *programs() const { return m_programs; }

    // One tick's look, when the rule is not met: the deadline first (nothing
    // holds it back), then the programs (new ones are looked for first) and
    // the quiet connection, which downloads still at work in the watched
    // folders hold back; with no folder to watch, the user's download folder
    // is looked at.
    std::optional<Reason> check(const QStringList &paths, const QDateTime &now);

private:
    bool atWork(const QStringList &paths) const;

    AtWork m_atWork;
    TrafficMeter *m_meter = nullptr;
    ProgramWatch *m_programs = nullptr;
    QElapsedTimer m_clock;
    std::optional<QuietWindow> m_quiet;
    int m_quietMinutes = 0;
    double m_quietRateKBs = 0;
    std::optional<Deadline> m_deadline;
    QTime m_deadlineTime;
    bool m_hangUpOnly = false;
};

// What is armed besides the rule, for the tray tooltip ("at the latest at
// 7:00, quiet for 10 min below 2 kB/s"); empty when nothing is.
QString armedConditionsText(const FinishConditions &conditions, const AppState &state);

} // namespace quendral
