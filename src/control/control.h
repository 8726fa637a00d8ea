#pragma once

#include "control/command.h"
#include "control/reply.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace quendral {

struct AppState;
class CompletionSequence;
class Monitor;

// The commands of the running copy, behind every transport: each does what
// the tray menu or the watch-list window does: Monitor, Stop, CheckNow,
// Cancel, Status, Add(path), WaitPid(pid), WaitProgram(name).
class Control : public QObject
{
    Q_OBJECT

public:
    using Respond = std::function<void(const Reply &)>;

    Control(AppState &app, Monitor &monitor, CompletionSequence &completion, QObject *parent = nullptr);

    // Runs the command and answers through `respond`, exactly once. The
    // answer may come before the command is over: Monitor answers once
    // monitoring has started, with the power action's warning as its note,
    // before the tray window's box with that warning waits for the user.
    void run(Command::Kind command, const QString &argument, const Respond &respond);
    // The same for a transport that carries the method's name; false for a
    // name that is no method.
    bool run(const QString &method, const QString &argument, const Respond &respond);

    // The state in one map (see MonitorStatus::toMap), with the close look at
    // every entry.
    QVariantMap status() const;
    Reply add(const QString &path);

signals:
    // Monitoring started, stopped, halted or met its rule, a tick changed
    // which files are there or what the completion will do, or the list took
    // an entry: the state's name.
    void stateChanged(const QString &state);

private:
    // The status as a tick may change it, the clock left out.
    QVariantMap tickView() const;
    // Tells the state; a tick only when it changed its view.
    void tellState();
    void tellTick();
    void monitor(const Respond &respond);
    // --wait-pid, --wait-program: waits for it too, starting monitoring.
    void waitFor(Command::Kind command, const QString &argument, const Respond &respond);
    Reply cancel();
    void declineCountdowns();

    AppState &m_app;
    Monitor &m_monitor;
    CompletionSequence &m_completion;
    std::function<bool(const QString &folder)> m_mayBlock;
    // A cancel waits for the completion's countdowns, one after another.
    bool m_declining = false;
    // While a Monitor command starts monitoring: answers with a warning.
    Respond m_answerWarning;
    // The tick view last told, while monitoring ticks.
    QVariantMap m_told;
};

} // namespace quendral
