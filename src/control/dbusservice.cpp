#include "control/dbusservice.h"

#include "control/commandline.h"
#include "control/control.h"
#include "quendralcontroladaptor.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace quendral {

namespace {

const QString kRefused = QStringLiteral("org.example.Quendral.Error.Refused");

// Monitor and Stop answer with their note.
QVariant note(const Reply &reply)
{
    return reply.text;
}

} // namespace

DBusService::DBusService(Control &control, QObject *parent)
    : QObject(parent)
    , m_control(control)
{
    new QuendralAdaptor(this);
    connect(&control, &Control::stateChanged, this, &DBusService::StateChanged);
}

void DBusService::run(int command, const QString &argument, const Answer &answer)
{
    // The reply goes when the command answers: Monitor answers before a
    // warning box of the tray window waits for the user.
    setDelayedReply(true);
    const QDBusMessage call = message();
    const QDBusConnection bus = connection();
    m_control.run(Command::Kind(command), argument, [call, bus, answer](const Reply &reply) {
        QDBusMessage message =
            reply.outcome == Reply::Outcome::Done ? call.createReply() : call.createErrorReply(kRefused, reply.text);
        if (reply.outcome == Reply::Outcome::Done && answer)
            message << answer(reply);
        QDBusConnection(bus).send(message);
    });
}

// The values returned below are not sent: the delayed reply is.
QString DBusService::Monitor()
{
    run(int(Command::Kind::Monitor), {}, note);
    return {};
}

QString DBusService::Stop()
{
    run(int(Command::Kind::Stop), {}, note);
    return {};
}

void DBusService::CheckNow()
{
    run(int(Command::Kind::CheckNow));
}

void DBusService::Cancel()
{
    run(int(Command::Kind::Cancel));
}

QVariantMap DBusService::Status()
{
    run(int(Command::Kind::Status), {}, [](const Reply &reply) { return QVariant(reply.status); });
    return {};
}

// The same bytes the Qt front prints for Status, formatted once, here.
QString DBusService::StatusText(bool json)
{
    run(int(Command::Kind::Status), {}, [json](const Reply &reply) {
        return QVariant(json ? QString::fromUtf8(statusJson(reply.status)) : statusText(reply.status));
    });
    return {};
}

void DBusService::Add(const QString &path)
{
    run(int(Command::Kind::Add), path);
}

void DBusService::WaitPid(uint pid)
{
    run(int(Command::Kind::WaitPid), QString::number(pid));
}

void DBusService::WaitProgram(const QString &name)
{
    run(int(Command::Kind::WaitProgram), name);
}

} // namespace quendral
