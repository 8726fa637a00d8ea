#pragma once

#include "base/powercontrol.h"
#include "engine/completionrunner.h"
#include "engine/finishconditions.h"
#include "engine/presenceprobe.h"
#include "settings/completionchoice.h"

#include <QElapsedTimer>
#include <QObject>

#include <optional>

class QTimer;

namespace quendral {

struct AppState;
struct Options;
class DialupControl;
class ProgramWatch;
class SleepInhibitor;
class TrafficMeter;

// Monitoring: the 30 s timer `tloop`, the tick that decides whether the
// downloads are done, and the sleep inhibitor held while it runs. When the
// rule is met it empties the watch list, decides once what the completion
// does and hands that choice to the completion sequence. It shows nothing
// itself: views follow its signals and read its state and its choice.
class Monitor : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTickMs = 30000;
    // How long a tick that finds no connection keeps asking (once a second)
    // before it halts: a service restarting lists nothing for a moment.
    static constexpr int kConnectionGraceMs = 5000;
    // How soon after a wake from sleep the next tick comes.
    static constexpr int kWakeTickMs = 2000;
    // How soon after the last awaited program ended the check comes: a script
    // that runs the program again has started it by then.
    static constexpr int kProgramsEndedTickMs = 400;

    // Stopped, ticking, or waiting for the countdowns of a completion (the
    // tick stopped meanwhile).
    enum class State { Stopped, Running, CountingDown };
    Q_ENUM(State)
    // Why monitoring cannot start, or why a tick stopped it.
    enum class Problem { NoFiles, NoConnection, ListNotEmptied };
    Q_ENUM(Problem)
    // What the system says of the chosen power action before it is due.
    enum class Warning { Cannot, Challenge };
    Q_ENUM(Warning)

    struct Services
    {
        DialupControl &dialup;
        SleepInhibitor &inhibitor;
        PowerControl &power;
        CompletionRunner &completion;
    };

    Monitor(AppState &state, const Services &services, PresenceProbe probe = PresenceProbe(),
            QObject *parent = nullptr);

    State state() const { return m_state; }
    // Started by the user and not stopped since.
    bool running() const { return m_state != State::Stopped; }
    // The dial-up connection's counter for the quiet condition; without one
    // the connection never counts as quiet.
    void setTrafficMeter(TrafficMeter *meter) { m_conditions.setMeter(meter); }
    // The conditions armed besides the rule, for the views.
    const FinishConditions &conditions() const { return m_conditions; }
    // What the completion does: while a completion runs, its choice; while
    // monitoring ticks, the choice of the last tick (or of the start);
    // stopped, the choice the options make now.
    CompletionChoice choice() const;
    // The timer runs: a tick is due within the interval.
    bool ticking() const;
    // The programs waited for, armed while monitoring runs.
    ProgramWatch &programs() const { return *m_programs; }
    // One tick at once while the timer runs, which keeps its rhythm; false
    // when monitoring is not ticking.
    bool checkNow();
    // Whole seconds, rounded up, until the next tick; -1 when none is due.
    int secondsToNextTick() const;
    // The tick's interval, kTickMs unless a diagnostic run shortens it.
    void setInterval(int ms);
    // How long a tick keeps asking for a missing connection; 0: not at all.
    void setConnectionGrace(int ms) { m_connectionGraceMs = ms; }

    // A program or a process to wait for besides the options' programs.
    struct WaitFor
    {
        QString name;
        qint64 pid = 0; // 0: every process of `name`
    };

    // Starts monitoring unless the list is empty (and no other condition can
    // end it) or no dial-up connection is up; the first tick comes one
    // interval later. Starting while the timer runs keeps the interval where
    // it is. `also` is waited for besides what the options arm.
    std::optional<Problem> start(const std::optional<WaitFor> &also = std::nullopt);
    // Waits for `program` too while monitoring runs, else starts monitoring
    // with it; NoFiles when a process given by number has ended meanwhile.
    std::optional<Problem> waitFor(const WaitFor &program);
    // Stops the tick. A countdown on screen is left alone (its own decline
    // declines it), and monitoring counts as stopped once it ends.
    void stop();
    // A completion's countdown is on screen; the tray menu may decline it.
    bool countdownRunning() const;
    // That countdown: which, how long, how much is left.
    std::optional<CompletionRunner::Countdown> countdown() const;
    // False when no countdown was on screen to decline.
    bool declineCountdown();
    // Every 30 s while the timer runs.
    void tick();
    // The computer woke from sleep: a running monitor ticks soon.
    void woke();

signals:
    void started();
    void stopped();
    // A tick found a problem and stopped monitoring (stopped came first);
    // the handler may show it in a modal box.
    void halted(quendral::Monitor::Problem problem);
    // Right after starting, when the chosen power action will likely be refused.
    void warning(quendral::Monitor::Warning warning, quendral::PowerControl::Action action);
    // The rule was met: the completion starts now.
    void ruleMet();
    // A tick ended without meeting the rule.
    void ticked();
    // A program waited for started or ended, or one more is waited for.
    void programsChanged();
    // A countdown came on screen, went, or counted a second.
    void countdownChanged();

private:
    void halt(Problem problem);
    bool addWaitFor(const WaitFor &program);
    // Something besides the list's files can end monitoring.
    bool finishesWithoutFiles() const;
    void warnIfPowerActionRefused();
    void completionFinished();
    CompletionChoice decide(const Options &options, FinishReason reason, const QStringList &paths) const;
    void complete(CompletionChoice choice);

    AppState &m_app;
    Services m_services;
    // Asked from const views too: it keeps only its own cache.
    mutable PresenceProbe m_probe;
    QTimer *m_tloop;
    // An extra tick soon: after a wake, or asking again for a connection.
    QTimer *m_soon;
    QElapsedTimer m_noConnectionSince;
    int m_connectionGraceMs = kConnectionGraceMs;
    State m_state = State::Stopped;
    bool m_inTick = false;
    ProgramWatch *m_programs;
    FinishConditions m_conditions;
    CompletionChoice m_choice;
};

} // namespace quendral
