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

#include <QScopedValueRollback>
#include <QTimer>

namespace quendral {

Monitor::Monitor(AppState &state, const Services &services, PresenceProbe probe, QObject *parent)
    : QObject(parent)
    , m_app(state)
    , m_services(services)
    , m_probe(std::move(probe))
    , m_tloop(new QTimer(this))
{
    m_tloop->setObjectName(QStringLiteral("tloop"));
    m_tloop->setInterval(kTickMs);
    connect(m_tloop, &QTimer::timeout, this, &Monitor::tloop_Timer);
    connect(&m_services.completion, &CompletionSequence::finished, this, &Monitor::completionFinished);
}

bool Monitor::ticking() const
{
    return m_tloop->isActive();
}

void Monitor::setInterval(int ms)
{
    m_tloop->setInterval(ms);
}

std::optional<Monitor::Problem> Monitor::start()
{
    if (monitoring::last_file_index(m_app.store) == -1)
        return Problem::NoFiles;
    if (!m_services.dialup.dialup_connected())
        return Problem::NoConnection;
    // Without logind, or refused by it, monitoring runs all the same, and the
    // computer may sleep as before.
    m_services.inhibitor.hold(m_app.message(Msg::InhibitReason));
    if (!m_tloop->isActive())
        m_tloop->start();
    m_state = State::Running;
    qCDebug(lcMonitor) << "started";
    emit started();
    // Monitoring has started by now: a box left open keeps nothing waiting.
    warnIfPowerOffRefused();
    return std::nullopt;
}

void Monitor::stop()
{
    m_tloop->stop();
    m_services.inhibitor.release();
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
    if (paths.isEmpty()) {
        halt(Problem::NoFiles);
        return;
    }
    if (!m_services.dialup.dialup_connected()) {
        halt(Problem::NoConnection);
        return;
    }
    // Options are read afresh at every tick: a change in the options window
    // counts from the next one.
    const Options options = Options::read(store);
    const auto rule = monitoring::ruleFrom(options.notallfiles.number());
    const bool met = monitoring::ruleMet(rule, paths, m_probe);
    qCDebug(lcMonitor) << "tick:" << paths.size() << "entries, rule" << int(rule) << (met ? "met" : "not met");
    if (!met)
        return;

    // The downloads are done: nothing is left to stay awake for.
    m_services.inhibitor.release();
    watchlist::empty(store.settingsFile());

    CompletionPlan plan = m_services.completion.plan();
    // A wildcard would find a file but name none to play.
    if (options.sound.isOn() && !presence::hasWildcard(options.sound_path) && m_probe.arrived(options.sound_path))
        plan.add<SoundStep>(options.sound_path);
    if (options.infofiles.isOn())
        plan.add<NoticeStep>();
    if (!options.command.trimmed().isEmpty()) {
        // The files that met the rule: all of them, or those of them there now.
        QStringList made = paths;
        if (rule == monitoring::Rule::Any)
            made.removeIf([this](const QString &path) { return !m_probe.arrived(path); });
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
