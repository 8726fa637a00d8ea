#include "actions/ppp_linux.h"
#include "fakepppd.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace quendral;

namespace {

// A stand-in for /sys/class/net and /run.
class SystemTree
{
public:
    SystemTree()
    {
        QDir(m_root.path()).mkpath(QStringLiteral("net"));
        QDir(m_root.path()).mkpath(QStringLiteral("run"));
    }

    QString net() const { return m_root.filePath(QStringLiteral("net")); }
    QString run() const { return m_root.filePath(QStringLiteral("run")); }

    void addInterface(const QString &name, int type, int index, const QByteArray &flags) const
    {
        QVERIFY(test::writeNetInterface(net(), name, type, index, flags));
    }

    void writePidFile(const QString &interfaceName, const QByteArray &contents) const
    {
        QFile file(run() + QLatin1Char('/') + interfaceName + QLatin1String(".pid"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

private:
    QTemporaryDir m_root;
};

// Sets environment variables (an empty value unsets) for its lifetime.
class Environment
{
public:
    explicit Environment(const QList<std::pair<const char *, QByteArray>> &values)
    {
        for (const auto &[name, value] : values) {
            m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
            set(name, value);
        }
    }
    ~Environment()
    {
        for (const Saved &saved : m_saved)
            set(saved.name, saved.wasSet ? saved.value : QByteArray());
    }
    Environment(const Environment &) = delete;
    Environment &operator=(const Environment &) = delete;

private:
    struct Saved
    {
        const char *name;
        bool wasSet;
        QByteArray value;
    };
    static void set(const char *name, const QByteArray &value)
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QList<Saved> m_saved;
};

} // namespace

class TestPppSource : public QObject
{
    Q_OBJECT

private slots:
    // Listing
    void listsPppLinksInIndexOrderWithTheirUpState();
    void skipsTheLinksNetworkManagerListsAsItsOwn();
    void missingNetFolderListsNothing();
    void unreadableFlagsCountAsNotConnected();

    // Hang-up
    void hangUpSendsSigtermToThePppdOfThePidFile();
    void hangUpSignalsTheWvdialThatStartedPppd();
    void stalePidFileNamingAnotherProcessSignalsNothing();
    void missingOrGarbledPidFileFails();
    void interfaceNamesCannotLeaveTheRunFolder();

    // The program's own source
    void theProgramTakesTheTestTreeOnlyOnThePrivateBus_data();
    void theProgramTakesTheTestTreeOnlyOnThePrivateBus();
};

void TestPppSource::listsPppLinksInIndexOrderWithTheirUpState()
{
    SystemTree tree;
    tree.addInterface(QStringLiteral("ppp1"), 512, 12, "0x10d1");
    tree.addInterface(QStringLiteral("eth0"), 1, 2, "0x1003");
    tree.addInterface(QStringLiteral("ppp0"), 512, 7, "0x1090");
    tree.addInterface(QStringLiteral("lo"), 772, 1, "0x9");
    tree.addInterface(QStringLiteral("ppp2"), 512, 9, "0x11");

    const QList<DialupConnection> expected = {
        {QStringLiteral("ppp0"), false}, {QStringLiteral("ppp2"), true}, {QStringLiteral("ppp1"), true}};
    QCOMPARE(PppSource(tree.net(), tree.run()).list({}), expected);
}

void TestPppSource::skipsTheLinksNetworkManagerListsAsItsOwn()
{
    SystemTree tree;
    tree.addInterface(QStringLiteral("ppp0"), 512, 7, "0x11");
    tree.addInterface(QStringLiteral("ppp1"), 512, 8, "0x11");

    const QList<DialupConnection> expected = {{QStringLiteral("ppp1"), true}};
    QCOMPARE(PppSource(tree.net(), tree.run()).list({QStringLiteral("ppp0")}), expected);
}

void TestPppSource::missingNetFolderListsNothing()
{
    SystemTree tree;
    QVERIFY(PppSource(tree.net() + QLatin1String("/absent"), tree.run()).list({}).isEmpty());
}

void TestPppSource::unreadableFlagsCountAsNotConnected()
{
    SystemTree tree;
    tree.addInterface(QStringLiteral("ppp0"), 512, 3, {});

    const QList<DialupConnection> expected = {{QStringLiteral("ppp0"), false}};
    QCOMPARE(PppSource(tree.net(), tree.run()).list({}), expected);
}

void TestPppSource::hangUpSendsSigtermToThePppdOfThePidFile()
{
    SystemTree tree;
    test::FakePppd pppd;
    QVERIFY(pppd.start(tree.run(), QStringLiteral("ppp0")));

    QVERIFY(PppSource(tree.net(), tree.run()).hang_up(QStringLiteral("ppp0")));
    QVERIFY(pppd.endsBySigterm());
}

void TestPppSource::hangUpSignalsTheWvdialThatStartedPppd()
{
    SystemTree tree;
    test::FakePppd pppd;
    QVERIFY(pppd.startUnderWvdial(tree.run(), QStringLiteral("ppp0")));

    QVERIFY(PppSource(tree.net(), tree.run()).hang_up(QStringLiteral("ppp0")));
    // wvdial ends its pppd itself; a pppd signalled alone would be dialled again.
    QVERIFY(pppd.endsBySigterm());
    QVERIFY(pppd.pppdAlive());
}

void TestPppSource::stalePidFileNamingAnotherProcessSignalsNothing()
{
    SystemTree tree;
    QProcess other;
    other.start(QStringLiteral("/bin/sleep"), {QStringLiteral("60")});
    QVERIFY(other.waitForStarted());
    tree.writePidFile(QStringLiteral("ppp0"), QByteArray::number(other.processId()) + '\n');

    QVERIFY(!PppSource(tree.net(), tree.run()).hang_up(QStringLiteral("ppp0")));
    QCOMPARE(other.state(), QProcess::Running);
    QVERIFY(!other.waitForFinished(100));
    other.kill();
    other.waitForFinished();
}

void TestPppSource::missingOrGarbledPidFileFails()
{
    SystemTree tree;
    const PppSource source(tree.net(), tree.run());
    QVERIFY(!source.hang_up(QStringLiteral("ppp0")));
    tree.writePidFile(QStringLiteral("ppp1"), "not a number\n");
    QVERIFY(!source.hang_up(QStringLiteral("ppp1")));
    tree.writePidFile(QStringLiteral("ppp2"), "1\n");
    QVERIFY(!source.hang_up(QStringLiteral("ppp2")));
}

void TestPppSource::interfaceNamesCannotLeaveTheRunFolder()
{
    SystemTree tree;
    test::FakePppd pppd;
    // A pid file one folder up must stay out of reach of a crafted name.
    QVERIFY(pppd.start(tree.run() + QLatin1String("/.."), QStringLiteral("ppp0")));
    const PppSource source(tree.net(), tree.run());
    QVERIFY(!source.hang_up(QStringLiteral("../ppp0")));
    QVERIFY(!source.hang_up(QStringLiteral("..")));
    QVERIFY(!source.hang_up({}));
    QVERIFY(pppd.pppdAlive());
}

void TestPppSource::theProgramTakesTheTestTreeOnlyOnThePrivateBus_data()
{
    QTest::addColumn<QByteArray>("testBus");
    QTest::addColumn<QByteArray>("systemBus");
    QTest::addColumn<bool>("takesTree");
    const QByteArray privateBus = "unix:path=/tmp/quendral-test/bus";
    QTest::newRow("private bus") << privateBus << privateBus << true;
    QTest::newRow("another system bus") << privateBus << QByteArray("unix:path=/run/dbus/system_bus_socket") << false;
    QTest::newRow("no test bus") << QByteArray() << privateBus << false;
}

void TestPppSource::theProgramTakesTheTestTreeOnlyOnThePrivateBus()
{
    QFETCH(QByteArray, testBus);
    QFETCH(QByteArray, systemBus);
    QFETCH(bool, takesTree);
    QTemporaryDir root;
    const QString net = root.filePath(QStringLiteral("sys/class/net"));
    const QString run = root.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(net) && QDir().mkpath(run));
    // A name no machine gives its links, so the system's own folders cannot list it.
    const QString link = QStringLiteral("ppptest97");
    QVERIFY(test::writeNetInterface(net, link, 512, 97, "0x11"));
    test::FakePppd pppd;
    QVERIFY(pppd.start(run, link));

    const Environment environment({{"QUENDRAL_TEST_BUS", testBus},
                                   {"DBUS_SYSTEM_BUS_ADDRESS", systemBus},
                                   {"QUENDRAL_TEST_PPP_ROOT", QFile::encodeName(root.path())}});
    const PppSource source = PppSource::ofProgram();
    QCOMPARE(source.list({}).contains({link, true}), takesTree);
    QCOMPARE(source.hang_up(link), takesTree);
    if (takesTree)
        QVERIFY(pppd.endsBySigterm());
    else
        QVERIFY(pppd.pppdAlive());
}

QTEST_GUILESS_MAIN(TestPppSource)
#include "test_pppsource.moc"
