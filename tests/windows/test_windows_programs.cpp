// The wait for programs on Windows, with real processes: a command
// interpreter that reads its input until it closes, listed by the Tool Help
// snapshot and awaited through its process handle.
#include "engine/programwatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using namespace quendral;

namespace {

// A process of ours that ends when its input closes.
struct Child
{
    QProcess process;

    qint64 number = 0;

    Child()
    {
        process.start(QStringLiteral("cmd.exe"), {QStringLiteral("/q")});
        if (!process.waitForStarted(10000))
            qFatal("cmd.exe did not start");
        number = process.processId();
    }
    ~Child() { end(); }
    // Its number, also once it has ended.
    qint64 pid() const { return number; }
    void end()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.closeWriteChannel();
        process.waitForFinished(10000);
    }
};

} // namespace

class TestWindowsPrograms : public QObject
{
    Q_OBJECT

private slots:
    // A running process is awaited and its end told within a second; one
    // that has ended cannot be awaited.
    void theEndIsToldThroughTheHandle_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("running") << true;
        QTest::newRow("ended") << false;
    }
    void theEndIsToldThroughTheHandle()
    {
        QFETCH(bool, running);
        Child child;
        const qint64 pid = child.pid();
        if (!running)
            child.end();
        QObject parent;
        ProcessEnd *end = ProcessEnd::open(pid, &parent);
        QCOMPARE(end != nullptr, running);
        if (!end)
            return;
        QSignalSpy ended(end, &ProcessEnd::ended);
        QTest::qWait(100);
        QCOMPARE(ended.count(), 0);
        QElapsedTimer clock;
        clock.start();
        child.process.closeWriteChannel();
        QVERIFY(ended.wait(5000));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ended.first().first().toLongLong(), pid);
    }

    // The watch finds the program by its executable's name, in any letter
    // case, and is met once its process has ended.
    void theWatchWaitsForTheProgram_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("as listed") << "cmd.exe" << true;
        QTest::newRow("other letter case") << "CMD.EXE" << true;
        QTest::newRow("without .exe") << "cmd" << false;
    }
    void theWatchWaitsForTheProgram()
    {
        QFETCH(QString, name);
        QFETCH(bool, found);
        Child child;
        ProgramWatch watch;
        QSignalSpy allEnded(&watch, &ProgramWatch::allEnded);
        watch.arm({name});
        QCOMPARE(watch.runningPids().contains(child.pid()), found);
        QVERIFY(!watch.met());
        if (!found)
            return;
        child.end();
        QTRY_COMPARE(allEnded.count(), 1);
        QVERIFY(watch.met());
        QCOMPARE(watch.ended().last().pid, child.pid());
    }

    // Whose process a number is: this one's own, one that has ended.
    void pidsHaveOwners_data()
    {
        QTest::addColumn<bool>("ours");
        QTest::newRow("this test") << true;
        QTest::newRow("an ended process") << false;
    }
    void pidsHaveOwners()
    {
        QFETCH(bool, ours);
        qint64 pid = QCoreApplication::applicationPid();
        if (!ours) {
            Child child;
            pid = child.pid();
            child.end();
        }
        QString name;
        QCOMPARE(programwatch::owner(pid, &name), ours ? PidOwner::Mine : PidOwner::Missing);
        QCOMPARE(name.compare(QStringLiteral("test_windows_programs.exe"), Qt::CaseInsensitive) == 0, ours);
    }
};

QTEST_GUILESS_MAIN(TestWindowsPrograms)
#include "test_windows_programs.moc"
