#include "control/dbusservice.h"

#include "control/control.h"
#include "quendralcontroladaptor.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace quendral {

namespace {

const QString kRefused = QStringLiteral("org.example.Quendral.Error.Refused");

} // namespace

DBusService::DBusService(Control &control, QObject *parent)
    : QObject(parent)
    , m_control(control)
{
    new QuendralAdaptor(this);
    connect(&control, &Control::stateChanged, this, &DBusService::StateChanged);
}

void DBusService::run(int command, const QString &argument)
{
    // The reply goes when the command answers: Monitor answers before a
    // warning box of the tray window waits for the user.
    setDelayedReply(true);
    const QDBusMessage call = message();
    const QDBusConnection bus = connection();
    m_control.run(Command::Kind(command), argument, [call, bus](const Reply &reply) {
        QDBusMessage answer =
            reply.outcome == Reply::Outcome::Done ? call.createReply() : call.createErrorReply(kRefused, reply.text);
        if (reply.outcome == Reply::Outcome::Done) {
            const auto kind = Command::fromMethod(call.member());
            if (kind == Command::Kind::Status)
                answer << reply.status;
            else if (kind == Command::Kind::Monitor || kind == Command::Kind::Stop)
                answer << reply.text;
        }
        QDBusConnection(bus).send(answer);
    });
}

// The values returned below are not sent: the delayed reply is.
QString DBusService::Monitor()
{
    run(int(Command::Kind::Monitor));
    return {};
}

QString DBusService::Stop()
{
    run(int(Command::Kind::Stop));
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
    run(int(Command::Kind::Status));
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
