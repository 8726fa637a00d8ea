#include "actions/poweroff.h"
#include "actions/poweroff_linux.h"
#include "mockservice.h"
#include "support/testsupport.h"

#include <QTest>

using namespace quendral;

class TestPowerOffLogind : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void powerOffAsksLogindWithoutInteraction();
    void refusedPowerOffGivesLogindsReason();
    void canPowerOffTellsLogindsAnswer_data();
    void canPowerOffTellsLogindsAnswer();
    // Last: it stops the mock.
    void withoutLogindNothingIsPromised();

private:
    QList<QVariantList> powerOffCalls() const { return m_logind.managerCalls(QStringLiteral("PowerOff")); }

    test::LogindMock m_logind;
};

void TestPowerOffLogind::initTestCase()
{
    const QString refused = m_logind.startOnPrivateBus();
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
}

void TestPowerOffLogind::init()
{
    QVERIFY(m_logind.reset());
}

void TestPowerOffLogind::powerOffAsksLogindWithoutInteraction()
{
    QCOMPARE(makePowerControl()->power_off(), QString());
    const QList<QVariantList> calls = powerOffCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first(), QVariantList{false});
}

void TestPowerOffLogind::refusedPowerOffGivesLogindsReason()
{
    QVERIFY(m_logind.replace(
        QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
        QStringLiteral("raise dbus.exceptions.DBusException('Interactive authentication "
                       "required.', name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')")));
    test::MessageBoxes boxes;
    test::LogRecorder log;
    QCOMPARE(LogindPowerControl(QDBusConnection::systemBus()).power_off(),
             QStringLiteral("Interactive authentication required."));
    QCOMPARE(powerOffCalls().size(), 1);
    QVERIFY(
        log.warned("quendral.power", QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")));
    // The countdown window reports it; the back-end shows nothing itself.
    QVERIFY(boxes.shown().isEmpty());
}

void TestPowerOffLogind::canPowerOffTellsLogindsAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("ability");
    QTest::newRow("yes") << "yes" << int(PowerControl::Ability::Yes);
    QTest::newRow("no") << "no" << int(PowerControl::Ability::No);
    QTest::newRow("na") << "na" << int(PowerControl::Ability::No);
    QTest::newRow("challenge") << "challenge" << int(PowerControl::Ability::Challenge);
    QTest::newRow("something else") << "maybe" << int(PowerControl::Ability::Unknown);
}

void TestPowerOffLogind::canPowerOffTellsLogindsAnswer()
{
    QFETCH(QString, answer);
    QFETCH(int, ability);
    QVERIFY(m_logind.replace(QStringLiteral("CanPowerOff"), QString(), QStringLiteral("s"),
                             QStringLiteral("ret = '%1'").arg(answer)));
    QCOMPARE(int(makePowerControl()->canPowerOff()), ability);
    QCOMPARE(powerOffCalls().size(), 0);
}

void TestPowerOffLogind::withoutLogindNothingIsPromised()
{
    QVERIFY(m_logind.stop());
    const auto power = makePowerControl();
    QCOMPARE(power->canPowerOff(), PowerControl::Ability::Unknown);
    QVERIFY(!power->power_off().isEmpty());
}

QTEST_MAIN(TestPowerOffLogind)
#include "test_poweroff_logind.moc"
