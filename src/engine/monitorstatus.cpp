#include "engine/monitorstatus.h"

#include "engine/presence.h"
#include "engine/programwatch.h"
#include "settings/appstate.h"
#include "settings/completionchoice.h"
#include "settings/options.h"
#include "settings/watchliststore.h"

#include <QFileInfo>
#include <QHash>

namespace quendral {

namespace {

// The actions of a choice, in the order the completion takes them.
QStringList actionsOf(const CompletionChoice &choice)
{
    QStringList actions;
    if (!choice.soundPath.isEmpty())
        actions.append(QStringLiteral("sound"));
    if (choice.notice)
        actions.append(QStringLiteral("notice"));
    if (!choice.command.isEmpty())
        actions.append(QStringLiteral("command"));
    if (choice.hangUp)
        actions.append(QStringLiteral("hangup"));
    if (choice.power)
        actions.append(QLatin1String(powerActionInfo(*choice.power).name));
    return actions;
}

// Folder by folder, as the tick reads them: each folder is listed at most
// once per look.
QList<MonitorStatus::Entry> entriesOf(const QStringList &paths, MonitorStatus::Look look,
                                      const MonitorStatus::MayBlock &mayBlock)
{
    using Entry = MonitorStatus::Entry;
    QList<Entry> entries(paths.size(), Entry::Missing);
    QHash<QString, QList<qsizetype>> byFolder;
    QStringList folders;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString folder = presence::splitPath(paths[i]).first;
        if (!byFolder.contains(folder))
            folders.append(folder);
        byFolder[folder].append(i);
    }
    for (const QString &folder : std::as_const(folders)) {
        const QList<qsizetype> &indexes = byFolder[folder];
        if (mayBlock(folder)) {
            for (const qsizetype i : indexes)
                entries[i] = Entry::Unknown;
            continue;
        }
        QStringList names;
        for (const qsizetype i : indexes)
            names.append(presence::splitPath(paths[i]).second);
        const auto arrived = presence::arrivedIn(folder, names);
        QStringList complete;
        QList<qsizetype> completeIndexes;
        for (qsizetype k = 0; k < indexes.size(); ++k) {
            const qsizetype i = indexes[k];
            if (arrived[std::size_t(k)] == presence::Answer::Yes) {
                entries[i] = Entry::There;
                complete.append(names[k]);
                completeIndexes.append(i);
            } else if (look == MonitorStatus::Look::Close && !presence::hasWildcard(paths[i])) {
                // An empty file does not count as arrived, but is not missing.
                if (presence::hasPartialMarker(paths[i]))
                    entries[i] = Entry::Partial;
                else if (const QFileInfo file(paths[i]); file.isFile() && file.size() == 0)
                    entries[i] = Entry::Empty;
            }
        }
        if (look == MonitorStatus::Look::Arrived || complete.isEmpty())
            continue;
        // The look for writers only where something has arrived.
        const auto found = presence::foundIn(folder, complete);
        for (qsizetype k = 0; k < complete.size(); ++k) {
            if (found[std::size_t(k)] != presence::Answer::Yes)
                entries[completeIndexes[k]] = Entry::Writing;
        }
    }
    return entries;
}

} // namespace

MonitorStatus MonitorStatus::take(const AppState &app, const Monitor &monitor, Look look, const MayBlock &mayBlock)
{
    const CompletionChoice choice = monitor.choice();
    const auto countdown = monitor.countdown();
    MonitorStatus status;
    status.state = monitor.state();
    status.rule = monitoring::ruleFrom(Options::read(app.store).notallfiles.number());
    if (countdown) {
        // The list is empty by now: the files are those the completion found.
        status.files = choice.files + choice.missing;
        status.entries =
            QList<Entry>(choice.files.size(), Entry::There) + QList<Entry>(choice.missing.size(), Entry::Missing);
        status.countdownAction =
            countdown->power ? QLatin1String(powerActionInfo(*countdown->power).name) : QStringLiteral("hangup");
        status.countdown = countdown->left;
    } else {
        status.files = watchlist::read(app.store.settingsFile());
        status.entries = entriesOf(status.files, look, mayBlock);
    }
    status.actions = actionsOf(choice);
    status.command = choice.command;
    status.powerAction = choice.power ? QLatin1String(powerActionInfo(*choice.power).name) : QString();
    status.countdownLength = choice.countsDown() ? choice.countdownSeconds : 0;
    const FinishConditions &conditions = monitor.conditions();
    status.quietMinutes = conditions.quietMinutes().value_or(0);
    status.quietRate = status.quietMinutes ? conditions.quietRateKBs() : 0;
    if (const auto time = conditions.deadlineTime()) {
        status.deadline = time->toString(QStringLiteral("HH:mm"));
        status.deadlineHangUpOnly = conditions.hangUpOnlyAtDeadline();
    }
    if (conditions.programsArmed()) {
        status.programs = conditions.programs()->waitingFor();
        status.programPids = conditions.programs()->runningPids();
    }
    status.nextCheck = monitor.secondsToNextTick();
    return status;
}

QString MonitorStatus::entryName(Entry entry)
{
    static const char *const names[] = {"there", "partial", "writing", "missing", "unknown", "empty"};
    return QString::fromLatin1(names[int(entry)]);
}

QString MonitorStatus::stateName(Monitor::State state)
{
    static const char *const names[] = {"stopped", "running", "countingdown"};
    return QString::fromLatin1(names[int(state)]);
}

QString MonitorStatus::ruleName(monitoring::Rule rule)
{
    static const char *const names[] = {"all", "any", "never"};
    return QString::fromLatin1(names[int(rule)]);
}

QVariantMap MonitorStatus::toMap() const
{
    QStringList states;
    for (const Entry entry : entries)
        states.append(entryName(entry));
    QStringList pids;
    for (const qint64 pid : programPids)
        pids.append(QString::number(pid));
    return {
        {QStringLiteral("monitoring"), state != Monitor::State::Stopped},
        {QStringLiteral("state"), stateName(state)},
        {QStringLiteral("rule"), ruleName(rule)},
        {QStringLiteral("files"), files},
        {QStringLiteral("states"), states},
        {QStringLiteral("actions"), actions},
        {QStringLiteral("command"), command},
        {QStringLiteral("powerAction"), powerAction},
        {QStringLiteral("countdownLength"), countdownLength},
        {QStringLiteral("quietMinutes"), quietMinutes},
        {QStringLiteral("quietRate"), quietRate},
        {QStringLiteral("deadline"), deadline},
        {QStringLiteral("deadlineAction"), deadline.isEmpty()   ? QString()
                                           : deadlineHangUpOnly ? QStringLiteral("hangup")
                                                                : QStringLiteral("all")},
        {QStringLiteral("programs"), programs},
        {QStringLiteral("pids"), pids},
        {QStringLiteral("nextCheck"), nextCheck},
        {QStringLiteral("countdownAction"), countdownAction},
        {QStringLiteral("countdown"), countdown},
    };
}

} // namespace quendral
