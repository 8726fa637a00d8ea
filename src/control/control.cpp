#include "control/control.h"

#include "actions/completionsequence.h"
#include "base/logging.h"
#include "control/commandline.h"
#include "engine/monitor.h"
#include "engine/monitorstatus.h"
#include "engine/programwatch.h"
#include "engine/remotefolder.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"
#include "settings/watchliststore.h"

#include <QDir>
#include <QThread>
#include <QTimer>

#include <utility>

namespace quendral {

Control::Control(AppState &app, Monitor &monitor, CompletionSequence &completion, QObject *parent)
    : QObject(parent)
    , m_app(app)
    , m_monitor(monitor)
    , m_completion(completion)
{
    m_mayBlock = [folders = std::make_shared<RemoteFolders>()](const QString &folder) {
        return folders->mayBlock(folder);
    };
    // A cancel declines every countdown of the completion, those that come
    // after the one on screen too; queued, so that the sequence has left its
    // step first.
    connect(&m_monitor, &Monitor::countdownChanged, this, &Control::declineCountdowns, Qt::QueuedConnection);
    connect(&m_completion, &CompletionSequence::finished, this, [this] { m_declining = false; });
    // Connected before the tray window is made, so that a Monitor command is
    // answered before the window's box opens.
    connect(&m_monitor, &Monitor::warning, this, [this](Monitor::Warning warning, PowerControl::Action action) {
        if (!m_answerWarning)
            return;
        const PowerActionInfo &info = powerActionInfo(action);
        std::exchange(m_answerWarning, nullptr)(
            Reply::note(m_app.message(warning == Monitor::Warning::Cannot ? info.cannot : info.challenge)));
    });

    connect(&m_monitor, &Monitor::started, this, &Control::tellState);
    connect(&m_monitor, &Monitor::stopped, this, &Control::tellState);
    connect(&m_monitor, &Monitor::ticked, this, &Control::tellTick);
    connect(&m_monitor, &Monitor::ruleMet, this, &Control::tellState, Qt::QueuedConnection);
    connect(&m_monitor, &Monitor::halted, this, &Control::tellState, Qt::QueuedConnection);
}

void Control::tellState()
{
    m_told = m_monitor.state() == Monitor::State::Running ? tickView() : QVariantMap();
    emit stateChanged(MonitorStatus::stateName(m_monitor.state()));
}

QVariantMap Control::tickView() const
{
    QVariantMap view = MonitorStatus::take(m_app, m_monitor, MonitorStatus::Look::Arrived, m_mayBlock).toMap();
    view.remove(QStringLiteral("nextCheck"));
    return view;
}

void Control::tellTick()
{
    // A signal sent wakes the bus's thread and every listener: a tick is told
    // when it changed what a status shows besides the time to the next check,
    // not every 30 s over hours of waiting.
    QVariantMap view = tickView();
    if (view == m_told)
        return;
    m_told = std::move(view);
    emit stateChanged(MonitorStatus::stateName(m_monitor.state()));
}

bool Control::run(const QString &method, const QString &argument, const Respond &respond)
{
    const auto command = Command::fromMethod(method);
    if (command)
        run(*command, argument, respond);
    return command.has_value();
}

void Control::run(Command::Kind command, const QString &argument, const Respond &respond)
{
    // The transports hand every request to the program's own thread.
    Q_ASSERT(thread() == QThread::currentThread());
    qCDebug(lcControl) << "command" << Command{command, false, {}, {}}.method() << argument;
    using Kind = Command::Kind;
    switch (command) {
    case Kind::Monitor:
        monitor(respond);
        return;
    case Kind::Stop:
        if (!m_monitor.running()) {
            respond(Reply::note(m_app.message(Msg::NotMonitoring)));
            return;
        }
        m_monitor.stop();
        respond({});
        return;
    case Kind::CheckNow:
        if (!m_monitor.ticking()) {
            respond(Reply::refused(m_app.message(Msg::NotMonitoring)));
            return;
        }
        // After the answer: a tick may open a message box and wait there.
        respond({});
        QTimer::singleShot(0, &m_monitor, &Monitor::checkNow);
        return;
    case Kind::Cancel:
        respond(cancel());
        return;
    case Kind::Status:
        respond({Reply::Outcome::Done, {}, status()});
        return;
    case Kind::Add:
        respond(add(argument));
        return;
    case Kind::WaitPid:
    case Kind::WaitProgram:
        waitFor(command, argument, respond);
        return;
    case Kind::Start:
    case Kind::Help:
    case Kind::Version:
    case Kind::Log:
    case Kind::Uninstall:
        break;
    }
    // Served by the command line itself, never sent.
    respond(Reply::refused(QStringLiteral("not a command of the running copy")));
}

void Control::monitor(const Respond &respond)
{
    // Halted by a tick's problem, monitoring starts again, as it would once
    // the user chose Stop and then Monitor.
    if (m_monitor.state() == Monitor::State::Running) {
        respond(Reply::note(m_app.message(Msg::AlreadyMonitoring)));
        return;
    }
    // A warning about the power action is the answer's note; the tray
    // window's box that shows it waits for the user, the answer does not.
    bool answered = false;
    m_answerWarning = [&](const Reply &reply) {
        answered = true;
        respond(reply);
    };
    const auto problem = m_monitor.start();
    m_answerWarning = nullptr;
    if (problem)
        respond(
            Reply::refused(m_app.message(*problem == Monitor::Problem::NoFiles ? Msg::NoFiles : Msg::NoConnection)));
    else if (!answered)
        respond({});
}

void Control::waitFor(Command::Kind command, const QString &argument, const Respond &respond)
{
    Monitor::WaitFor program{argument, 0};
    if (command == Command::Kind::WaitPid) {
        program.pid = argument.toLongLong();
        if (const auto refusal = pidRefusal(program.pid, [this](Msg id) { return m_app.message(id); })) {
            respond(Reply::refused(*refusal));
            return;
        }
        programwatch::owner(program.pid, &program.name);
    } else if (argument.trimmed().isEmpty() || argument.contains(u' ')) {
        respond(Reply::refused(m_app.message(Msg::UsageWaitProgram)));
        return;
    }
    // Started by it, monitoring may warn about the power action, as Monitor.
    bool answered = false;
    m_answerWarning = [&](const Reply &reply) {
        answered = true;
        respond(reply);
    };
    const auto problem = m_monitor.waitFor(program);
    m_answerWarning = nullptr;
    if (problem == Monitor::Problem::NoFiles)
        respond(Reply::refused(m_app.message(Msg::PidMissing).arg(program.pid)));
    else if (problem)
        respond(Reply::refused(m_app.message(Msg::NoConnection)));
    else if (!answered)
        respond({});
}

Reply Control::cancel()
{
    // Monitoring started again after the request begins another round.
    const auto declinable = m_monitor.state() == Monitor::State::Running && !m_completion.running()
                                ? CompletionSequence::Declinable::Nothing
                                : m_completion.declinable();
    if (m_completion.running()) {
        m_declining = true;
        declineCountdowns();
    }
    if (m_monitor.running())
        m_monitor.stop();
    switch (declinable) {
    case CompletionSequence::Declinable::Countdown:
        break;
    case CompletionSequence::Declinable::Nothing:
        return Reply::refused(m_app.message(Msg::NothingToDecline));
    case CompletionSequence::Declinable::TooLate:
        return Reply::refused(m_app.message(Msg::TooLate));
    }
    return {};
}

void Control::declineCountdowns()
{
    if (m_declining && m_monitor.countdownRunning()) {
        qCDebug(lcControl) << "declining the countdown on request";
        m_monitor.declineCountdown();
    }
}

QVariantMap Control::status() const
{
    return MonitorStatus::take(m_app, m_monitor, MonitorStatus::Look::Close, m_mayBlock).toMap();
}

Reply Control::add(const QString &path)
{
    const QString entry = QDir::toNativeSeparators(path);
    const IniFile &file = m_app.store.settingsFile();
    // As the watch-list window: its limit, its order, and a list read up to
    // its first gap written back whole.
    QStringList entries = watchlist::read(file);
    if (const auto why = watchlist::refusal(entries, entry))
        return Reply::refused(m_app.message(*why));
    entries.insert(watchlist::sortedRow(entries, entry), entry);
    if (!watchlist::write(file, entries))
        return Reply::refused(m_app.message(Msg::SaveFailed));
    tellState();
    return {};
}

} // namespace quendral
