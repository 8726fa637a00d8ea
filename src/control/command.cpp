#include "control/command.h"

#include <QHash>

namespace quendral {

namespace {

using Kind = Command::Kind;

const QHash<QString, Kind> &switches()
{
    static const QHash<QString, Kind> table = {
        {QStringLiteral("--help"), Kind::Help},       {QStringLiteral("-h"), Kind::Help},
        {QStringLiteral("--version"), Kind::Version}, {QStringLiteral("--monitor"), Kind::Monitor},
        {QStringLiteral("--stop"), Kind::Stop},       {QStringLiteral("--check-now"), Kind::CheckNow},
        {QStringLiteral("--cancel"), Kind::Cancel},   {QStringLiteral("--status"), Kind::Status},
        {QStringLiteral("--add"), Kind::Add},
    };
    return table;
}

ParsedCommand usageError(const QString &error)
{
    return {std::nullopt, error};
}

} // namespace

QString Command::method() const
{
    switch (kind) {
    case Kind::Monitor:
        return QStringLiteral("Monitor");
    case Kind::Stop:
        return QStringLiteral("Stop");
    case Kind::CheckNow:
        return QStringLiteral("CheckNow");
    case Kind::Cancel:
        return QStringLiteral("Cancel");
    case Kind::Status:
        return QStringLiteral("Status");
    case Kind::Add:
        return QStringLiteral("Add");
    case Kind::Start:
    case Kind::Help:
    case Kind::Version:
        break;
    }
    return {};
}

std::optional<Command::Kind> Command::fromMethod(const QString &method)
{
    for (const Kind kind : {Kind::Monitor, Kind::Stop, Kind::CheckNow, Kind::Cancel, Kind::Status, Kind::Add}) {
        if (Command{kind, false, {}}.method() == method)
            return kind;
    }
    return std::nullopt;
}

ParsedCommand parseCommand(const QStringList &arguments)
{
    Command command;
    bool json = false;
    QStringList stray;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        std::optional<QString> value;
        if (argument.startsWith(QLatin1String("--add="))) {
            value = argument.mid(6);
            argument = QStringLiteral("--add");
        }
        if (argument == QLatin1String("--json")) {
            json = true;
            continue;
        }
        const auto found = switches().constFind(argument);
        if (found == switches().cend()) {
            if (argument.startsWith(QLatin1String("--")))
                return usageError(QStringLiteral("unknown option %1").arg(argument));
            stray.append(argument);
            continue;
        }
        if (command.kind != Kind::Start)
            return usageError(QStringLiteral("one command at a time"));
        command.kind = *found;
        if (command.kind == Kind::Add) {
            if (!value) {
                if (i + 1 >= arguments.size())
                    return usageError(QStringLiteral("--add needs a path"));
                value = arguments[++i];
            }
            if (value->isEmpty())
                return usageError(QStringLiteral("--add needs a path"));
            command.path = *value;
        }
    }
    if (json && command.kind != Kind::Status)
        return usageError(QStringLiteral("--json goes with --status"));
    if (command.kind != Kind::Start && !stray.isEmpty())
        return usageError(QStringLiteral("unexpected argument %1").arg(stray.first()));
    command.json = json;
    return {command, {}};
}

QString usageText()
{
    return QStringLiteral("Usage: quendral [COMMAND]\n"
                          "Without a command Quendral starts in the notification area.\n"
                          "\n"
                          "  --monitor       start monitoring (starts Quendral when it is not running)\n"
                          "  --stop          stop monitoring\n"
                          "  --check-now     look at the watched files at once\n"
                          "  --cancel        decline a running countdown and stop monitoring\n"
                          "  --status        show the state; with --json as one JSON object\n"
                          "  --add PATH      add a file (a name may hold * and ?) to the watch list\n"
                          "  --help          show this text\n"
                          "  --version       show the version\n"
                          "\n"
                          "Exit status: 0 done, 1 refused (the reason on standard error), 2 usage error,\n"
                          "3 Quendral is not running.\n");
}

} // namespace quendral
