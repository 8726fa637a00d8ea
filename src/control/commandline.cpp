#include "control/commandline.h"

#include "base/logfile.h"
#include "engine/programwatch.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quendral {

namespace {

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

int printLog(const CommandLineEnds &ends)
{
    const QStringList lines = LogFile(ends.logFile).recentLines(kLogLines);
    if (lines.isEmpty()) {
        print(ends.err, ends.text(Msg::LogEmpty).arg(QDir::toNativeSeparators(ends.logFile)) + u'\n');
        return ExitRefused;
    }
    print(ends.out, lines.join(u'\n') + u'\n');
    return ExitDone;
}

QJsonValue seconds(const QVariant &value)
{
    const int n = value.toInt();
    return n < 0 ? QJsonValue() : QJsonValue(n);
}

} // namespace

bool startsCopy(Command::Kind kind)
{
    return kind == Command::Kind::Monitor || kind == Command::Kind::WaitPid || kind == Command::Kind::WaitProgram;
}

std::optional<QString> pidRefusal(qint64 pid, const MessageText &text)
{
    switch (programwatch::owner(pid)) {
    case PidOwner::Mine:
        return std::nullopt;
    case PidOwner::Missing:
        return text(Msg::PidMissing).arg(pid);
    case PidOwner::Other:
        break;
    }
    return text(Msg::PidOther).arg(pid);
}

int runCommandLine(const ParsedCommand &parsed, const CommandLineEnds &ends)
{
    if (!parsed.command) {
        print(ends.err, usageErrorText(parsed, ends.text));
        return ExitUsage;
    }
    const Command &command = *parsed.command;
    switch (command.kind) {
    case Command::Kind::Start:
        return -1;
    case Command::Kind::Help:
        print(ends.out, usageText(ends.text, QDir::toNativeSeparators(ends.logFile)));
        return ExitDone;
    case Command::Kind::Version:
        print(ends.out, QStringLiteral("Quendral %1\n").arg(QStringLiteral(QUENDRAL_VERSION)));
        return ExitDone;
    case Command::Kind::Log:
        return printLog(ends);
    case Command::Kind::Uninstall:
        ends.uninstall();
        return ExitDone;
    default:
        break;
    }
    // A process that is not there or not the user's is refused here too,
    // before a copy would start for it.
    if (command.kind == Command::Kind::WaitPid) {
        if (const auto refusal = pidRefusal(command.target.toLongLong(), ends.text)) {
            print(ends.err, *refusal + u'\n');
            return ExitRefused;
        }
    }
    // The running copy has another current folder.
    const QString argument =
        command.kind == Command::Kind::Add ? QDir::current().absoluteFilePath(command.path) : command.target;
    const Reply reply = ends.call(command.method(), argument);
    switch (reply.outcome) {
    case Reply::Outcome::NotRunning:
        if (startsCopy(command.kind))
            return -1;
        print(ends.err, ends.text(Msg::NotRunning) + u'\n');
        return ExitNotRunning;
    case Reply::Outcome::Refused:
        print(ends.err, reply.text + u'\n');
        return ExitRefused;
    case Reply::Outcome::Done:
        break;
    }
    if (!reply.text.isEmpty())
        print(ends.out, reply.text + u'\n');
    if (command.kind == Command::Kind::Status)
        print(ends.out, command.json ? QString::fromUtf8(statusJson(reply.status)) : statusText(reply.status));
    return ExitDone;
}

QString statusText(const QVariantMap &status)
{
    const auto value = [&status](const char *key) { return status.value(QLatin1String(key)); };
    QString text = QStringLiteral("state: %1\nrule: %2\n").arg(value("state").toString(), value("rule").toString());
    if (const int next = value("nextCheck").toInt(); next >= 0)
        text += QStringLiteral("next check: %1 s\n").arg(next);
    if (const int left = value("countdown").toInt(); left >= 0)
        text += QStringLiteral("countdown: %1 in %2 s\n").arg(value("countdownAction").toString()).arg(left);
    const QStringList actions = value("actions").toStringList();
    text += QStringLiteral("actions: %1\n").arg(actions.isEmpty() ? QStringLiteral("none") : actions.join(u' '));
    if (const QString command = value("command").toString(); !command.isEmpty())
        text += QStringLiteral("command: %1\n").arg(command);
    if (const int length = value("countdownLength").toInt(); length > 0)
        text += QStringLiteral("countdown length: %1 s\n").arg(length);
    if (const int minutes = value("quietMinutes").toInt(); minutes > 0)
        text += QStringLiteral("quiet: %1 min below %2 kB/s\n").arg(minutes).arg(value("quietRate").toDouble());
    if (const QString deadline = value("deadline").toString(); !deadline.isEmpty())
        text += QStringLiteral("deadline: %1 (%2)\n").arg(deadline, value("deadlineAction").toString());
    if (const QStringList programs = value("programs").toStringList(); !programs.isEmpty()) {
        const QStringList pids = value("pids").toStringList();
        text += QStringLiteral("waiting for %1 (%2 running)").arg(programs.join(QStringLiteral(", "))).arg(pids.size());
        text += pids.isEmpty() ? QStringLiteral("\n") : QStringLiteral(": pids %1\n").arg(pids.join(u' '));
    }
    const QStringList files = value("files").toStringList();
    const QStringList states = value("states").toStringList();
    for (qsizetype i = 0; i < files.size(); ++i)
        text += QStringLiteral("%1 %2\n").arg(states.value(i), -8).arg(files[i]);
    return text;
}

QByteArray statusJson(const QVariantMap &status)
{
    const auto value = [&status](const char *key) { return status.value(QLatin1String(key)); };
    // Text that is empty when nothing is chosen reads as null.
    const auto text = [&value](const char *key) {
        const QString text = value(key).toString();
        return text.isEmpty() ? QJsonValue() : QJsonValue(text);
    };
    const QStringList files = value("files").toStringList();
    const QStringList states = value("states").toStringList();
    QJsonArray entries;
    for (qsizetype i = 0; i < files.size(); ++i)
        entries.append(QJsonObject{{QStringLiteral("path"), files[i]}, {QStringLiteral("state"), states.value(i)}});
    QJsonValue quiet;
    if (const int minutes = value("quietMinutes").toInt(); minutes > 0)
        quiet =
            QJsonObject{{QStringLiteral("minutes"), minutes}, {QStringLiteral("rate"), value("quietRate").toDouble()}};
    QJsonValue deadline;
    if (!value("deadline").toString().isEmpty())
        deadline = QJsonObject{{QStringLiteral("time"), value("deadline").toString()},
                               {QStringLiteral("action"), value("deadlineAction").toString()}};
    QJsonValue programs;
    if (const QStringList names = value("programs").toStringList(); !names.isEmpty()) {
        QJsonArray pids;
        for (const QString &pid : value("pids").toStringList())
            pids.append(pid.toLongLong());
        programs = QJsonObject{{QStringLiteral("names"), QJsonArray::fromStringList(names)},
                               {QStringLiteral("running"), pids.size()},
                               {QStringLiteral("pids"), pids}};
    }
    const QJsonObject object{
        {QStringLiteral("monitoring"), value("monitoring").toBool()},
        {QStringLiteral("state"), value("state").toString()},
        {QStringLiteral("rule"), value("rule").toString()},
        {QStringLiteral("entries"), entries},
        {QStringLiteral("actions"), QJsonArray::fromStringList(value("actions").toStringList())},
        {QStringLiteral("command"), text("command")},
        {QStringLiteral("powerAction"), text("powerAction")},
        {QStringLiteral("countdownLength"), seconds(value("countdownLength"))},
        {QStringLiteral("quiet"), quiet},
        {QStringLiteral("deadline"), deadline},
        {QStringLiteral("programs"), programs},
        {QStringLiteral("nextCheck"), seconds(value("nextCheck"))},
        {QStringLiteral("countdownAction"), text("countdownAction")},
        {QStringLiteral("countdown"), seconds(value("countdown"))},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace quendral
