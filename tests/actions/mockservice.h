#pragma once

#include <QDBusMessage>
#include <QProcess>
#include <QVariantList>

namespace quendral::test {

// True when the system bus is the private bus of the test environment. Tests
// that can hang up or power off refuse to run anywhere else.
bool systemBusIsPrivate();

// One python3-dbusmock template serving on the system bus, stopped by its
// process id when the test is done with it.
class MockService
{
public:
    MockService(const QString &templateName, const QString &busName);
    ~MockService();
    MockService(const MockService &) = delete;
    MockService &operator=(const MockService &) = delete;

    // Starts the mock and waits until it owns its bus name.
    bool start();
    // Stops the mock and waits until its bus name is free again.
    bool stop();
    qint64 pid() const { return m_process.processId(); }

    // A call to the mock, waited on long enough to outlast a deliberately
    // slow mock method.
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {}) const;
    // The argument lists of the calls of `method` on the object at `path`,
    // in the order they arrived.
    QList<QVariantList> methodCalls(const QString &path, const QString &method) const;
    // Makes `method` (arguments `in`, result `out`) of the object at `path`
    // run the Python `code`; true when the mock took it.
    bool addMethod(const QString &path, const QString &interface, const QString &method, const QString &in,
                   const QString &out, const QString &code) const;

private:
    QString m_template;
    QString m_busName;
    QProcess m_process;
};

// The logind mock that the power-off and inhibitor tests share: its manager
// object, and the mock's own calls to reset it and replace methods.
class LogindMock : public MockService
{
public:
    static inline const QString path = QStringLiteral("/org/freedesktop/login1");
    static inline const QString manager = QStringLiteral("org.freedesktop.login1.Manager");

    LogindMock();

    // Starts the mock on the private bus; why not, when it may not run here.
    QString startOnPrivateBus();
    // Forgets replaced methods, inhibitors and the calls made so far.
    bool reset() const;
    bool replace(const QString &method, const QString &in, const QString &out, const QString &code) const
    {
        return addMethod(path, manager, method, in, out, code);
    }
    QDBusMessage callManager(const QString &method) const { return call(path, manager, method); }
    QList<QVariantList> managerCalls(const QString &method) const { return methodCalls(path, method); }
};

} // namespace quendral::test
