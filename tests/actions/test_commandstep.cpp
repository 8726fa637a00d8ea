#include "actionrig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>

using namespace quendral;
using namespace quendral::test;

namespace {

// The processes of a group that still run (zombies have ended).
QStringList runningInGroup(qint64 group)
{
    QStringList running;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid pgrp ...: the name may hold blanks.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z")
            running.append(pid);
    }
    return running;
}

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Counts the bytes the command's output put into the log.
qint64 g_logged = 0;
QtMessageHandler g_previous = nullptr;
void countCommandLog(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (qstrcmp(context.category, "quendral.command") == 0 && type == QtInfoMsg)
        g_logged += text.size();
    else
        g_previous(type, context, text);
}

} // namespace

class TestCommandStep : public QObject
{
    Q_OBJECT

private:
    // Runs `command` as the one step of a completion and waits for its end.
    static void runToEnd(ActionRig &rig, const QString &command, int timeoutSeconds, const QStringList &files = {})
    {
        CompletionChoice choice;
        choice.command = command;
        choice.commandTimeoutSeconds = timeoutSeconds;
        choice.files = files;
        rig.sequence.start(choice, QStringLiteral("/p/Settings.ini"));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.finished.isEmpty(), (timeoutSeconds + 10) * 1000);
    }

private slots:
    // At its time the command goes with every process it started, those that
    // wait for TERM and those that ignore it; and only then do the countdowns
    // follow.
    void theWholeGroupEndsAtTheTimeout_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("a child in the background") << "sleep 302 & sleep 303";
        QTest::newRow("children that ignore TERM") << "trap '' TERM; sleep 302 & sleep 303";
        QTest::newRow("a grandchild") << "sh -c 'sleep 304 & wait' & wait";
    }
    void theWholeGroupEndsAtTheTimeout()
    {
        QFETCH(QString, script);
        QTemporaryDir dir;
        const QString pidFile = dir.filePath(QStringLiteral("pid"));
        ActionRig rig;
        QElapsedTimer clock;
        clock.start();
        const QString line = QStringLiteral("echo \\$\\$ >'%1'; %2").arg(pidFile, script);
        runToEnd(rig, QStringLiteral("sh -c \"%1\"").arg(line), 1);
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY2(clock.elapsed() < 1000 + CommandStep::kGraceMs + 1500, qPrintable(QString::number(clock.elapsed())));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const qint64 group = file.readAll().trimmed().toLongLong();
        QVERIFY(group > 0);
        QCOMPARE(runningInGroup(group), QStringList());
    }

    // Output without line ends, without end: read in small pieces, logged up
    // to its bounds, memory kept low.
    void endlessOutputKeepsMemoryLow()
    {
        ActionRig rig;
        g_logged = 0;
        g_previous = qInstallMessageHandler(countCommandLog);
        runToEnd(rig, QStringLiteral("head -c 1073741824 /dev/zero"), 120);
        qInstallMessageHandler(g_previous);
        QVERIFY2(g_logged <= CommandStep::kMaxLine + 200, qPrintable(QString::number(g_logged)));
        const qint64 peak = peakResidentKiB();
        QVERIFY2(peak > 0 && peak < 50 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(peak)));
    }

    // QUENDRAL_FILES0 names a file of the names, each ended by a NUL byte, so
    // that a name with a line break stays one name.
    void namesComeNulEnded()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("names"));
        ActionRig rig;
        runToEnd(rig, QStringLiteral("sh -c \"cp \\\"\\$QUENDRAL_FILES0\\\" '%1'\"").arg(copy), 5,
                 {"/d/a.zip", "/d/two\nlines.zip"});
        QFile names(copy);
        QVERIFY(names.open(QIODevice::ReadOnly));
        QCOMPARE(names.readAll(), QByteArray("/d/a.zip\0/d/two\nlines.zip\0", 26));
        QVERIFY(rig.notifier.sent.isEmpty());
    }
};

QTEST_MAIN(TestCommandStep)
#include "test_commandstep.moc"
