#include "control/runningcopy.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QTest>

#include <future>

using namespace quendral;

namespace {

const QString kService = QStringLiteral(QUENDRAL_APP_ID);

// Stands in for the running copy on the session bus.
class FakeCopy : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Quendral")

public:
    QVariantMap status;
    QString note;
    QString refusal;
    QString added;

public slots:
    QVariantMap Status() { return status; }
    QString Monitor()
    {
        if (!refusal.isEmpty())
            sendErrorReply(QStringLiteral("org.example.Quendral.Refused"), refusal);
        return note;
    }
    void Add(const QString &path) { added = path; }
    void WaitProgram(const QString &name) { added = name; }
    // Only a call whose signature is "u" reaches this slot.
    void WaitPid(uint pid) { added = QString::number(pid); }
};

// The call made from a thread of its own, while this one answers it.
Reply ask(const QString &method, const QString &argument = {})
{
    auto answer = std::async(std::launch::async, callRunningCopy, method, argument);
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return answer.get();
}

} // namespace

// The command line's own D-Bus client against a service made with Qt's.
class TestRunningCopy : public QObject
{
    Q_OBJECT

private:
    FakeCopy *m_copy = nullptr;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("QUENDRAL_TEST_BUS"))
            QSKIP("needs the private bus of scripts/test-env.sh");
        m_copy = new FakeCopy;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(QStringLiteral("/org/example/Quendral"), m_copy, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(kService));
    }

    void cleanupTestCase() { delete m_copy; }

    void statusValuesKeepTheirTypes_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("text") << QVariant(QStringLiteral("monitoring"));
        QTest::newRow("text beyond ASCII") << QVariant(QStringLiteral("/home/zażółć/plik.zip"));
        QTest::newRow("empty text") << QVariant(QString());
        QTest::newRow("number") << QVariant(30);
        QTest::newRow("no number") << QVariant(-1);
        QTest::newRow("true") << QVariant(true);
        QTest::newRow("false") << QVariant(false);
        QTest::newRow("rate") << QVariant(12.5);
        QTest::newRow("list") << QVariant(QStringList{"present", "absent", "partial"});
        QTest::newRow("empty list") << QVariant(QStringList());
        QTest::newRow("long number") << QVariant(qlonglong(1) << 40);
    }

    void statusValuesKeepTheirTypes()
    {
        QFETCH(QVariant, value);
        // Beside others, so alignment and order count.
        m_copy->status = {{"a", true}, {"value", value}, {"z", QStringList{"x"}}};
        const Reply reply = ask(QStringLiteral("Status"));
        QCOMPARE(int(reply.outcome), int(Reply::Outcome::Done));
        QCOMPARE(reply.status, m_copy->status);
    }

    void answersBecomeReplies_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        QTest::newRow("done") << ""
                              << "" << int(Reply::Outcome::Done) << "";
        QTest::newRow("a note") << "already monitoring"
                                << "" << int(Reply::Outcome::Done) << "already monitoring";
        QTest::newRow("refused") << ""
                                 << "no files" << int(Reply::Outcome::Refused) << "no files";
    }

    void answersBecomeReplies()
    {
        QFETCH(QString, note);
        QFETCH(QString, refusal);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        m_copy->note = note;
        m_copy->refusal = refusal;
        const Reply reply = ask(QStringLiteral("Monitor"));
        QCOMPARE(int(reply.outcome), outcome);
        QCOMPARE(reply.text, text);
    }

    // Each method's argument arrives with the type the interface gives it.
    void argumentsArrive_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("argument");
        QTest::newRow("Add, a path") << "Add"
                                     << "/tmp/pobrane/ścieżka z odstępem.zip";
        QTest::newRow("WaitProgram, a name") << "WaitProgram"
                                             << "yt-dlp";
        QTest::newRow("WaitPid, a number") << "WaitPid"
                                           << "4194304";
    }

    void argumentsArrive()
    {
        QFETCH(QString, method);
        QFETCH(QString, argument);
        m_copy->added.clear();
        QCOMPARE(int(ask(method, argument).outcome), int(Reply::Outcome::Done));
        QCOMPARE(m_copy->added, argument);
    }

    void noCopyNoBus_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("nobody owns the name") << QByteArray();
        QTest::newRow("no bus at the address") << QByteArray("unix:path=/nonexistent/bus");
        QTest::newRow("a transport not spoken") << QByteArray("tcp:host=localhost,port=1");
    }

    void noCopyNoBus()
    {
        QFETCH(QByteArray, address);
        const QByteArray before = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        QVERIFY(QDBusConnection::sessionBus().unregisterService(kService));
        if (!address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        const Reply reply = ask(QStringLiteral("Status"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", before);
        QVERIFY(QDBusConnection::sessionBus().registerService(kService));
        QCOMPARE(int(reply.outcome), int(Reply::Outcome::NotRunning));
    }
};

QTEST_GUILESS_MAIN(TestRunningCopy)
#include "test_runningcopy.moc"
