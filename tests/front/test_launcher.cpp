#include "control/control.h"
#include "control/dbusservice.h"
#include "support/frontrig.h"
#include "support/trayrig.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace quendral;

namespace {

const QString kService = QStringLiteral(QUENDRAL_APP_ID);
const QString kPath = QStringLiteral("/org/example/Quendral");
// Where no bus listens.
const QString kNoBus = QStringLiteral("unix:path=") + QDir::tempPath() + QStringLiteral("/quendral-no-bus");

// A copy from before StatusText: its Status only.
class OlderCopy : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Quendral")

public:
    explicit OlderCopy(Control &control)
        : m_control(control)
    {
    }

public slots:
    QVariantMap Status() { return m_control.status(); }

private:
    Control &m_control;
};

// A copy whose StatusText answers with something else than text.
class OddCopy : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Quendral")

public:
    explicit OddCopy(Control &control)
        : m_control(control)
    {
    }

public slots:
    QVariantMap Status() { return m_control.status(); }
    int StatusText(bool json) { return json ? 1 : 0; }

private:
    Control &m_control;
};

enum class Copy { None, Real, Older, Odd };

// A program's exit status, its output and error output, and the Qt
// libraries the dynamic linker initialised for it.
struct Ran
{
    int status = -1;
    QByteArray out;
    QByteArray err;
    QStringList qtLibraries;
};

// Runs `program` while this thread goes on answering the bus for the copy,
// the linker's LD_DEBUG=libs lines written to a file of their own.
Ran runServing(const QString &program, const QStringList &arguments, const QProcessEnvironment &extra)
{
    QTemporaryDir linkerLog;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    environment.insert("LD_DEBUG", "libs");
    environment.insert("LD_DEBUG_OUTPUT", linkerLog.filePath("libs"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const QDeadlineTimer deadline(30000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    Ran ran;
    if (process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit)
        ran.status = process.exitCode();
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    for (const QFileInfo &log : QDir(linkerLog.path()).entryInfoList(QDir::Files)) {
        QFile file(log.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const qsizetype at = line.indexOf("calling init: ");
            const QString name = QFileInfo(QString::fromLocal8Bit(line.mid(at + 14).trimmed())).fileName();
            if (at >= 0 && name.startsWith(QLatin1String("libQt6")))
                ran.qtLibraries.append(name);
        }
    }
    return ran;
}

} // namespace

// Linux's quendral, the launcher without Qt: --status from the running copy
// as the Qt front prints it, everything else through the Qt front.
class TestLauncher : public QObject
{
    Q_OBJECT

private:
    test::TrayRig m_rig;
    std::unique_ptr<Control> m_control;
    std::unique_ptr<QObject> m_copy;

    // Serves `copy` under the copy's name on the test bus.
    bool serve(Copy copy)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(kPath);
        bus.unregisterService(kService);
        m_copy.reset();
        switch (copy) {
        case Copy::None:
            return true;
        case Copy::Real:
            m_copy = std::make_unique<DBusService>(*m_control);
            break;
        case Copy::Older:
            m_copy = std::make_unique<OlderCopy>(*m_control);
            break;
        case Copy::Odd:
            m_copy = std::make_unique<OddCopy>(*m_control);
            break;
        }
        const auto exported = copy == Copy::Real ? QDBusConnection::ExportAdaptors : QDBusConnection::ExportAllSlots;
        return bus.registerObject(kPath, m_copy.get(), exported) && bus.registerService(kService);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("QUENDRAL_TEST_BUS"))
            QSKIP("needs the private bus of scripts/test-env.sh");
        m_rig.load();
        m_control = std::make_unique<Control>(m_rig.state, *m_rig.monitor, m_rig.completion);
    }

    void cleanupTestCase() { serve(Copy::None); }

    // The launcher answers --status itself, loading no Qt library, with the
    // very bytes the Qt front prints for the same copy.
    void statusIsTheQtFrontsToTheByte_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("arguments");
        const QStringList two{"/tmp/a.zip", "/tmp/film 2.mkv"};
        const QStringList beyondAscii{"/tmp/zażółć gęślą.iso", "/tmp/日本.tar"};
        QTest::newRow("nothing watched") << QStringList() << QStringList{"--status"};
        QTest::newRow("nothing watched, --json") << QStringList() << QStringList{"--status", "--json"};
        QTest::newRow("two files") << two << QStringList{"--status"};
        QTest::newRow("two files, --json") << two << QStringList{"--status", "--json"};
        QTest::newRow("names beyond ASCII") << beyondAscii << QStringList{"--status"};
        QTest::newRow("names beyond ASCII, --json") << beyondAscii << QStringList{"--status", "--json"};
    }

    void statusIsTheQtFrontsToTheByte()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, arguments);
        m_rig.setWatchList(files);
        QVERIFY(serve(Copy::Real));
        const Ran qtFront = runServing(FRONT_PROGRAM, arguments, {});
        QCOMPARE(qtFront.status, 0);
        const Ran launcher = runServing(LAUNCHER_PROGRAM, arguments, {});
        QCOMPARE(launcher.status, 0);
        QCOMPARE(launcher.err, QByteArray());
        QCOMPARE(launcher.qtLibraries, QStringList());
        QCOMPARE(launcher.out, qtFront.out);
        for (const QString &file : files)
            QVERIFY2(launcher.out.contains(file.toUtf8()), launcher.out.constData());
    }

    // Other arguments, and a --status the launcher cannot answer, reach the
    // Qt front, which says and returns what it always does.
    void othersAreTheQtFronts_data()
    {
        QTest::addColumn<int>("copy");
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        const QStringList status{"--status"};
        const QStringList json{"--status", "--json"};
        QTest::newRow("no copy running") << int(Copy::None) << QString() << status << 3;
        QTest::newRow("no copy running, --json") << int(Copy::None) << QString() << json << 3;
        QTest::newRow("no bus") << int(Copy::Real) << kNoBus << status << 3;
        QTest::newRow("a bus over TCP") << int(Copy::Real) << "tcp:host=127.0.0.1,port=9" << json << 3;
        QTest::newRow("a copy that answers an error") << int(Copy::Older) << QString() << status << 0;
        QTest::newRow("a copy that answers an error, --json") << int(Copy::Older) << QString() << json << 0;
        QTest::newRow("a copy that answers a number") << int(Copy::Odd) << QString() << status << 0;
        QTest::newRow("--version") << int(Copy::Real) << QString() << QStringList{"--version"} << 0;
        QTest::newRow("--json alone") << int(Copy::Real) << QString() << QStringList{"--json"} << 2;
        QTest::newRow("--status with more") << int(Copy::Real) << QString() << QStringList{"--status", "--jsno"} << 2;
        QTest::newRow("--add, no copy running") << int(Copy::None) << QString() << QStringList{"--add", "a.zip"} << 3;
    }

    void othersAreTheQtFronts()
    {
        QFETCH(int, copy);
        QFETCH(QString, bus);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        m_rig.setWatchList({"/tmp/a.zip"});
        QVERIFY(serve(Copy(copy)));
        QProcessEnvironment environment;
        if (!bus.isEmpty())
            environment.insert("DBUS_SESSION_BUS_ADDRESS", bus);
        const Ran qtFront = runServing(FRONT_PROGRAM, arguments, environment);
        const Ran launcher = runServing(LAUNCHER_PROGRAM, arguments, environment);
        QCOMPARE(qtFront.status, status);
        QCOMPARE(launcher.status, status);
        QCOMPARE(launcher.out, qtFront.out);
        QCOMPARE(launcher.err, qtFront.err);
        // Answered by the Qt front, in the launcher's process.
        QCOMPARE(launcher.qtLibraries, QStringList{"libQt6Core.so.6"});
    }

    // What the launcher hands on it hands on unchanged, in its own process,
    // naming itself as the file the user started; the Qt front keeps that
    // name for the GUI program.
    void handsOnUnchanged_data()
    {
        QTest::addColumn<bool>("throughQtFront");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("throughLink");
        QTest::addColumn<QStringList>("arguments");
        const QString quendral = programfile::buttonExecutable();
        QTest::newRow("a start") << true << quendral << false << QStringList();
        QTest::newRow("a start with Qt's options")
            << true << quendral << false << QStringList{"-platform", "offscreen", "-session", "s1", "-reverse"};
        QTest::newRow("a renamed copy started through a link") << true << "renamed" << true << QStringList();
        QTest::newRow("--add") << false << quendral << false << QStringList{"--add", "a b.zip"};
        QTest::newRow("--status, no copy running") << false << quendral << false << QStringList{"--status"};
        QTest::newRow("--status --json through a link")
            << false << quendral << true << QStringList{"--status", "--json"};
        QTest::newRow("--status --json twice")
            << false << quendral << false << QStringList{"--status", "--json", "--json"};
    }

    void handsOnUnchanged()
    {
        QFETCH(bool, throughQtFront);
        QFETCH(QString, name);
        QFETCH(bool, throughLink);
        QFETCH(QStringList, arguments);
        // The launcher, and behind it the Qt front or the stand-in as the Qt
        // front; behind the Qt front the stand-in as the GUI program.
        const test::FrontCopy copy(LAUNCHER_PROGRAM, name, throughQtFront ? FRONT_PROGRAM : FRONT_STANDIN,
                                   QStringLiteral("quendral-cli"));
        QVERIFY(copy.ok());
        if (throughQtFront)
            QVERIFY(QFile::copy(FRONT_STANDIN, copy.folder() + u'/' + programfile::guiExecutable()));
        QTemporaryDir elsewhere;
        const QString started = throughLink ? elsewhere.filePath("quendral-link") : copy.front();
        if (throughLink)
            QVERIFY(QFile::link(copy.front(), started));
        QProcessEnvironment noBus;
        noBus.insert("DBUS_SESSION_BUS_ADDRESS", kNoBus);
        const auto start = test::FrontCopy::runRecorded(started, arguments, noBus, elsewhere.filePath("record"));
        QCOMPARE(start.status, 7);
        const QStringList &lines = start.lines;
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines[0].toLongLong(), start.pid);
        QCOMPARE(lines[1], QFileInfo(copy.front()).canonicalFilePath());
        QCOMPARE(lines[2], started);
        QCOMPARE(lines.mid(3), arguments);
    }

    // Without its Qt front the launcher says which file it could not start
    // and why, for a command and for a start alike.
    void missingQtFrontIsToldAndRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("a start") << QStringList();
        QTest::newRow("--status, no copy running") << QStringList{"--status"};
    }

    void missingQtFrontIsToldAndRefused()
    {
        QFETCH(QStringList, arguments);
        const test::FrontCopy copy(LAUNCHER_PROGRAM, programfile::buttonExecutable(), QString(),
                                   QStringLiteral("quendral-cli"));
        QVERIFY(copy.ok());
        QProcessEnvironment noBus;
        noBus.insert("DBUS_SESSION_BUS_ADDRESS", kNoBus);
        QProcess process;
        QCOMPARE(test::FrontCopy::run(copy.front(), arguments, noBus, process), 1);
        const QString said = QString::fromLocal8Bit(process.readAllStandardError());
        const QString qtFront = QFileInfo(copy.folder()).canonicalFilePath() + QStringLiteral("/quendral-cli");
        QVERIFY2(said.contains(qtFront), qPrintable(said));
        QVERIFY2(said.contains(QString::fromLocal8Bit(std::strerror(ENOENT))), qPrintable(said));
    }
};

QTEST_MAIN(TestLauncher)
#include "test_launcher.moc"
