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

    void powerOffAsksLogindWithoutInteraction_data();
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

// Each action by its own method; the method's name is logind's.
void TestPowerOffLogind::powerOffAsksLogindWithoutInteraction_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("method");
    QTest::newRow("power-off") << int(PowerControl::Action::PowerOff) << "PowerOff";
    QTest::newRow("suspend") << int(PowerControl::Action::Suspend) << "Suspend";
    QTest::newRow("hibernate") << int(PowerControl::Action::Hibernate) << "Hibernate";
}

void TestPowerOffLogind::powerOffAsksLogindWithoutInteraction()
{
    QFETCH(int, action);
    QFETCH(QString, method);
    QCOMPARE(makePowerControl()->perform(PowerControl::Action(action)), QString());
    const QList<QVariantList> calls = m_logind.managerCalls(method);
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
    QCOMPARE(LogindPowerControl(QDBusConnection::systemBus()).powerOff(),
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
    QTest::addColumn<int>("action");
    using A = PowerControl::Action;
    QTest::newRow("yes") << "yes" << int(PowerControl::Ability::Yes) << int(A::PowerOff);
    QTest::newRow("no") << "no" << int(PowerControl::Ability::No) << int(A::PowerOff);
    QTest::newRow("na") << "na" << int(PowerControl::Ability::No) << int(A::PowerOff);
    QTest::newRow("challenge") << "challenge" << int(PowerControl::Ability::Challenge) << int(A::PowerOff);
    QTest::newRow("something else") << "maybe" << int(PowerControl::Ability::Unknown) << int(A::PowerOff);
    QTest::newRow("suspend, na") << "na" << int(PowerControl::Ability::No) << int(A::Suspend);
    QTest::newRow("hibernate, no") << "no" << int(PowerControl::Ability::No) << int(A::Hibernate);
}

void TestPowerOffLogind::canPowerOffTellsLogindsAnswer()
{
    QFETCH(QString, answer);
    QFETCH(int, ability);
    QFETCH(int, action);
    const QString method = QStringList{"CanPowerOff", "CanSuspend", "CanHibernate"}.at(action);
    // Every other question answers what no row expects.
    for (const QString other : {"CanPowerOff", "CanSuspend", "CanHibernate"})
        QVERIFY(m_logind.replace(other, QString(), QStringLiteral("s"),
                                 QStringLiteral("ret = '%1'").arg(other == method ? answer : "unasked")));
    QCOMPARE(int(makePowerControl()->can(PowerControl::Action(action))), ability);
    QCOMPARE(powerOffCalls().size(), 0);
}

void TestPowerOffLogind::withoutLogindNothingIsPromised()
{
    QVERIFY(m_logind.stop());
    const auto power = makePowerControl();
    QCOMPARE(power->canPowerOff(), PowerControl::Ability::Unknown);
    QVERIFY(!power->powerOff().isEmpty());
}

QTEST_MAIN(TestPowerOffLogind)
#include "test_poweroff_logind.moc"
