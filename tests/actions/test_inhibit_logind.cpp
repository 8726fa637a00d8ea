#include "actions/inhibit.h"
#include "actions/inhibit_linux.h"
#include "kit/windowfactory.h"
#include "mockservice.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"
#include "support/testsupport.h"
#include "support/trayrig.h"
#include "tray/traywindow.h"

#include <QDBusArgument>
#include <QElapsedTimer>
#include <QTest>

using namespace quendral;

class TestInhibitLogind : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void holdBlocksSleepAndIdleUntilReleased();
    void endOfTheHolderReleases();
    void refusedInhibitorHoldsNothing();
    void monitoringHoldsItUntilItStops_data();
    void monitoringHoldsItUntilItStops();
    // Last: it stops the mock.
    void withoutLogindNothingIsHeld();

private:
    // (what, who, why, mode) of each inhibitor logind holds.
    QList<QStringList> inhibitors() const;

    test::LogindMock m_logind;
};

QList<QStringList> TestInhibitLogind::inhibitors() const
{
    const QDBusMessage reply = m_logind.callManager(QStringLiteral("ListInhibitors"));
    QList<QStringList> held;
    const auto list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        held.append({what, who, why, mode});
    }
    list.endArray();
    return held;
}

void TestInhibitLogind::initTestCase()
{
    const QString refused = m_logind.startOnPrivateBus();
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
}

void TestInhibitLogind::init()
{
    QVERIFY(m_logind.reset());
    QTRY_VERIFY(inhibitors().isEmpty());
}

void TestInhibitLogind::holdBlocksSleepAndIdleUntilReleased()
{
    LogindSleepInhibitor inhibitor(QDBusConnection::systemBus());
    QVERIFY(inhibitor.hold(QStringLiteral("Waiting for downloads")));
    QVERIFY(inhibitor.held());
    const QList<QStringList> expected = {{"sleep:idle", "Quendral", "Waiting for downloads", "block"}};
    QCOMPARE(inhibitors(), expected);
    // Holding again takes no second inhibitor.
    QVERIFY(inhibitor.hold(QStringLiteral("Waiting for downloads")));
    QCOMPARE(inhibitors(), expected);

    inhibitor.release();
    QVERIFY(!inhibitor.held());
    QTRY_VERIFY(inhibitors().isEmpty());
    inhibitor.release();
}

void TestInhibitLogind::endOfTheHolderReleases()
{
    {
        const auto inhibitor = makeSleepInhibitor();
        QVERIFY(inhibitor->hold(QStringLiteral("why")));
        QCOMPARE(inhibitors().size(), 1);
    }
    QTRY_VERIFY(inhibitors().isEmpty());
}

void TestInhibitLogind::refusedInhibitorHoldsNothing()
{
    QVERIFY(m_logind.replace(QStringLiteral("Inhibit"), QStringLiteral("ssss"), QStringLiteral("h"),
                             QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                                            "name='org.freedesktop.DBus.Error.AccessDenied')")));
    test::LogRecorder log;
    LogindSleepInhibitor inhibitor(QDBusConnection::systemBus());
    QVERIFY(!inhibitor.hold(QStringLiteral("why")));
    QVERIFY(!inhibitor.held());
    QVERIFY(log.warned("quendral.sleep", QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")));
}

void TestInhibitLogind::monitoringHoldsItUntilItStops_data()
{
    QTest::addColumn<QString>("end");
    for (const char *end : {"stop", "completion", "close"})
        QTest::newRow(end) << QString::fromLatin1(end);
}

void TestInhibitLogind::monitoringHoldsItUntilItStops()
{
    QFETCH(QString, end);
    test::TrayRig rig;
    rig.state.messages.insert(QStringLiteral("inhibitreason"), QStringLiteral("Waiting"));
    rig.setWatchList({rig.folder.file(QStringLiteral("a.zip"))});
    LogindSleepInhibitor inhibitor(QDBusConnection::systemBus());
    rig.sleepInhibitor = &inhibitor;
    test::MessageBoxes boxes(msgbox::Answer::Yes);
    TrayWindow &tray = rig.load();

    tray.startOrStopMonitoring();
    QCOMPARE(inhibitors(), (QList<QStringList>{{"sleep:idle", "Quendral", "Waiting", "block"}}));
    rig.monitor->tick();
    QCOMPARE(inhibitors().size(), 1);
    if (end == QLatin1String("stop")) {
        tray.startOrStopMonitoring();
    } else if (end == QLatin1String("completion")) {
        rig.folder.write(QStringLiteral("a.zip"), "data");
        rig.monitor->tick();
        QCOMPARE(rig.state.store.settingsFile().ReadIni(QStringLiteral("Files"), QStringLiteral("file0")), QString());
    } else {
        tray.exitProgram();
    }
    QTRY_VERIFY(inhibitors().isEmpty());
}

void TestInhibitLogind::withoutLogindNothingIsHeld()
{
    QVERIFY(m_logind.stop());
    LogindSleepInhibitor inhibitor(QDBusConnection::systemBus());
    QVERIFY(!inhibitor.hold(QStringLiteral("why")));
    QVERIFY(!inhibitor.held());
}

QTEST_MAIN(TestInhibitLogind)
#include "test_inhibit_logind.moc"
