#pragma once

#include "settings/completionchoice.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

namespace quendral {

// A process of this user as the system lists it: its number, the name `ps`
// (or the task manager, an executable name on Windows) shows, and on Linux
// the whole name where the kernel cut it to 15 characters.
struct RunningProgram
{
    qint64 pid = 0;
    QString name;
    QString shortName;
};

// What a process number stands for: one of this user's processes, none, or
// another user's.
enum class PidOwner { Mine, Missing, Other };

namespace programwatch {

// This user's running processes, in the order the system lists them.
QList<RunningProgram> userPrograms();
// Whether `wanted` names the program: as listed (either name on Linux; the
// executable's name in any letter case on Windows).
bool matches(const RunningProgram &program, const QString &wanted);
// Whose process `pid` is; `name` gets its name when it is this user's.
PidOwner owner(qint64 pid, QString *name = nullptr);

} // namespace programwatch

// One process awaited until it ends: a pidfd under a socket notifier on Linux,
// a process handle under an event notifier on Windows. Nothing polls it.
class ProcessEnd : public QObject
{
    Q_OBJECT

public:
    // nullptr when the process is gone already, or cannot be awaited.
    static ProcessEnd *open(qint64 pid, QObject *parent);
    ~ProcessEnd() override;

    qint64 pid() const { return m_pid; }

signals:
    void ended(qint64 pid);

private:
    ProcessEnd(qint64 pid, qintptr handle, QObject *parent);

    qint64 m_pid;
    qintptr m_handle;
};

// The programs monitoring waits for: the names chosen (and a few given on the
// command line) and single processes given by number. Each matching process
// of this user seen while it is armed is awaited until it ends; new ones are
// found by scan(), which the tick calls. It is met once one was seen and none
// runs any more.
class ProgramWatch : public QObject
{
    Q_OBJECT

public:
    using Lister = std::function<QList<RunningProgram>()>;

    explicit ProgramWatch(QObject *parent = nullptr);
    // Where processes are listed: programwatch::userPrograms unless a test
    // names its own.
    void setLister(Lister list) { m_list = std::move(list); }

    void arm(const QStringList &names);
    void disarm();
    bool armed() const { return !m_names.isEmpty() || !m_pids.isEmpty(); }
    // One more name, looked for at once.
    void addName(const QString &name);
    // One more process; false when it is not running (or cannot be awaited).
    bool addPid(qint64 pid, const QString &name);

    // Looks for matching processes not awaited yet.
    void scan();
    bool met() const { return armed() && !m_ended.isEmpty() && m_running.isEmpty(); }

    // The names it waits for, those of the processes given by number too.
    QStringList waitingFor() const;
    QList<qint64> runningPids() const;
    int runningCount() const { return int(m_running.size()); }
    const QList<EndedProgram> &ended() const { return m_ended; }

signals:
    // The last awaited process ended (none of them runs any more).
    void allEnded();
    // A process came or went, for the displays.
    void changed();

private:
    // True when it found one.
    bool lookForNew();
    bool await(qint64 pid, const QString &name);
    void processEnded(qint64 pid);

    Lister m_list = programwatch::userPrograms;
    QStringList m_names;
    // Processes given by number: their names, for the displays.
    QHash<qint64, QString> m_pids;
    QHash<qint64, ProcessEnd *> m_running;
    QHash<qint64, QString> m_runningNames;
    QList<EndedProgram> m_ended;
};

} // namespace quendral
