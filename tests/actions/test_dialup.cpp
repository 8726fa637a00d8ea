#include "actions/dialup.h"
#include "support/testsupport.h"

#include <QSet>
#include <QTest>

using namespace quendral;

namespace {

// A dial-up service whose list the test sets and which records the hang-ups.
struct FakeState
{
    std::optional<QList<DialupConnection>> list = QList<DialupConnection>();
    QSet<QString> refused;
    QStringList hungUp;
    int listings = 0;
};

class FakeSource : public ConnectionSource
{
public:
    explicit FakeSource(FakeState &state)
        : m_state(state)
    {
    }

    std::optional<QList<DialupConnection>> connections() override
    {
        ++m_state.listings;
        return m_state.list;
    }

    bool hang_up(const QString &handle) override
    {
        m_state.hungUp.append(handle);
        return !m_state.refused.contains(handle);
    }

private:
    FakeState &m_state;
};

} // namespace

class TestDialup : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // The probe
    void onlyTheFirstConnectionDecides_data();
    void onlyTheFirstConnectionDecides();
    void listingFailureShowsErrorAndAnswersFalse();
    void everyProbeListsAfresh();

    // The hang-up
    void hangUpAsksEveryConnectionInListOrderPastFailures();
    void hangUpWithNoConnectionDoesNothing();
    void hangUpListingFailureDoesNothingSilently();

private:
    std::unique_ptr<FakeState> m_state;
    std::unique_ptr<Dialup> m_dialup;
};

void TestDialup::init()
{
    m_state = std::make_unique<FakeState>();
    m_dialup = std::make_unique<Dialup>(std::make_unique<FakeSource>(*m_state), nullptr);
}

void TestDialup::onlyTheFirstConnectionDecides_data()
{
    QTest::addColumn<QList<DialupConnection>>("list");
    QTest::addColumn<bool>("connected");
    const QString a = QStringLiteral("a");
    const QString b = QStringLiteral("b");
    QTest::newRow("none") << QList<DialupConnection>{} << false;
    QTest::newRow("one connected") << QList<DialupConnection>{{a, true}} << true;
    QTest::newRow("first dialling, second connected") << QList<DialupConnection>{{a, false}, {b, true}} << false;
    QTest::newRow("first connected, second dialling") << QList<DialupConnection>{{a, true}, {b, false}} << true;
}

void TestDialup::onlyTheFirstConnectionDecides()
{
    QFETCH(QList<DialupConnection>, list);
    test::MessageBoxes boxes;
    m_state->list = list;
    QTEST(m_dialup->isConnected(), "connected");
    QVERIFY(boxes.shown().isEmpty());
}

void TestDialup::listingFailureShowsErrorAndAnswersFalse()
{
    test::MessageBoxes boxes;
    m_state->list.reset();

    QVERIFY(!m_dialup->isConnected());
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(boxes.shown().first().text, QStringLiteral("ERROR"));
    QCOMPARE(boxes.shown().first().icon, msgbox::Icon::None);
    QCOMPARE(boxes.shown().first().buttons, msgbox::Buttons::Ok);
}

void TestDialup::everyProbeListsAfresh()
{
    m_state->list = QList<DialupConnection>{{QStringLiteral("a"), true}};
    QVERIFY(m_dialup->isConnected());
    m_state->list = QList<DialupConnection>{};
    QVERIFY(!m_dialup->isConnected());
    QCOMPARE(m_state->listings, 2);
}

void TestDialup::hangUpAsksEveryConnectionInListOrderPastFailures()
{
    m_state->list =
        QList<DialupConnection>{{QStringLiteral("c"), true}, {QStringLiteral("a"), false}, {QStringLiteral("b"), true}};
    m_state->refused = {QStringLiteral("c")};

    m_dialup->hangUpAll();
    QCOMPARE(m_state->hungUp, (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
}

void TestDialup::hangUpWithNoConnectionDoesNothing()
{
    m_dialup->hangUpAll();
    QVERIFY(m_state->hungUp.isEmpty());
}

void TestDialup::hangUpListingFailureDoesNothingSilently()
{
    test::MessageBoxes boxes;
    m_state->list.reset();

    m_dialup->hangUpAll();
    QVERIFY(m_state->hungUp.isEmpty());
    QVERIFY(boxes.shown().isEmpty());
}

QTEST_MAIN(TestDialup)
#include "test_dialup.moc"
