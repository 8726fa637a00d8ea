#include "settings/programfile.h"
#include "support/frontrig.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <cerrno>

using namespace quendral;

namespace {

// The libraries a run of the program loaded, as the dynamic linker's
// LD_DEBUG=libs lines name them when it calls their initialisers.
QStringList loadedLibraries(const QByteArray &linkerLines)
{
    QStringList libraries;
    for (const QByteArray &line : linkerLines.split('\n')) {
        const qsizetype at = line.indexOf("calling init: ");
        if (at >= 0)
            libraries.append(QFileInfo(QString::fromLocal8Bit(line.mid(at + 14).trimmed())).fileName());
    }
    return libraries;
}

} // namespace

// The program users start: it answers the command line with Qt Core alone
// and leaves a real start to the GUI program beside it.
class TestFront : public QObject
{
    Q_OBJECT

private slots:
    void commandsLoadNoGuiLibrary_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("--help") << QStringList{"--help"} << 0;
        QTest::newRow("--version") << QStringList{"--version"} << 0;
        QTest::newRow("--status, no copy running") << QStringList{"--status"} << 3;
        QTest::newRow("--status --json") << QStringList{"--status", "--json"} << 3;
        QTest::newRow("--add") << QStringList{"--add", "file.zip"} << 3;
        QTest::newRow("--stop") << QStringList{"--stop"} << 3;
        QTest::newRow("--check-now") << QStringList{"--check-now"} << 3;
        QTest::newRow("--cancel") << QStringList{"--cancel"} << 3;
        QTest::newRow("--log, nothing logged") << QStringList{"--log"} << 1;
        QTest::newRow("a usage error") << QStringList{"--stauts"} << 2;
        QTest::newRow("\\uninstallme") << QStringList{"\\uninstallme"} << 0;
    }

    void commandsLoadNoGuiLibrary()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QProcessEnvironment linker;
        linker.insert("LD_DEBUG", "libs");
        // No copy running whatever other tests serve on the shared test bus.
        linker.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QDir::tempPath() + "/quendral-no-bus");
        QProcess process;
        QCOMPARE(test::FrontCopy::run(FRONT_PROGRAM, arguments, linker, process), status);
        const QStringList libraries = loadedLibraries(process.readAllStandardError());
        QVERIFY2(libraries.contains("libQt6Core.so.6"), qPrintable(libraries.join(u' ')));
        for (const QString &library : libraries)
            QVERIFY2(!library.startsWith("libQt6Gui") && !library.startsWith("libQt6Widgets"), qPrintable(library));
    }

    void startRunsTheGuiProgramInItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("throughLink");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain start") << programfile::buttonExecutable() << false << QStringList();
        QTest::newRow("Qt's options") << programfile::buttonExecutable() << false
                                      << QStringList{"-platform", "offscreen", "-session", "s1", "-reverse"};
        QTest::newRow("--monitor, no copy running")
            << programfile::buttonExecutable() << false << QStringList{"--monitor"};
        QTest::newRow("through a link") << programfile::buttonExecutable() << true << QStringList();
        QTest::newRow("a renamed copy") << "renamed" << false << QStringList{"-style", "fusion"};
    }

    void startRunsTheGuiProgramInItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(bool, throughLink);
        QFETCH(QStringList, arguments);
        const test::FrontCopy copy(FRONT_PROGRAM, name, FRONT_STANDIN);
        QVERIFY(copy.ok());
        QTemporaryDir elsewhere;
        const QString started = throughLink ? elsewhere.filePath("quendral-link") : copy.front();
        if (throughLink)
            QVERIFY(QFile::link(copy.front(), started));
        const auto start = test::FrontCopy::runRecorded(started, arguments, {}, elsewhere.filePath("record"));
        // The stand-in's own exit status: the start's is the GUI program's.
        QCOMPARE(start.status, 7);
        const QStringList &lines = start.lines;
        QVERIFY(lines.size() >= 3);
        // The same process: whoever holds the pid of the start holds the GUI program's.
        QCOMPARE(lines[0].toLongLong(), start.pid);
        QCOMPARE(lines[1], QFileInfo(copy.front()).canonicalFilePath());
        QCOMPARE(lines[2], started);
        QCOMPARE(lines.mid(3), arguments);
    }

    void missingGuiProgramIsToldAndRefused()
    {
        const test::FrontCopy copy(FRONT_PROGRAM, programfile::buttonExecutable(), QString());
        QVERIFY(copy.ok());
        QProcess process;
        QCOMPARE(test::FrontCopy::run(copy.front(), {}, {}, process), 1);
        const QString said = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(said.contains(copy.gui()), qPrintable(said));
        QVERIFY2(said.contains(qt_error_string(ENOENT)), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestFront)
#include "test_front.moc"
