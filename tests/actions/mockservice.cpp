#include "mockservice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

#include <csignal>

namespace quendral::test {

namespace {

const QString mockInterface = QStringLiteral("org.freedesktop.DBus.Mock");

} // namespace

bool systemBusIsPrivate()
{
    const QByteArray privateBus = qgetenv("QUENDRAL_TEST_BUS");
    return !privateBus.isEmpty() && qgetenv("DBUS_SYSTEM_BUS_ADDRESS") == privateBus;
}

MockService::MockService(const QString &templateName, const QString &busName)
    : m_template(templateName)
    , m_busName(busName)
{
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

MockService::~MockService()
{
    stop();
}

bool MockService::start()
{
    // Debian's interpreter: the one first on PATH may lack dbusmock.
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), m_template});
    if (!m_process.waitForStarted())
        return false;
    const auto *bus = QDBusConnection::systemBus().interface();
    return QTest::qWaitFor([&] { return bus->isServiceRegistered(m_busName).value(); }, 15000);
}

bool MockService::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    // A mock stopped to play a hung service must run again to hear SIGTERM.
    ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
    const auto *bus = QDBusConnection::systemBus().interface();
    return QTest::qWaitFor([&] { return !bus->isServiceRegistered(m_busName).value(); }, 5000);
}

QDBusMessage MockService::call(const QString &path, const QString &interface, const QString &method,
                               const QVariantList &arguments) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_busName, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::systemBus().call(message, QDBus::Block, 30000);
}

QList<QVariantList> MockService::methodCalls(const QString &path, const QString &method) const
{
    const QDBusMessage reply = call(path, mockInterface, QStringLiteral("GetMethodCalls"), {method});
    QList<QVariantList> calls;
    const auto log = reply.arguments().value(0).value<QDBusArgument>();
    log.beginArray();
    while (!log.atEnd()) {
        quint64 timestamp = 0;
        QVariantList arguments;
        log.beginStructure();
        log >> timestamp >> arguments;
        log.endStructure();
        calls.append(arguments);
    }
    log.endArray();
    return calls;
}

bool MockService::addMethod(const QString &path, const QString &interface, const QString &method, const QString &in,
                            const QString &out, const QString &code) const
{
    return call(path, mockInterface, QStringLiteral("AddMethod"), {interface, method, in, out, code}).type() ==
           QDBusMessage::ReplyMessage;
}

LogindMock::LogindMock()
    : MockService(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1"))
{
}

QString LogindMock::startOnPrivateBus()
{
    if (!systemBusIsPrivate())
        return QStringLiteral("refusing to run: these tests talk to logind, ask it to power off, and must use the "
                              "private bus of scripts/test-env.sh (DBUS_SYSTEM_BUS_ADDRESS must equal "
                              "QUENDRAL_TEST_BUS)");
    return start() ? QString() : QStringLiteral("the logind mock did not start");
}

bool LogindMock::reset() const
{
    // Reset keeps the main object's call log.
    return call(path, mockInterface, QStringLiteral("Reset")).type() == QDBusMessage::ReplyMessage &&
           call(path, mockInterface, QStringLiteral("ClearCalls")).type() == QDBusMessage::ReplyMessage;
}

} // namespace quendral::test
