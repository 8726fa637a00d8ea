#include "engine/monitor.h"

#include "base/dialupcontrol.h"
#include "base/logging.h"
#include "base/sleepinhibitor.h"
#include "engine/completionrunner.h"
#include "engine/monitoring.h"
#include "engine/presence.h"
#include "engine/programwatch.h"
#include "settings/appstate.h"
#include "settings/options.h"
#include "settings/watchliststore.h"

#include <QDateTime>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>

namespace quendral {

Monitor::Monitor(AppState &state, const Services &services, PresenceProbe probe, QObject *parent)
    : QObject(parent)
    , m_app(state)
    , m_services(services)
    , m_probe(std::move(probe))
    , m_tloop(new QTimer(this))
    , m_soon(new QTimer(this))
    , m_programs(new ProgramWatch(this))
{
    m_conditions.setPrograms(m_programs);
    // The end of the last program is checked at once (after a moment for a
    // script to start the next one), not at the next tick.
    connect(m_programs, &ProgramWatch::changed, this, &Monitor::programsChanged);
    connect(m_programs, &ProgramWatch::allEnded, this, [this] {
        if (m_tloop->isActive())
            m_soon->start(kProgramsEndedTickMs);
    });
    m_tloop->setObjectName(QStringLiteral("tloop"));
    m_tloop->setInterval(kTickMs);
    connect(m_tloop, &QTimer::timeout, this, &Monitor::tick);
    m_soon->setSingleShot(true);
    connect(m_soon, &QTimer::timeout, this, [this] {
        if (m_tloop->isActive())
            tick();
    });
    connect(&m_services.inhibitor, &SleepInhibitor::woke, this, &Monitor::woke);
    connect(&m_services.completion, &CompletionRunner::finished, this, &Monitor::completionFinished);
    connect(&m_services.completion, &CompletionRunner::countingDownChanged, this, &Monitor::countdownChanged);
    connect(&m_services.completion, &CompletionRunner::counted, this, &Monitor::countdownChanged);
}

bool Monitor::ticking() const
{
    return m_tloop->isActive();
}

void Monitor::setInterval(int ms)
{
    m_tloop->setInterval(ms);
}

bool Monitor::checkNow()
{
    if (!m_tloop->isActive())
        return false;
    tick();
    return true;
}

int Monitor::secondsToNextTick() const
{
    if (!m_tloop->isActive())
        return -1;
    // A coarse timer may answer a little over its interval.
    return (qBound(0, m_tloop->remainingTime(), m_tloop->interval()) + 999) / 1000;
}

CompletionChoice Monitor::choice() const
{
    if (m_state != State::Stopped || m_services.completion.countingDown())
        return m_choice;
    const Options options = Options::read(m_app.store);
    return decide(options, FinishReason::Files, {});
}

CompletionChoice Monitor::decide(const Options &options, FinishReason reason, const QStringList &paths) const
{
    // A wildcard would find a file but name none to play.
    const bool soundThere = !options.sound_path.isEmpty() && !presence::hasWildcard(options.sound_path) &&
                            m_probe.arrived(options.sound_path);
    CompletionChoice choice = CompletionChoice::decide(options, soundThere);
    choice.reason = reason;
    for (const QString &path : paths)
        (m_probe.arrived(path) ? choice.files : choice.missing).append(path);
    if (reason == FinishReason::Quiet)
        choice.quietMinutes = m_conditions.quietMinutes().value_or(0);
    if (reason == FinishReason::Programs)
        choice.ended = m_programs->ended();
    if (reason == FinishReason::Deadline) {
        choice.deadline = m_conditions.deadlineTime().value_or(QTime());
        if (m_conditions.hangUpOnlyAtDeadline())
            choice.onlyHangUp();
    }
    return choice;
}

std::optional<Monitor::Problem> Monitor::start(const std::optional<WaitFor> &also)
{
    // Waiting for a quiet connection or for programs needs no file names.
    const Options options = Options::read(m_app.store);
    if (monitoring::lastFileIndex(m_app.store) == -1 && !options.quietOn() && options.waitProgramNames().isEmpty() &&
        !also)
        return Problem::NoFiles;
    if (!m_services.dialup.isConnected())
        return Problem::NoConnection;
    m_conditions.arm(options, QDateTime::currentDateTime(), double(m_tloop->interval()) / kTickMs);
    if (also && !addWaitFor(*also) && monitoring::lastFileIndex(m_app.store) == -1 && !options.quietOn() &&
        !m_programs->armed()) {
        m_conditions.disarm();
        return Problem::NoFiles;
    }
    // While a completion still counts down, its choice is what the displays
    // tell until it ends.
    if (!m_services.completion.countingDown())
        m_choice = decide(options, FinishReason::Files, {});
    // Without logind, or refused by it, monitoring runs all the same, and the
    // computer may sleep as before.
    m_services.inhibitor.hold(m_app.message(Msg::InhibitReason));
    if (!m_tloop->isActive())
        m_tloop->start();
    m_noConnectionSince.invalidate();
    m_state = State::Running;
    qCDebug(lcMonitor) << "started";
    emit started();
    // Monitoring has started by now: a box left open keeps nothing waiting.
    warnIfPowerActionRefused();
    return std::nullopt;
}

std::optional<Monitor::Problem> Monitor::waitFor(const WaitFor &program)
{
    if (m_state != State::Running)
        return start(program);
    if (!addWaitFor(program) && program.pid != 0)
        return Problem::NoFiles;
    return std::nullopt;
}

bool Monitor::addWaitFor(const WaitFor &program)
{
    if (program.pid == 0) {
        m_programs->addName(program.name);
        return true;
    }
    return m_programs->addPid(program.pid, program.name);
}

bool Monitor::finishesWithoutFiles() const
{
    return m_conditions.quietMinutes() || m_conditions.programsArmed();
}

void Monitor::woke()
{
    // The network may need a moment to come back; the connection grace
    // covers a little more.
    if (m_tloop->isActive())
        m_soon->start(kWakeTickMs);
}

void Monitor::stop()
{
    m_tloop->stop();
    m_soon->stop();
    m_services.inhibitor.release();
    m_conditions.disarm();
    // A countdown on screen goes on, and every display keeps showing it
    // until it ends; then monitoring has stopped.
    if (m_services.completion.countingDown()) {
        if (m_state == State::CountingDown)
            return;
        m_state = State::CountingDown;
        qCDebug(lcMonitor) << "stopped ticking; the countdown goes on";
        emit stopped();
        return;
    }
    m_state = State::Stopped;
    qCDebug(lcMonitor) << "stopped";
    emit stopped();
}

bool Monitor::countdownRunning() const
{
    return m_services.completion.countingDown();
}

std::optional<CompletionRunner::Countdown> Monitor::countdown() const
{
    return m_services.completion.countdown();
}

bool Monitor::declineCountdown()
{
    return m_services.completion.declineCountdown();
}

void Monitor::warnIfPowerActionRefused()
{
    if (!m_choice.power)
        return;
    switch (m_services.power.can(*m_choice.power)) {
    case PowerControl::Ability::No:
        emit warning(Warning::Cannot, *m_choice.power);
        break;
    case PowerControl::Ability::Challenge:
        emit warning(Warning::Challenge, *m_choice.power);
        break;
    case PowerControl::Ability::Yes:
    case PowerControl::Ability::Unknown:
        // Unknown: no answer now; a refusal at the end still gets its box.
        break;
    }
}

void Monitor::halt(Problem problem)
{
    qCDebug(lcMonitor) << "tick stops monitoring:" << problem;
    // Every display says stopped before the box waits for the user, and the
    // computer may sleep meanwhile.
    stop();
    emit halted(problem);
}

void Monitor::tick()
{
    // A tick whose message box is open, or whose sound is still playing, would
    // otherwise see the next tick start inside it and stack a second box.
    if (m_inTick)
        return;
    const QScopedValueRollback inTick(m_inTick, true);

    const SettingsStore &store = m_app.store;
    const QStringList paths = watchlist::read(store.settingsFile());
    if (paths.isEmpty() && !finishesWithoutFiles()) {
        halt(Problem::NoFiles);
        return;
    }
    if (!m_services.dialup.isConnected()) {
        if (!m_noConnectionSince.isValid())
            m_noConnectionSince.start();
        if (m_noConnectionSince.elapsed() < m_connectionGraceMs) {
            qCDebug(lcMonitor) << "tick: no connection yet, asking again";
            m_soon->start(std::min(1000, m_connectionGraceMs));
            return;
        }
        m_noConnectionSince.invalidate();
        halt(Problem::NoConnection);
        return;
    }
    m_noConnectionSince.invalidate();
    // Options are read afresh at every tick: a change in the options window
    // counts from the next one. What the tick decides is what is done.
    const Options options = Options::read(store);
    const auto rule = monitoring::ruleFrom(options.notallfiles.number());
    const bool met = !paths.isEmpty() && monitoring::ruleMet(rule, paths, m_probe);
    qCDebug(lcMonitor) << "tick:" << paths.size() << "entries, rule" << int(rule) << (met ? "met" : "not met");
    if (met) {
        complete(decide(options, FinishReason::Files, paths));
        return;
    }
    if (const auto reason = m_conditions.check(paths, QDateTime::currentDateTime())) {
        using Reason = FinishConditions::Reason;
        const FinishReason finish = *reason == Reason::Quiet      ? FinishReason::Quiet
                                    : *reason == Reason::Deadline ? FinishReason::Deadline
                                                                  : FinishReason::Programs;
        qCDebug(lcMonitor) << "finishing:" << int(finish);
        complete(decide(options, finish, paths));
        return;
    }
    m_choice = decide(options, FinishReason::Files, {});
    emit ticked();
}

void Monitor::complete(CompletionChoice choice)
{
    m_conditions.disarm();
    // The command hears of the files a wildcard matched, not the pattern.
    choice.files = presence::matchedFiles(choice.files);
    m_choice = choice;
    // The downloads are done: nothing is left to stay awake for.
    m_services.inhibitor.release();
    // A list that cannot be emptied would meet the rule again at the next
    // tick and run the same completion twice: monitoring stops instead.
    const bool emptied = watchlist::empty(m_app.store.settingsFile());
    emit ruleMet();
    if (!emptied) {
        qCWarning(lcMonitor) << "the watch list could not be emptied; monitoring stops";
        m_tloop->stop();
    }
    // Without a countdown monitoring goes on over the emptied list, and the
    // next tick reports it empty.
    if (choice.countsDown()) {
        m_tloop->stop();
        m_state = State::CountingDown;
    }
    m_services.completion.start(choice, m_app.store.settingsFile().path());
    if (!emptied && m_state == State::Running)
        halt(Problem::ListNotEmptied);
    else if (!emptied)
        emit halted(Problem::ListNotEmptied);
}

void Monitor::completionFinished()
{
    // Monitoring started again during the countdowns carries on, with the
    // choice its options make now.
    if (m_state != State::CountingDown) {
        if (m_state == State::Running)
            m_choice = decide(Options::read(m_app.store), FinishReason::Files, {});
        return;
    }
    m_state = State::Stopped;
    qCDebug(lcMonitor) << "completion done, monitoring stopped";
    emit stopped();
}

} // namespace quendral
