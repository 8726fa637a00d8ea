#include "engine/finishconditions.h"

#include "base/logging.h"
#include "base/trafficmeter.h"
#include "engine/openwriters.h"
#include "engine/presence.h"
#include "engine/programwatch.h"
#include "settings/appstate.h"
#include "settings/options.h"

#include <QSet>
#include <QStandardPaths>

namespace quendral {

FinishConditions::FinishConditions(AtWork atWork)
    : m_atWork(std::move(atWork))
{
    if (!m_atWork) {
        m_atWork = [progress = std::make_shared<openwriters::Progress>()](const QString &folder) {
            return presence::atWork(folder, progress.get());
        };
    }
}

void FinishConditions::arm(const Options &options, const QDateTime &now, double tickScale)
{
    disarm();
    if (options.quietOn()) {
        m_quietMinutes = options.quietMinutes();
        const auto windowMs = qint64(m_quietMinutes * 60000.0 * tickScale);
        m_quietRateKBs = options.quietRateKBs();
        m_quiet.emplace(windowMs, m_quietRateKBs * 1024);
        m_clock.start();
        if (m_meter)
            m_meter->setMetering(true);
    }
    if (options.deadlineOn()) {
        m_deadlineTime = options.deadlineTime();
        m_deadline.emplace(now, m_deadlineTime);
        m_hangUpOnly = options.deadlineHangUpOnly();
        qCDebug(lcMonitor) << "deadline at" << m_deadline->due();
    }
    if (m_programs)
        m_programs->arm(options.waitProgramNames());
}

void FinishConditions::disarm()
{
    if (m_quiet && m_meter)
        m_meter->setMetering(false);
    m_quiet.reset();
    m_deadline.reset();
    if (m_programs)
        m_programs->disarm();
}

bool FinishConditions::programsArmed() const
{
    return m_programs && m_programs->armed();
}

std::optional<int> FinishConditions::quietMinutes() const
{
    return m_quiet ? std::optional<int>(m_quietMinutes) : std::nullopt;
}

std::optional<QTime> FinishConditions::deadlineTime() const
{
    return m_deadline ? std::optional<QTime>(m_deadlineTime) : std::nullopt;
}

std::optional<FinishConditions::Reason> FinishConditions::check(const QStringList &paths, const QDateTime &now)
{
    if (m_deadline && m_deadline->fire(now))
        return Reason::Deadline;
    if (programsArmed()) {
        m_programs->scan();
        if (m_programs->met() && !atWork(paths))
            return Reason::Programs;
    }
    if (!m_quiet)
        return std::nullopt;
    const auto received = m_meter ? m_meter->receivedBytes() : std::nullopt;
    m_quiet->sample(m_clock.elapsed(), received);
    qCDebug(lcMonitor) << "received bytes" << (received ? qint64(*received) : -1);
    // The folders are looked at only when the connection alone would do.
    if (m_quiet->holds(false) && m_quiet->holds(atWork(paths)))
        return Reason::Quiet;
    return std::nullopt;
}

bool FinishConditions::atWork(const QStringList &paths) const
{
    QSet<QString> folders;
    for (const QString &path : paths)
        folders.insert(presence::splitPath(path).first);
    if (folders.isEmpty())
        folders.insert(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    for (const QString &folder : std::as_const(folders)) {
        if (m_atWork(folder))
            return true;
    }
    return false;
}

QString armedConditionsText(const FinishConditions &conditions, const AppState &state)
{
    QStringList parts;
    if (const auto time = conditions.deadlineTime()) {
        const Msg text = conditions.hangUpOnlyAtDeadline() ? Msg::ArmedDeadlineHangUp : Msg::ArmedDeadline;
        parts.append(state.message(text).arg(time->toString(QStringLiteral("H:mm"))));
    }
    if (const auto minutes = conditions.quietMinutes())
        parts.append(
            state.message(Msg::ArmedQuiet).arg(QString::number(*minutes), QString::number(conditions.quietRateKBs())));
    if (conditions.programsArmed()) {
        const ProgramWatch &programs = *conditions.programs();
        parts.append(state.message(Msg::ArmedPrograms)
                         .arg(programs.waitingFor().join(QStringLiteral(", ")))
                         .arg(programs.runningCount()));
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace quendral
