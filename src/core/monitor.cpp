#include "core/monitor.h"

#include "actions/commandstep.h"
#include "actions/completionsequence.h"
#include "actions/completionsteps.h"
#include "core/monitoring.h"
#include "core/presence.h"
#include "kit/dialupcontrol.h"
#include "kit/logging.h"
#include "kit/powercontrol.h"
#include "kit/sleepinhibitor.h"
#include "settings/appstate.h"
#include "settings/options.h"
#include "settings/watchliststore.h"

#include <QDateTime>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>

namespace quendral {

namespace {

// The options of a deadline that only hangs up: the hang-up countdown and
// nothing else.
Options onlyHangUp(Options options)
{
    options.sound = Flag::checked(false);
    options.infofiles = Flag::checked(false);
    options.autodisconnect = Flag::checked(true);
    options.autocomp_off = Flag::checked(false);
    options.command.clear();
    return options;
}

} // namespace

Monitor::Monitor(AppState &state, const Services &services, PresenceProbe probe, QObject *parent)
    : QObject(parent)
    , m_app(state)
    , m_services(services)
    , m_probe(std::move(probe))
    , m_tloop(new QTimer(this))
    , m_soon(new QTimer(this))
{
    m_tloop->setObjectName(QStringLiteral("tloop"));
    m_tloop->setInterval(kTickMs);
    connect(m_tloop, &QTimer::timeout, this, &Monitor::tloop_Timer);
    m_soon->setSingleShot(true);
    connect(m_soon, &QTimer::timeout, this, [this] {
        if (m_tloop->isActive())
            tloop_Timer();
    });
    connect(&m_services.inhibitor, &SleepInhibitor::woke, this, &Monitor::woke);
    connect(&m_services.completion, &CompletionSequence::finished, this, &Monitor::completionFinished);
    connect(&m_services.completion, &CompletionSequence::countingDownChanged, this, &Monitor::countdownChanged);
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
    tloop_Timer();
    return true;
}

int Monitor::secondsToNextTick() const
{
    if (!m_tloop->isActive())
        return -1;
    // A coarse timer may answer a little over its interval.
    return (qBound(0, m_tloop->remainingTime(), m_tloop->interval()) + 999) / 1000;
}

std::optional<Monitor::Problem> Monitor::start()
{
    // Waiting for a quiet connection needs no file names.
    const Options options = Options::read(m_app.store);
    if (monitoring::last_file_index(m_app.store) == -1 && !options.quiet.isOn())
        return Problem::NoFiles;
    if (!m_services.dialup.dialup_connected())
        return Problem::NoConnection;
    m_conditions.arm(options, QDateTime::currentDateTime(), double(m_tloop->interval()) / kTickMs);
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
    warnIfPowerOffRefused();
    return std::nullopt;
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
    m_services.inhibitor.release();
    m_conditions.disarm();
    m_state = State::Stopped;
    qCDebug(lcMonitor) << "stopped";
    emit stopped();
}

bool Monitor::countdownRunning() const
{
    return m_services.completion.countingDown();
}

void Monitor::declineCountdown()
{
    m_services.completion.declineCountdown();
}

void Monitor::warnIfPowerOffRefused()
{
    const Options options = Options::read(m_app.store);
    const auto countdowns =
        monitoring::chooseCountdowns(options.autodisconnect.number(), options.autocomp_off.number());
    if (!countdowns || !countdowns->powerOff)
        return;
    // The chosen action's warnings, in the enum's order: power-off, suspend, hibernate.
    const int action = options.powerActionIndex();
    switch (m_services.power.can(PowerControl::Action(action))) {
    case PowerControl::Ability::No:
        emit warning(Warning(int(Warning::CannotPowerOff) + 2 * action));
        break;
    case PowerControl::Ability::Challenge:
        emit warning(Warning(int(Warning::PowerOffChallenge) + 2 * action));
        break;
    case PowerControl::Ability::Yes:
    case PowerControl::Ability::Unknown:
        // Unknown: no answer now; a refusal at the end still gets its box.
        break;
    }
}

void Monitor::halt(Problem problem)
{
    qCDebug(lcMonitor) << "tick halts monitoring:" << problem;
    // Monitoring ends here: the computer may sleep while the box waits.
    m_services.inhibitor.release();
    emit halted(problem);
    m_tloop->stop();
    // Stop chosen while the box was open has the last word.
    if (m_state == State::Running)
        m_state = State::Halted;
}

void Monitor::tloop_Timer()
{
    // A tick whose message box is open, or whose sound is still playing, would
    // otherwise see the next tick start inside it and stack a second box.
    if (m_inTick)
        return;
    const QScopedValueRollback inTick(m_inTick, true);

    const SettingsStore &store = m_app.store;
    const QStringList paths = watchlist::read(store.settingsFile());
    if (paths.isEmpty() && !m_conditions.quietMinutes()) {
        halt(Problem::NoFiles);
        return;
    }
    if (!m_services.dialup.dialup_connected()) {
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
    // counts from the next one.
    const Options options = Options::read(store);
    const auto rule = monitoring::ruleFrom(options.notallfiles.number());
    const bool met = !paths.isEmpty() && monitoring::ruleMet(rule, paths, m_probe);
    qCDebug(lcMonitor) << "tick:" << paths.size() << "entries, rule" << int(rule) << (met ? "met" : "not met");
    if (met) {
        complete(options, paths, std::nullopt);
        return;
    }
    if (const auto reason = m_conditions.check(paths, QDateTime::currentDateTime())) {
        qCDebug(lcMonitor) << "finishing:" << (*reason == FinishConditions::Reason::Quiet ? "quiet" : "deadline");
        complete(options, paths, reason);
        return;
    }
    emit ticked();
}

void Monitor::complete(const Options &chosen, const QStringList &paths, std::optional<FinishConditions::Reason> reason)
{
    using Reason = FinishConditions::Reason;
    const bool hangUpOnly = reason == Reason::Deadline && m_conditions.hangUpOnlyAtDeadline();
    const Options options = hangUpOnly ? onlyHangUp(chosen) : chosen;
    // What the notice says when the files alone did not decide.
    QString why;
    if (reason == Reason::Quiet) {
        why = m_app.message(Msg::FinishedQuiet).arg(*m_conditions.quietMinutes());
    } else if (reason == Reason::Deadline) {
        why = m_app.message(Msg::FinishedDeadline).arg(m_conditions.deadlineTime()->toString(QStringLiteral("H:mm")));
        QStringList missing;
        for (const QString &path : paths) {
            if (!m_probe.arrived(path))
                missing.append(path);
        }
        if (!missing.isEmpty())
            why += u'\n' + m_app.message(Msg::MissingFiles) + u'\n' + missing.join(u'\n');
    }
    m_conditions.disarm();

    const SettingsStore &store = m_app.store;
    // The downloads are done: nothing is left to stay awake for.
    m_services.inhibitor.release();
    watchlist::empty(store.settingsFile());

    CompletionPlan plan = m_services.completion.plan();
    // A wildcard would find a file but name none to play.
    if (options.sound.isOn() && !presence::hasWildcard(options.sound_path) && m_probe.arrived(options.sound_path))
        plan.add<SoundStep>(options.sound_path);
    if (options.infofiles.isOn())
        plan.add<NoticeStep>(why);
    if (!options.command.trimmed().isEmpty()) {
        // The files that made the completion: those of them there now.
        QStringList made = paths;
        made.removeIf([this](const QString &path) { return !m_probe.arrived(path); });
        made = presence::matchedFiles(made);
        plan.add<CommandStep>(options.command, made, store.settingsFile().path(), options.commandTimeoutSeconds(),
                              CommandStep::Texts{m_app.message(Msg::CommandFailed), m_app.message(Msg::CommandExitCode),
                                                 m_app.message(Msg::CommandTimedOut)});
    }
    if (const auto countdowns =
            monitoring::chooseCountdowns(options.autodisconnect.number(), options.autocomp_off.number())) {
        if (countdowns->hangUp)
            plan.add<CountdownStep>(QStringLiteral("frmdis"));
        if (countdowns->powerOff)
            plan.add<CountdownStep>(QStringLiteral("frmshut"));
    }
    emit ruleMet();
    // Without a countdown monitoring goes on over the emptied list, and the
    // next tick reports it empty.
    if (plan.involvesUser()) {
        m_tloop->stop();
        m_state = State::CountingDown;
    }
    m_services.completion.start(std::move(plan));
}

void Monitor::completionFinished()
{
    // Monitoring started again during the countdowns carries on.
    if (m_state != State::CountingDown)
        return;
    m_state = State::Stopped;
    qCDebug(lcMonitor) << "completion done, monitoring stopped";
    emit stopped();
}

} // namespace quendral
