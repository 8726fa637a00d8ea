#pragma once

#include "engine/monitor.h"
#include "engine/monitoring.h"

#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace quendral {

struct AppState;

// What monitoring is doing and waiting for, in one snapshot: the view of the
// tray's tooltip and the answer to a status request from the command line.
struct MonitorStatus
{
    // An entry's state: complete, beside a download program's partial marker,
    // open for writing, not there, in a folder whose file system may block
    // (not looked at), or there but empty (which does not count as arrived).
    enum class Entry { There, Partial, Writing, Missing, Unknown, Empty };
    // How closely entries are looked at: whether they have arrived (cheap,
    // for the tooltip), or with the partial markers and the look for writers.
    enum class Look { Arrived, Close };
    using MayBlock = std::function<bool(const QString &folder)>;

    Monitor::State state = Monitor::State::Stopped;
    monitoring::Rule rule = monitoring::Rule::All;
    QStringList files;
    QList<Entry> entries;
    // What the completion will do, in its order: "sound", "notice",
    // "command", "hangup", then the power action's name.
    QStringList actions;
    QString command;
    // The power action's name, "" for none; the countdowns' length.
    QString powerAction;
    int countdownLength = 0;
    // What else is armed: the quiet window (0: none) and its rate, the
    // deadline ("" for none) and whether it only hangs up.
    int quietMinutes = 0;
    double quietRate = 0;
    QString deadline;
    bool deadlineHangUpOnly = false;
    // The programs waited for (empty: none) and the numbers of their
    // processes running now.
    QStringList programs;
    QList<qint64> programPids;
    // Seconds to the next tick, -1 when none is due.
    int nextCheck = -1;
    // The countdown on screen: what it ends in ("hangup" or the power
    // action's name, "" when none runs) and the seconds left (-1: none).
    QString countdownAction;
    int countdown = -1;

    static MonitorStatus take(const AppState &app, const Monitor &monitor, Look look, const MayBlock &mayBlock);

    int there() const { return int(entries.count(Entry::There)); }
    static QString entryName(Entry entry);
    static QString stateName(Monitor::State state);
    static QString ruleName(monitoring::Rule rule);

    // The snapshot as basic values (b, s, i, d, as), the status reply of both
    // transports: monitoring, state, rule, files, states, actions, command,
    // powerAction, countdownLength, quietMinutes, quietRate, deadline,
    // deadlineAction, programs, pids (as decimal text, which every transport
    // carries alike), nextCheck, countdownAction, countdown.
    QVariantMap toMap() const;
};

} // namespace quendral
