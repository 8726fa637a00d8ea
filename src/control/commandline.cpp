#include "control/commandline.h"

#include "lang/languageid.h"

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

// Said before any language file is read, in the system's language.
QString notRunningText()
{
    return systemDefaultLangId() == kLangIdPolish ? QStringLiteral("Quendral nie jest uruchomiony.\n")
                                                  : QStringLiteral("Quendral is not running.\n");
}

QJsonValue seconds(const QVariant &value)
{
    const int n = value.toInt();
    return n < 0 ? QJsonValue() : QJsonValue(n);
}

} // namespace

int runCommandLine(const ParsedCommand &parsed, const CallRunningCopy &call, FILE *out, FILE *err)
{
    if (!parsed.command) {
        print(err, QStringLiteral("quendral: %1\n\n").arg(parsed.error) + usageText());
        return 2;
    }
    const Command &command = *parsed.command;
    switch (command.kind) {
    case Command::Kind::Start:
        return -1;
    case Command::Kind::Help:
        print(out, usageText());
        return 0;
    case Command::Kind::Version:
        print(out, QStringLiteral("Quendral %1\n").arg(QStringLiteral(QUENDRAL_VERSION)));
        return 0;
    default:
        break;
    }
    // The running copy has another current folder.
    const QString argument =
        command.kind == Command::Kind::Add ? QDir::current().absoluteFilePath(command.path) : QString();
    const Reply reply = call(command.method(), argument);
    switch (reply.outcome) {
    case Reply::Outcome::NotRunning:
        if (command.kind == Command::Kind::Monitor)
            return -1;
        print(err, notRunningText());
        return 3;
    case Reply::Outcome::Refused:
        print(err, reply.text + u'\n');
        return 1;
    case Reply::Outcome::Done:
        break;
    }
    if (!reply.text.isEmpty())
        print(out, reply.text + u'\n');
    if (command.kind == Command::Kind::Status)
        print(out, command.json ? QString::fromUtf8(statusJson(reply.status)) : statusText(reply.status));
    return 0;
}

QString statusText(const QVariantMap &status)
{
    QString text =
        QStringLiteral("state: %1\nrule: %2\n")
            .arg(status.value(QStringLiteral("state")).toString(), status.value(QStringLiteral("rule")).toString());
    if (const int next = status.value(QStringLiteral("nextCheck")).toInt(); next >= 0)
        text += QStringLiteral("next check: %1 s\n").arg(next);
    if (const int left = status.value(QStringLiteral("countdown")).toInt(); left >= 0)
        text += QStringLiteral("countdown: %1 s\n").arg(left);
    const QStringList actions = status.value(QStringLiteral("actions")).toStringList();
    text += QStringLiteral("actions: %1\n").arg(actions.isEmpty() ? QStringLiteral("none") : actions.join(u' '));
    const QStringList files = status.value(QStringLiteral("files")).toStringList();
    const QStringList states = status.value(QStringLiteral("states")).toStringList();
    for (qsizetype i = 0; i < files.size(); ++i)
        text += QStringLiteral("%1 %2\n").arg(states.value(i), -8).arg(files[i]);
    return text;
}

QByteArray statusJson(const QVariantMap &status)
{
    const QStringList files = status.value(QStringLiteral("files")).toStringList();
    const QStringList states = status.value(QStringLiteral("states")).toStringList();
    QJsonArray entries;
    for (qsizetype i = 0; i < files.size(); ++i)
        entries.append(QJsonObject{{QStringLiteral("path"), files[i]}, {QStringLiteral("state"), states.value(i)}});
    const QJsonObject object{
        {QStringLiteral("monitoring"), status.value(QStringLiteral("monitoring")).toBool()},
        {QStringLiteral("state"), status.value(QStringLiteral("state")).toString()},
        {QStringLiteral("rule"), status.value(QStringLiteral("rule")).toString()},
        {QStringLiteral("entries"), entries},
        {QStringLiteral("actions"), QJsonArray::fromStringList(status.value(QStringLiteral("actions")).toStringList())},
        {QStringLiteral("nextCheck"), seconds(status.value(QStringLiteral("nextCheck")))},
        {QStringLiteral("countdown"), seconds(status.value(QStringLiteral("countdown")))},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace quendral
