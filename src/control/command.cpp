#include "control/command.h"

#include <QHash>
#include <QList>

#include <utility>

namespace quendral {

namespace {

using Kind = Command::Kind;

const QHash<QString, Kind> &switches()
{
    static const QHash<QString, Kind> table = {
        {QStringLiteral("--help"), Kind::Help},
        {QStringLiteral("-h"), Kind::Help},
        {QStringLiteral("--version"), Kind::Version},
        {QStringLiteral("--monitor"), Kind::Monitor},
        {QStringLiteral("--stop"), Kind::Stop},
        {QStringLiteral("--check-now"), Kind::CheckNow},
        {QStringLiteral("--cancel"), Kind::Cancel},
        {QStringLiteral("--status"), Kind::Status},
        {QStringLiteral("--add"), Kind::Add},
        {QStringLiteral("--wait-pid"), Kind::WaitPid},
        {QStringLiteral("--wait-program"), Kind::WaitProgram},
        {QStringLiteral("--log"), Kind::Log},
        {QStringLiteral("\\uninstallme"), Kind::Uninstall},
    };
    return table;
}

// The options QGuiApplication and QApplication take for themselves, true for
// those followed by a value: a session manager restarts the program with
// -session, and -platform or -style choose how it is shown.
const QHash<QString, bool> &qtOptions()
{
    static const QHash<QString, bool> table = {
        {QStringLiteral("-platform"), true},        {QStringLiteral("-platformpluginpath"), true},
        {QStringLiteral("-platformtheme"), true},   {QStringLiteral("-plugin"), true},
        {QStringLiteral("-qwindowgeometry"), true}, {QStringLiteral("-qwindowicon"), true},
        {QStringLiteral("-qwindowtitle"), true},    {QStringLiteral("-session"), true},
        {QStringLiteral("-display"), true},         {QStringLiteral("-geometry"), true},
        {QStringLiteral("-style"), true},           {QStringLiteral("-stylesheet"), true},
        {QStringLiteral("-reverse"), false},        {QStringLiteral("-widgetcount"), false},
    };
    return table;
}

ParsedCommand usageError(Msg error, const QString &argument = {})
{
    return {std::nullopt, error, argument};
}

// The usage error of a command whose value is missing; none for a command
// that takes no value.
std::optional<Msg> valueMissing(Kind kind)
{
    switch (kind) {
    case Kind::Add:
        return Msg::UsageAddPath;
    case Kind::WaitPid:
        return Msg::UsageWaitPid;
    case Kind::WaitProgram:
        return Msg::UsageWaitProgram;
    default:
        return std::nullopt;
    }
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
    case Kind::WaitPid:
        return QStringLiteral("WaitPid");
    case Kind::WaitProgram:
        return QStringLiteral("WaitProgram");
    case Kind::Start:
    case Kind::Help:
    case Kind::Version:
    case Kind::Log:
    case Kind::Uninstall:
        break;
    }
    return {};
}

std::optional<Command::Kind> Command::fromMethod(const QString &method)
{
    for (const Kind kind : {Kind::Monitor, Kind::Stop, Kind::CheckNow, Kind::Cancel, Kind::Status, Kind::Add,
                            Kind::WaitPid, Kind::WaitProgram}) {
        if (Command{kind, false, {}, {}}.method() == method)
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
        // --add=PATH, --wait-pid=PID, --wait-program=NAME carry their value.
        for (const char *withValue : {"--add", "--wait-pid", "--wait-program"}) {
            const QString prefix = QLatin1String(withValue) + u'=';
            if (argument.startsWith(prefix)) {
                value = argument.mid(prefix.size());
                argument = QLatin1String(withValue);
            }
        }
        if (argument == QLatin1String("--json")) {
            json = true;
            continue;
        }
        const QString qtName = argument.section(u'=', 0, 0);
        if (const auto qt = qtOptions().constFind(qtName); qt != qtOptions().cend()) {
            // -style=NAME carries its value; -style NAME is followed by it.
            if (*qt && qtName == argument)
                ++i;
            continue;
        }
        const auto found = switches().constFind(argument);
        if (found == switches().cend()) {
            if (argument.startsWith(u'-'))
                return usageError(Msg::UsageUnknownOption, argument);
            stray.append(argument);
            continue;
        }
        if (command.kind != Kind::Start)
            return usageError(Msg::UsageOneCommand);
        command.kind = *found;
        const auto missing = valueMissing(command.kind);
        if (!missing)
            continue;
        if (!value) {
            if (i + 1 >= arguments.size())
                return usageError(*missing);
            value = arguments[++i];
        }
        if (value->isEmpty())
            return usageError(*missing);
        if (command.kind == Kind::Add) {
            command.path = *value;
            continue;
        }
        // A process number is a whole number above 0, in decimal.
        bool number = true;
        if (command.kind == Kind::WaitPid) {
            const qint64 pid = value->toLongLong(&number);
            number = number && pid > 0 && value->front().isDigit();
        }
        if (!number)
            return usageError(*missing);
        command.target = *value;
    }
    if (json && command.kind != Kind::Status)
        return usageError(Msg::UsageJson);
    if (!stray.isEmpty())
        return usageError(Msg::UsageStray, stray.first());
    // The uninstaller's switch stands alone, Qt's options included.
    if (command.kind == Kind::Uninstall) {
        for (const QString &argument : arguments) {
            if (switches().value(argument, Kind::Start) != Kind::Uninstall)
                return usageError(Msg::UsageStray, argument);
        }
    }
    command.json = json;
    ParsedCommand parsed;
    parsed.command = command;
    return parsed;
}

QString usageErrorText(const ParsedCommand &parsed, const MessageText &text)
{
    QString error = text(parsed.error);
    if (error.contains(QLatin1String("%1")))
        error = error.arg(parsed.argument);
    return QStringLiteral("quendral: %1; %2\n").arg(error, text(Msg::UsageSeeHelp));
}

QString usageText(const MessageText &text, const QString &logFile)
{
    const QList<std::pair<const char *, Msg>> lines = {
        {"--monitor", Msg::HelpMonitor},
        {"--stop", Msg::HelpStop},
        {"--check-now", Msg::HelpCheckNow},
        {"--cancel", Msg::HelpCancel},
        {"--status [--json]", Msg::HelpStatus},
        {"--add PATH, --add=PATH", Msg::HelpAdd},
        {"--wait-pid PID", Msg::HelpWaitPid},
        {"--wait-program NAME", Msg::HelpWaitProgram},
        {"--log", Msg::HelpLog},
        {"\\uninstallme", Msg::HelpUninstall},
        {"--help, -h", Msg::HelpHelp},
        {"--version", Msg::HelpVersion},
    };
    QString usage = text(Msg::HelpUsage) + u'\n' + text(Msg::HelpStart) + QStringLiteral("\n\n");
    for (const auto &[option, description] : lines) {
        QString said = text(description);
        if (description == Msg::HelpLog)
            said = said.arg(logFile);
        usage += QStringLiteral("  %1  %2\n").arg(QLatin1String(option), -22).arg(said);
    }
    return usage + u'\n' + text(Msg::HelpExit) + u'\n';
}

} // namespace quendral
