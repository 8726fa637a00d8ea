#include "actions/notify.h"
#include "actions/notify_linux.h"
#include "mockservice.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>

using namespace quendral;

namespace {

const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString notificationsInterface = QStringLiteral("org.freedesktop.Notifications");

// Nothing about a notification is worth a visible pause of the tray.
constexpr qint64 kNoWaitMs = 500;

} // namespace

class TestNotifyFreedesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void noticeReachesARunningDaemon();
    void aHungDaemonKeepsNobodyWaiting();
    void withoutADaemonNothingWaits();
    void failedNoticeIsLogged_data();
    void failedNoticeIsLogged();

private:
    test::MockService m_daemon{QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications")};
};

void TestNotifyFreedesktop::initTestCase()
{
    if (!test::systemBusIsPrivate())
        QFAIL("refusing to run: these tests start services and must use the private bus of scripts/test-env.sh");
}

void TestNotifyFreedesktop::noticeReachesARunningDaemon()
{
    QVERIFY(m_daemon.start());
    makeDesktopNotifier(QStringLiteral("/opt/quendral/quendral.svg"))
        ->notify(QStringLiteral("Done"), QStringLiteral("Files <a> & <b> are here."));
    QList<QVariantList> calls;
    QTRY_VERIFY((calls = m_daemon.methodCalls(notificationsPath, QStringLiteral("Notify"))).size() == 1);
    const QVariantList call = calls.first();
    QCOMPARE(call.value(0).toString(), QStringLiteral("Quendral"));
    QCOMPARE(call.value(1).toUInt(), 0u);
    QCOMPARE(call.value(2).toString(), QStringLiteral("file:///opt/quendral/quendral.svg"));
    QCOMPARE(call.value(3).toString(), QStringLiteral("Done"));
    QCOMPARE(call.value(4).toString(), QStringLiteral("Files &lt;a&gt; &amp; &lt;b&gt; are here."));
    QCOMPARE(call.value(7).toInt(), -1);
}

void TestNotifyFreedesktop::aHungDaemonKeepsNobodyWaiting()
{
    QVERIFY(m_daemon.start());
    ::kill(static_cast<pid_t>(m_daemon.pid()), SIGSTOP);
    QElapsedTimer clock;
    clock.start();
    makeDesktopNotifier(QStringLiteral("quendral"))->notify(QStringLiteral("Done"), QStringLiteral("Files are here."));
    QVERIFY(clock.elapsed() < kNoWaitMs);
    QVERIFY(m_daemon.stop());
}

void TestNotifyFreedesktop::withoutADaemonNothingWaits()
{
    QVERIFY(m_daemon.stop());
    QElapsedTimer clock;
    clock.start();
    makeDesktopNotifier(QStringLiteral("quendral"))->notify(QStringLiteral("Done"), QStringLiteral("Files are here."));
    QVERIFY(clock.elapsed() < kNoWaitMs);
}

void TestNotifyFreedesktop::failedNoticeIsLogged_data()
{
    QTest::addColumn<QString>("daemon");
    QTest::addColumn<QString>("error"); // the error named in a warning; none when empty
    QTest::newRow("refusing") << "refusing"
                              << "org.freedesktop.DBus.Error.Failed";
    QTest::newRow("hung") << "hung"
                          << "org.freedesktop.DBus.Error.NoReply";
    QTest::newRow("none runs: no failure") << "none"
                                           << "";
}

void TestNotifyFreedesktop::failedNoticeIsLogged()
{
    QFETCH(QString, daemon);
    QFETCH(QString, error);
    QVERIFY(m_daemon.stop());
    if (daemon != QLatin1String("none"))
        QVERIFY(m_daemon.start());
    if (daemon == QLatin1String("refusing"))
        QVERIFY(m_daemon.addMethod(notificationsPath, notificationsInterface, QStringLiteral("Notify"),
                                   QStringLiteral("susssasa{sv}i"), QStringLiteral("u"),
                                   QStringLiteral("raise dbus.exceptions.DBusException('refused', "
                                                  "name='org.freedesktop.DBus.Error.Failed')")));
    if (daemon == QLatin1String("hung"))
        QCOMPARE(::kill(static_cast<pid_t>(m_daemon.pid()), SIGSTOP), 0);

    test::LogRecorder log;
    makeDesktopNotifier(QStringLiteral("quendral"))->notify(QStringLiteral("Done"), QStringLiteral("Files are here."));
    if (error.isEmpty()) {
        QTest::qWait(int(kNoWaitMs));
        QVERIFY(log.warnings("quendral.notify").isEmpty());
    } else {
        QTRY_VERIFY(log.warned("quendral.notify", error));
    }
    QVERIFY(m_daemon.stop());
}

QTEST_MAIN(TestNotifyFreedesktop)
#include "test_notify_freedesktop.moc"
