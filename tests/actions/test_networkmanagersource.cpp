#include "actions/connectionsource_linux.h"
#include "actions/dialup.h"
#include "fakepppd.h"
#include "mockservice.h"
#include "support/testsupport.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <tuple>

using namespace quendral;

namespace {

using SettingsMap = QMap<QString, QVariantMap>;

const QString mainPath = QStringLiteral("/org/freedesktop");
const QString managerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString managerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString mockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString statisticsInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Statistics");

constexpr uint activating = 1;
constexpr uint activated = 2;

// NetworkManager's DeactivateConnection as the real one behaves for the
// caller: the connection leaves the active list, an inactive one is refused
// with ConnectionNotActive. Connections whose id starts with "fail" refuse,
// those starting with "hang" answer only after our time-out.
const QString deactivateCode = QStringLiteral(R"(
path = args[0]
active = self.Get('org.freedesktop.NetworkManager', 'ActiveConnections')
if path not in active:
    raise dbus.exceptions.DBusException('not active', name='org.freedesktop.NetworkManager.ConnectionNotActive')
conn_id = objects[path].Get('org.freedesktop.NetworkManager.Connection.Active', 'Id')
if conn_id.startswith('hang'):
    time.sleep(6)
if conn_id.startswith('fail'):
    raise dbus.exceptions.DBusException('refused', name='org.freedesktop.NetworkManager.PermissionDenied')
active.remove(path)
self.Set('org.freedesktop.NetworkManager', 'ActiveConnections', active)
self.RemoveObject(path)
)");

} // namespace

class TestNetworkManagerSource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // The probe
    void noConnectionIsNotConnected();
    void oneConnectedModemIsConnected();
    void firstDiallingSecondConnectedIsNotConnected();
    void onlyDialupTypesAreListed();
    void connectionGoneWhileListingIsSkipped();
    void listingErrorShowsErrorAndHangsUpNothing();
    void absentNetworkManagerIsNoConnectionWithoutError();
    void hungNetworkManagerCostsOnlyTheReadTimeout();

    // The hang-up
    void hangUpDeactivatesEveryConnectionInOrderPastAFailure();
    void inactiveConnectionCountsAsHungUp();
    void hungDeactivationMovesOnAfterItsTimeout();

    // Metered connections are dial-up too
    void meteredConnectionCountsAsDialup_data();
    void meteredConnectionCountsAsDialup();
    void meteredConnectionsKeepNetworkManagersOrder();

    // Answers from NetworkManager's change signals
    void answersFollowChangeSignals();
    void restartedNetworkManagerIsReadAfresh();

    // The quiet window's counter
    void counterIsTrustedOnlyWhileRefreshed_data();
    void counterIsTrustedOnlyWhileRefreshed();

    // NetworkManager and pppd together
    void pppLinksOfNetworkManagerAreListedOnce();
    void hangUpReachesBothNetworkManagerAndPppd();

private:
    QString addConnection(const QString &type, const QString &id, uint state, const QVariantMap &extra = {},
                          const QString &ipInterface = {});
    QString activate(const QString &type, const QString &id, uint state, const QVariantMap &extra,
                     const QStringList &devices);
    void replaceDeactivate();
    QString addDevice(const QString &ipInterface);
    QString addCountingModem(uint refreshRate, bool refusesRefresh);
    void failReadsOf(const QString &path);
    QStringList deactivated() const;
    QStringList activePaths() const;
    std::unique_ptr<Dialup> dialup(const PppSource &ppp) const;

    test::MockService m_networkManager{QStringLiteral("networkmanager"),
                                       QStringLiteral("org.freedesktop.NetworkManager")};
    QTemporaryDir m_tree;
    PppSource m_noPpp;
    int m_added = 0;
};

void TestNetworkManagerSource::initTestCase()
{
    if (!test::systemBusIsPrivate())
        QFAIL("refusing to run: these tests hang up connections and must talk to the private bus of "
              "scripts/test-env.sh (DBUS_SYSTEM_BUS_ADDRESS must equal QUENDRAL_TEST_BUS)");
    qDBusRegisterMetaType<SettingsMap>();
    QVERIFY(QDir(m_tree.path()).mkpath(QStringLiteral("net")));
    QVERIFY(QDir(m_tree.path()).mkpath(QStringLiteral("run")));
    m_noPpp = PppSource(m_tree.filePath(QStringLiteral("net")), m_tree.filePath(QStringLiteral("run")));
    QVERIFY(m_networkManager.start());
}

void TestNetworkManagerSource::init()
{
    QCOMPARE(m_networkManager.call(mainPath, mockInterface, QStringLiteral("Reset")).type(),
             QDBusMessage::ReplyMessage);
    replaceDeactivate();
}

void TestNetworkManagerSource::replaceDeactivate()
{
    QVERIFY(m_networkManager.addMethod(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                                       QStringLiteral("o"), QString(), deactivateCode));
}

// Adds a stored connection of `type` and activates it in `state`; with
// `ipInterface`, on a device whose IP interface that is.
QString TestNetworkManagerSource::addConnection(const QString &type, const QString &id, uint state,
                                                const QVariantMap &extra, const QString &ipInterface)
{
    QStringList devices;
    if (!ipInterface.isEmpty())
        devices.append(addDevice(ipInterface));
    return activate(type, id, state, extra, devices);
}

// Adds a stored connection of `type` (settings `extra` beside "connection")
// and activates it in `state` on `devices`.
QString TestNetworkManagerSource::activate(const QString &type, const QString &id, uint state, const QVariantMap &extra,
                                           const QStringList &devices)
{
    SettingsMap settings = {
        {QStringLiteral("connection"), {{QStringLiteral("type"), type}, {QStringLiteral("id"), id}}}};
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        for (const auto &[key, value] : it.value().toMap().asKeyValueRange())
            settings[it.key()].insert(key, value);
    }
    const QDBusMessage stored = m_networkManager.call(QStringLiteral("/org/freedesktop/NetworkManager/Settings"),
                                                      QStringLiteral("org.freedesktop.NetworkManager.Settings"),
                                                      QStringLiteral("AddConnection"), {QVariant::fromValue(settings)});
    const QDBusMessage active =
        m_networkManager.call(mainPath, mockInterface, QStringLiteral("AddActiveConnection"),
                              {devices, qdbus_cast<QDBusObjectPath>(stored.arguments().value(0)).path(),
                               QStringLiteral("/"), QString::number(m_added++), state});
    return active.arguments().value(0).toString();
}

QString TestNetworkManagerSource::addDevice(const QString &ipInterface)
{
    const QString name = QString::number(m_added++);
    const QDBusMessage device =
        m_networkManager.call(mainPath, mockInterface, QStringLiteral("AddEthernetDevice"),
                              {QStringLiteral("device") + name, QStringLiteral("eth") + name, 100});
    const QString devicePath = device.arguments().value(0).toString();
    m_networkManager.call(devicePath, propertiesInterface, QStringLiteral("Set"),
                          {QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("IpInterface"),
                           QVariant::fromValue(QDBusVariant(ipInterface))});
    return devicePath;
}

// An active modem on device "modem" (IP interface ppp0, the same path after a
// restart) whose statistics say 1000 bytes received, refreshed every
// `refreshRate` ms.
QString TestNetworkManagerSource::addCountingModem(uint refreshRate, bool refusesRefresh)
{
    const QString device = m_networkManager
                               .call(mainPath, mockInterface, QStringLiteral("AddEthernetDevice"),
                                     {QStringLiteral("modem"), QStringLiteral("ethmodem"), 100})
                               .arguments()
                               .value(0)
                               .toString();
    m_networkManager.call(device, propertiesInterface, QStringLiteral("Set"),
                          {QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("IpInterface"),
                           QVariant::fromValue(QDBusVariant(QStringLiteral("ppp0")))});
    m_networkManager.call(device, mockInterface, QStringLiteral("AddProperties"),
                          {statisticsInterface, QVariantMap{{QStringLiteral("RefreshRateMs"), refreshRate},
                                                            {QStringLiteral("RxBytes"), quint64(1000)}}});
    if (refusesRefresh) {
        m_networkManager.addMethod(device, propertiesInterface, QStringLiteral("Set"), QStringLiteral("ssv"), QString(),
                                   QStringLiteral("raise dbus.exceptions.DBusException('no', "
                                                  "name='org.freedesktop.NetworkManager.PermissionDenied')"));
    }
    activate(QStringLiteral("gsm"), QStringLiteral("modem"), activated, {}, {device});
    return device;
}

// From now on the object at `path` answers property reads with an error, so
// that an answer that still comes right cannot have been read from it.
void TestNetworkManagerSource::failReadsOf(const QString &path)
{
    for (const auto &[method, in, out] :
         {std::tuple(QStringLiteral("Get"), QStringLiteral("ss"), QStringLiteral("v")),
          std::tuple(QStringLiteral("GetAll"), QStringLiteral("s"), QStringLiteral("a{sv}"))}) {
        QVERIFY(m_networkManager.addMethod(
            path, propertiesInterface, method, in, out,
            QStringLiteral("raise dbus.exceptions.DBusException('read', name='org.freedesktop.DBus.Error.Failed')")));
    }
}

QStringList TestNetworkManagerSource::deactivated() const
{
    QStringList paths;
    for (const QVariantList &arguments :
         m_networkManager.methodCalls(managerPath, QStringLiteral("DeactivateConnection")))
        paths.append(qdbus_cast<QDBusObjectPath>(arguments.value(0)).path());
    return paths;
}

QStringList TestNetworkManagerSource::activePaths() const
{
    const QDBusMessage reply = m_networkManager.call(managerPath, propertiesInterface, QStringLiteral("Get"),
                                                     {managerInterface, QStringLiteral("ActiveConnections")});
    QStringList paths;
    for (const QDBusObjectPath &path :
         qdbus_cast<QList<QDBusObjectPath>>(qdbus_cast<QDBusVariant>(reply.arguments().value(0)).variant()))
        paths.append(path.path());
    return paths;
}

std::unique_ptr<Dialup> TestNetworkManagerSource::dialup(const PppSource &ppp) const
{
    return std::make_unique<Dialup>(std::make_unique<LinuxConnectionSource>(QDBusConnection::systemBus(), ppp),
                                    nullptr);
}

void TestNetworkManagerSource::noConnectionIsNotConnected()
{
    test::MessageBoxes boxes;
    const auto control = dialup(m_noPpp);
    QVERIFY(!control->isConnected());
    control->hangUpAll();
    QVERIFY(deactivated().isEmpty());
    QVERIFY(boxes.shown().isEmpty());
}

void TestNetworkManagerSource::oneConnectedModemIsConnected()
{
    const QString modem = addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);
    const auto control = dialup(m_noPpp);
    QVERIFY(control->isConnected());

    control->hangUpAll();
    QCOMPARE(deactivated(), QStringList{modem});
    QVERIFY(activePaths().isEmpty());
    QVERIFY(!control->isConnected());
}

void TestNetworkManagerSource::firstDiallingSecondConnectedIsNotConnected()
{
    addConnection(QStringLiteral("cdma"), QStringLiteral("dialling"), activating);
    addConnection(QStringLiteral("pppoe"), QStringLiteral("up"), activated);
    QVERIFY(!dialup(m_noPpp)->isConnected());
}

void TestNetworkManagerSource::onlyDialupTypesAreListed()
{
    const QVariantMap pan = {
        {QStringLiteral("bluetooth"), QVariantMap{{QStringLiteral("type"), QStringLiteral("panu")}}}};
    const QVariantMap dun = {
        {QStringLiteral("bluetooth"), QVariantMap{{QStringLiteral("type"), QStringLiteral("dun")}}}};
    addConnection(QStringLiteral("802-3-ethernet"), QStringLiteral("wired"), activated);
    addConnection(QStringLiteral("802-11-wireless"), QStringLiteral("wifi"), activated);
    addConnection(QStringLiteral("vpn"), QStringLiteral("vpn"), activated);
    addConnection(QStringLiteral("bluetooth"), QStringLiteral("pan"), activated, pan);
    const QString phone = addConnection(QStringLiteral("bluetooth"), QStringLiteral("phone"), activating, dun);
    const QString gsm = addConnection(QStringLiteral("gsm"), QStringLiteral("gsm"), activated);
    const QString cdma = addConnection(QStringLiteral("cdma"), QStringLiteral("cdma"), activated);
    const QString pppoe = addConnection(QStringLiteral("pppoe"), QStringLiteral("pppoe"), activated);
    const QString adsl = addConnection(QStringLiteral("adsl"), QStringLiteral("adsl"), activating);

    const auto listing = NetworkManagerSource(QDBusConnection::systemBus()).list();
    QVERIFY(listing);
    const QList<DialupConnection> expected = {{phone, false}, {gsm, true}, {cdma, true}, {pppoe, true}, {adsl, false}};
    QCOMPARE(listing->connections, expected);
    // The wired and wireless links before them do not make the first one.
    QVERIFY(!dialup(m_noPpp)->isConnected());
}

void TestNetworkManagerSource::connectionGoneWhileListingIsSkipped()
{
    const QString modem = addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);
    const QList<QDBusObjectPath> listed = {
        QDBusObjectPath(QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/gone")),
        QDBusObjectPath(modem)};
    m_networkManager.call(managerPath, propertiesInterface, QStringLiteral("Set"),
                          {managerInterface, QStringLiteral("ActiveConnections"),
                           QVariant::fromValue(QDBusVariant(QVariant::fromValue(listed)))});

    test::MessageBoxes boxes;
    QVERIFY(dialup(m_noPpp)->isConnected());
    QVERIFY(boxes.shown().isEmpty());
}

void TestNetworkManagerSource::listingErrorShowsErrorAndHangsUpNothing()
{
    addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);
    QVERIFY(m_networkManager.addMethod(
        managerPath, propertiesInterface, QStringLiteral("Get"), QStringLiteral("ss"), QStringLiteral("v"),
        QStringLiteral("raise dbus.exceptions.DBusException('broken', name='org.freedesktop.DBus.Error.Failed')")));

    test::MessageBoxes boxes;
    test::LogRecorder log;
    const auto control = dialup(m_noPpp);
    QVERIFY(!control->isConnected());
    QVERIFY(log.warned("quendral.dialup", QStringLiteral("org.freedesktop.DBus.Error.Failed")));
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("ERROR")});
    QCOMPARE(boxes.shown().first().icon, msgbox::Icon::None);
    QCOMPARE(boxes.shown().first().buttons, msgbox::Buttons::Ok);

    boxes.clear();
    control->hangUpAll();
    QVERIFY(deactivated().isEmpty());
    QVERIFY(boxes.shown().isEmpty());
}

void TestNetworkManagerSource::absentNetworkManagerIsNoConnectionWithoutError()
{
    QVERIFY(m_networkManager.stop());
    test::MessageBoxes boxes;
    const auto control = dialup(m_noPpp);
    QVERIFY(!control->isConnected());
    control->hangUpAll();
    QVERIFY(boxes.shown().isEmpty());
    QVERIFY(m_networkManager.start());
}

void TestNetworkManagerSource::hungNetworkManagerCostsOnlyTheReadTimeout()
{
    addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);
    test::MessageBoxes boxes;
    const auto control = dialup(m_noPpp);
    QCOMPARE(::kill(static_cast<pid_t>(m_networkManager.pid()), SIGSTOP), 0);

    QElapsedTimer clock;
    clock.start();
    const bool connected = control->isConnected();
    const qint64 probeMs = clock.restart();
    control->hangUpAll();
    const qint64 hangUpMs = clock.elapsed();
    ::kill(static_cast<pid_t>(m_networkManager.pid()), SIGCONT);

    QVERIFY(!connected);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("ERROR")});
    QVERIFY2(probeMs >= 1500 && probeMs < 4000, qPrintable(QString::number(probeMs)));
    QVERIFY2(hangUpMs < 4000, qPrintable(QString::number(hangUpMs)));
    QVERIFY(deactivated().isEmpty());
    QCOMPARE(activePaths().size(), 1);
}

void TestNetworkManagerSource::hangUpDeactivatesEveryConnectionInOrderPastAFailure()
{
    const QString first = addConnection(QStringLiteral("gsm"), QStringLiteral("fail-first"), activated);
    const QString second = addConnection(QStringLiteral("pppoe"), QStringLiteral("second"), activated);
    const QString third = addConnection(QStringLiteral("adsl"), QStringLiteral("third"), activating);

    dialup(m_noPpp)->hangUpAll();
    QCOMPARE(deactivated(), (QStringList{first, second, third}));
    QCOMPARE(activePaths(), QStringList{first});
}

void TestNetworkManagerSource::inactiveConnectionCountsAsHungUp()
{
    const QString modem = addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);
    const QString refusing = addConnection(QStringLiteral("gsm"), QStringLiteral("fail"), activated);
    NetworkManagerSource source(QDBusConnection::systemBus());
    QVERIFY(source.deactivate(modem));
    QVERIFY(source.deactivate(modem));
    QVERIFY(!source.deactivate(refusing));
}

void TestNetworkManagerSource::hungDeactivationMovesOnAfterItsTimeout()
{
    const QString stuck = addConnection(QStringLiteral("gsm"), QStringLiteral("hang"), activated);
    const QString next = addConnection(QStringLiteral("gsm"), QStringLiteral("next"), activated);

    QElapsedTimer clock;
    clock.start();
    dialup(m_noPpp)->hangUpAll();
    QVERIFY2(clock.elapsed() < 9000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(deactivated(), (QStringList{stuck, next}));
    QVERIFY(!activePaths().contains(next));
}

// -1: the device has no Metered property, or the stored connection no
// "metered" setting.
void TestNetworkManagerSource::meteredConnectionCountsAsDialup_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("deviceMetered");
    QTest::addColumn<int>("settingMetered");
    QTest::addColumn<bool>("counted");

    const QString wifi = QStringLiteral("802-11-wireless");
    const QString wired = QStringLiteral("802-3-ethernet");
    QTest::newRow("wifi, device metered") << wifi << 1 << -1 << true;
    QTest::newRow("wifi, device guesses metered") << wifi << 3 << -1 << true;
    QTest::newRow("ethernet, setting metered") << wired << -1 << 1 << true;
    QTest::newRow("ethernet, device guesses metered") << wired << 3 << 0 << true;
    QTest::newRow("wifi, device not metered") << wifi << 2 << -1 << false;
    QTest::newRow("wifi, device guesses not metered") << wifi << 4 << 0 << false;
    QTest::newRow("ethernet, metered unknown") << wired << 0 << 0 << false;
    QTest::newRow("ethernet, setting not metered") << wired << -1 << 2 << false;
    QTest::newRow("wifi, nothing said") << wifi << -1 << -1 << false;
}

void TestNetworkManagerSource::meteredConnectionCountsAsDialup()
{
    QFETCH(QString, type);
    QFETCH(int, deviceMetered);
    QFETCH(int, settingMetered);
    QFETCH(bool, counted);

    const QString device = addDevice(QStringLiteral("wlan0"));
    if (deviceMetered >= 0) {
        QCOMPARE(m_networkManager
                     .call(device, mockInterface, QStringLiteral("AddProperty"),
                           {QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("Metered"),
                            QVariant::fromValue(QDBusVariant(uint(deviceMetered)))})
                     .type(),
                 QDBusMessage::ReplyMessage);
    }
    QVariantMap extra;
    if (settingMetered >= 0)
        extra.insert(QStringLiteral("connection"), QVariantMap{{QStringLiteral("metered"), settingMetered}});
    const QString path = activate(type, QStringLiteral("link"), activated, extra, {device});

    test::MessageBoxes boxes;
    const auto control = dialup(m_noPpp);
    QCOMPARE(control->isConnected(), counted);
    control->hangUpAll();
    QCOMPARE(deactivated(), counted ? QStringList{path} : QStringList());
    QCOMPARE(activePaths(), counted ? QStringList() : QStringList{path});
    QVERIFY(boxes.shown().isEmpty());
}

void TestNetworkManagerSource::meteredConnectionsKeepNetworkManagersOrder()
{
    const QVariantMap metered = {{QStringLiteral("connection"), QVariantMap{{QStringLiteral("metered"), 1}}}};
    const QString home = addConnection(QStringLiteral("802-11-wireless"), QStringLiteral("home"), activated);
    const QString phone = activate(QStringLiteral("802-11-wireless"), QStringLiteral("phone"), activating, metered,
                                   {addDevice(QStringLiteral("wlan1"))});
    const QString modem = addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);

    const auto listing = NetworkManagerSource(QDBusConnection::systemBus()).list();
    QVERIFY(listing);
    const QList<DialupConnection> expected = {{phone, false}, {modem, true}};
    QCOMPARE(listing->connections, expected);
    QCOMPARE(listing->ipInterfaces, QSet<QString>{QStringLiteral("wlan1")});

    const auto control = dialup(m_noPpp);
    QVERIFY(!control->isConnected());
    control->hangUpAll();
    QCOMPARE(deactivated(), (QStringList{phone, modem}));
    QCOMPARE(activePaths(), QStringList{home});
}

void TestNetworkManagerSource::answersFollowChangeSignals()
{
    const QString wifiDevice = addDevice(QStringLiteral("wlan0"));
    QCOMPARE(m_networkManager
                 .call(wifiDevice, mockInterface, QStringLiteral("AddProperty"),
                       {QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("Metered"),
                        QVariant::fromValue(QDBusVariant(uint(4)))})
                 .type(),
             QDBusMessage::ReplyMessage);
    const QString wifi =
        activate(QStringLiteral("802-11-wireless"), QStringLiteral("wifi"), activating, {}, {wifiDevice});
    const QString modem = addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activating);

    test::MessageBoxes boxes;
    const auto control = dialup(m_noPpp);
    QVERIFY(!control->isConnected());
    // Known now: reading them again would fail with "ERROR".
    for (const QString &path : {wifi, modem, wifiDevice})
        failReadsOf(path);

    const auto setProperty = [&](const QString &path, const QString &interface, const QString &name,
                                 const QVariant &value) {
        m_networkManager.call(path, propertiesInterface, QStringLiteral("Set"),
                              {interface, name, QVariant::fromValue(QDBusVariant(value))});
    };
    const QString activeInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
    setProperty(modem, activeInterface, QStringLiteral("State"), activated);
    QTRY_VERIFY(control->isConnected());

    // The unmetered Wi-Fi before the modem becomes metered while it connects.
    setProperty(wifiDevice, QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("Metered"), 3u);
    QTRY_VERIFY(!control->isConnected());
    setProperty(wifi, activeInterface, QStringLiteral("State"), activated);
    QTRY_VERIFY(control->isConnected());

    // Gone from NetworkManager's list, whoever ended it.
    QCOMPARE(m_networkManager
                 .call(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                       {QVariant::fromValue(QDBusObjectPath(wifi))})
                 .type(),
             QDBusMessage::ReplyMessage);
    QTRY_VERIFY(control->isConnected());
    m_networkManager.call(managerPath, managerInterface, QStringLiteral("DeactivateConnection"),
                          {QVariant::fromValue(QDBusObjectPath(modem))});
    QTRY_VERIFY(!control->isConnected());

    // A new connection is read once it is listed.
    addConnection(QStringLiteral("pppoe"), QStringLiteral("dsl"), activated);
    QTRY_VERIFY(control->isConnected());
    QVERIFY(boxes.shown().isEmpty());
}

void TestNetworkManagerSource::restartedNetworkManagerIsReadAfresh()
{
    addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activated);
    test::MessageBoxes boxes;
    const auto control = dialup(m_noPpp);
    QVERIFY(control->isConnected());

    QVERIFY(m_networkManager.stop());
    QTRY_VERIFY(!control->isConnected());
    QVERIFY(m_networkManager.start());
    replaceDeactivate();
    QVERIFY(!control->isConnected());
    addConnection(QStringLiteral("cdma"), QStringLiteral("modem"), activated);
    QTRY_VERIFY(control->isConnected());
    QVERIFY(boxes.shown().isEmpty());
}

// NetworkManager's counter says 1000 bytes and never moves; the kernel's
// says 5000. The script: a sample each of "N" (NetworkManager's counter), "K"
// (the kernel's), "-" (none); "z" another program puts the refresh back to 0,
// "r" NetworkManager restarts. Its counter counts only while its refresh is
// on when the sample is taken.
void TestNetworkManagerSource::counterIsTrustedOnlyWhileRefreshed_data()
{
    QTest::addColumn<uint>("rate");
    QTest::addColumn<bool>("refuses");
    QTest::addColumn<bool>("kernel");
    QTest::addColumn<QString>("script");
    QTest::addColumn<uint>("rateAfter");
    QTest::newRow("refresh switched on") << 0u << false << true << "KNN" << 0u;
    QTest::newRow("someone else's refresh") << 500u << false << true << "NN" << 500u;
    QTest::newRow("refresh refused") << 0u << true << true << "KKK" << 0u;
    QTest::newRow("refused, no kernel counter") << 0u << true << false << "--" << 0u;
    QTest::newRow("put back to 0 by another") << 0u << false << true << "KNzKN" << 0u;
    QTest::newRow("NetworkManager restarted") << 0u << false << true << "KNrKN" << 0u;
    QTest::newRow("restarted, no kernel counter") << 0u << false << false << "-Nr-N" << 0u;
}

void TestNetworkManagerSource::counterIsTrustedOnlyWhileRefreshed()
{
    QFETCH(uint, rate);
    QFETCH(bool, refuses);
    QFETCH(bool, kernel);
    QFETCH(QString, script);
    const QString net = m_tree.filePath(QStringLiteral("counting/net"));
    QVERIFY(QDir(net).removeRecursively() && QDir().mkpath(net + QStringLiteral("/ppp0/statistics")));
    QFile counter(net + QStringLiteral("/ppp0/statistics/rx_bytes"));
    QVERIFY(!kernel || (counter.open(QIODevice::WriteOnly) && counter.write("5000\n") == 5 && counter.flush()));
    QString device = addCountingModem(rate, refuses);
    const auto control = dialup(PppSource(net, m_tree.filePath(QStringLiteral("run"))));
    control->setMetering(true);
    QString seen;
    for (const QChar step : script) {
        if (step == u'z') {
            m_networkManager.call(device, mockInterface, QStringLiteral("UpdateProperties"),
                                  {statisticsInterface, QVariantMap{{QStringLiteral("RefreshRateMs"), 0u}}});
        } else if (step == u'r') {
            QVERIFY(m_networkManager.stop() && m_networkManager.start());
            replaceDeactivate();
            device = addCountingModem(0, refuses);
            QTest::qWait(200); // as between two ticks
        } else {
            const auto bytes = control->receivedBytes();
            seen += !bytes ? u'-' : *bytes == 1000 ? u'N' : *bytes == 5000 ? u'K' : u'?';
        }
    }
    control->setMetering(false);
    QCOMPARE(seen, QString(script).remove(u'z').remove(u'r'));
    const QDBusMessage after = m_networkManager.call(device, propertiesInterface, QStringLiteral("Get"),
                                                     {statisticsInterface, QStringLiteral("RefreshRateMs")});
    QTEST(qdbus_cast<QDBusVariant>(after.arguments().value(0)).variant().toUInt(), "rateAfter");
}

void TestNetworkManagerSource::pppLinksOfNetworkManagerAreListedOnce()
{
    const QString net = m_tree.filePath(QStringLiteral("linked/net"));
    QVERIFY(test::writeNetInterface(net, QStringLiteral("ppp0"), 512, 4, "0x10d1"));
    QVERIFY(test::writeNetInterface(net, QStringLiteral("ppp1"), 512, 5, "0x10d1"));
    const QString modem =
        addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activating, {}, QStringLiteral("ppp0"));

    LinuxConnectionSource source(QDBusConnection::systemBus(), PppSource(net, m_tree.filePath(QStringLiteral("run"))));
    const QList<DialupConnection> expected = {{modem, false}, {QStringLiteral("ppp1"), true}};
    QCOMPARE(source.connections(), std::optional(expected));
}

void TestNetworkManagerSource::hangUpReachesBothNetworkManagerAndPppd()
{
    const QString net = m_tree.filePath(QStringLiteral("both/net"));
    const QString run = m_tree.filePath(QStringLiteral("both/run"));
    QVERIFY(test::writeNetInterface(net, QStringLiteral("ppp3"), 512, 9, "0x10d1") && QDir().mkpath(run));
    test::FakePppd pppd;
    QVERIFY(pppd.start(run, QStringLiteral("ppp3")));
    const QString modem = addConnection(QStringLiteral("gsm"), QStringLiteral("modem"), activating);

    const auto control = dialup(PppSource(net, run));
    QVERIFY(!control->isConnected());
    control->hangUpAll();
    QCOMPARE(deactivated(), QStringList{modem});
    QVERIFY(pppd.endsBySigterm());
}

QTEST_MAIN(TestNetworkManagerSource)
#include "test_networkmanagersource.moc"
