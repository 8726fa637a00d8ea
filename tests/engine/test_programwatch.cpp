// The programs' condition: the rule over real processes of our own (listed
// under the names a row gives them), the look into a made-up /proc, and the
// end of a process told by its pidfd.
#include "engine/finishconditions.h"
#include "engine/programwatch_linux.h"
#include "settings/options.h"
#include "support/children.h"
#include "support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;

namespace {

// A made-up /proc: one folder per process with its stat, status and cmdline.
struct FakeProc
{
    QTemporaryDir dir;

    // "pid uid state comm argv0", comm with "_" for a blank.
    void add(const QString &line) const
    {
        const QStringList f = line.split(u' ');
        const QString folder = dir.filePath(f[0]);
        QDir().mkpath(folder);
        const auto write = [&folder](const char *name, const QByteArray &text) {
            QFile file(folder + u'/' + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        const QByteArray comm = f[3].toUtf8().replace('_', ' ');
        write("stat", f[0].toUtf8() + " (" + comm + ") " + f[2].toUtf8() + " 1 1 1 0 -1");
        write("status", "Name:\t" + comm + "\nUid:\t" + f[1].toUtf8() + '\t' + f[1].toUtf8() + "\t0\t0\n");
        write("cmdline", f.value(4).toUtf8() + QByteArray("\0--quiet\0", 9));
    }
};

} // namespace

class TestProgramWatch : public QObject
{
    Q_OBJECT

private slots:
    // Steps: A arms, x+ starts child x, x- ends it, xz ends it but leaves it
    // listed (not reaped yet), t looks at 6:30, T at 7:30 (past the deadline
    // of 7:00). Children a and b are listed as wget, c as curl, o as other.
    // Each look answers - (nothing), P (the programs) or D (the deadline).
    void theRuleOverProcesses_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("atWork");
        QTest::addColumn<QString>("looks");
        QTest::newRow("none seen") << "wget"
                                   << "A t" << false << "-";
        QTest::newRow("one running") << "wget"
                                     << "A a+ t" << false << "-";
        QTest::newRow("seen, then ended") << "wget"
                                          << "A a+ t a- t" << false << "-P";
        QTest::newRow("running at the start, ended") << "wget"
                                                     << "a+ A a- t" << false << "P";
        QTest::newRow("ended before any look") << "wget"
                                               << "A a+ a- t" << false << "-";
        QTest::newRow("a second run follows the first") << "wget"
                                                        << "A a+ t a- b+ t b- t" << false << "--P";
        QTest::newRow("two at once, one ended") << "wget"
                                                << "A a+ b+ t a- t b- t" << false << "--P";
        QTest::newRow("an unreaped end counts as ended") << "wget"
                                                         << "A a+ t az t" << false << "-P";
        QTest::newRow("another program does not count") << "wget"
                                                        << "A o+ t o- t" << false << "--";
        QTest::newRow("two names, each ended") << "wget curl"
                                               << "A a+ c+ t a- t c- t" << false << "--P";
        QTest::newRow("downloads at work hold it back") << "wget"
                                                        << "A a+ t a- t" << true << "--";
        QTest::newRow("the deadline comes first") << "wget"
                                                  << "A a+ T" << false << "D";
        QTest::newRow("no names arm nothing") << ""
                                              << "A a+ t a- t" << false << "--";
    }
    void theRuleOverProcesses()
    {
        QFETCH(QString, names);
        QFETCH(QString, steps);
        QFETCH(bool, atWork);
        QFETCH(QString, looks);
        const QHash<QChar, QString> listedAs = {{u'a', "wget"}, {u'b', "wget"}, {u'c', "curl"}, {u'o', "other"}};
        test::Children children;
        QHash<QChar, qint64> pids;
        QList<RunningProgram> listed;
        ProgramWatch watch;
        watch.setLister([&listed] { return listed; });
        FinishConditions conditions([atWork](const QString &) { return atWork; });
        conditions.setPrograms(&watch);
        Options options;
        options.waitprograms = names;
        options.deadline = Flag(QStringLiteral("1"));
        options.deadlinetime = QStringLiteral("07:00");
        const QDate day(2026, 3, 2);
        QString answers;
        for (const QString &step : steps.split(u' ')) {
            if (step == u'A') {
                conditions.arm(options, QDateTime(day, QTime(6, 0)), 1);
            } else if (step == u't' || step == u'T') {
                const QTime at = step == u't' ? QTime(6, 30) : QTime(7, 30);
                const auto reason = conditions.check({}, QDateTime(day, at));
                answers += !reason                                         ? u'-'
                           : *reason == FinishConditions::Reason::Programs ? u'P'
                           : *reason == FinishConditions::Reason::Deadline ? u'D'
                                                                           : u'?';
            } else if (step[1] == u'+') {
                pids[step[0]] = children.start();
                listed.append({pids[step[0]], listedAs[step[0]], listedAs[step[0]]});
            } else {
                const qint64 pid = pids[step[0]];
                children.end(pid, step[1] != u'z');
                if (step[1] == u'-')
                    listed.removeIf([pid](const RunningProgram &program) { return program.pid == pid; });
                // Its end reaches the watch through the event loop.
                QTRY_VERIFY(!watch.runningPids().contains(pid));
            }
        }
        QCOMPARE(answers, looks);
    }

    // The names a process answers to: as listed, the cut name too on Linux.
    void namesMatch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shortName");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("matches");
        QTest::newRow("the same name") << "wget"
                                       << "wget"
                                       << "wget" << true;
        QTest::newRow("another name") << "wget"
                                      << "wget"
                                      << "curl" << false;
        QTest::newRow("a prefix is no match") << "wget2"
                                              << "wget2"
                                              << "wget" << false;
        QTest::newRow("letter case counts") << "wget"
                                            << "wget"
                                            << "WGET" << false;
        QTest::newRow("the whole long name") << "transmission-daemon"
                                             << "transmission-da"
                                             << "transmission-daemon" << true;
        QTest::newRow("the cut name as ps shows it") << "transmission-daemon"
                                                     << "transmission-da"
                                                     << "transmission-da" << true;
    }
    void namesMatch()
    {
        QFETCH(QString, name);
        QFETCH(QString, shortName);
        QFETCH(QString, wanted);
        QFETCH(bool, matches);
        QCOMPARE(programwatch::matches({1, name, shortName}, wanted), matches);
    }

    // The look into /proc for user 1000: "pid=name" of what it lists.
    void procIsScanned_data()
    {
        QTest::addColumn<QStringList>("processes");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("the user's process") << QStringList{"42 1000 S wget /usr/bin/wget"} << QStringList{"42=wget"};
        QTest::newRow("another user's is left out")
            << QStringList{"42 0 S wget /usr/bin/wget", "43 1000 R curl curl"} << QStringList{"43=curl"};
        QTest::newRow("a zombie is left out")
            << QStringList{"42 1000 Z wget /usr/bin/wget", "44 1000 X curl curl"} << QStringList{};
        QTest::newRow("a name with blanks and brackets")
            << QStringList{"42 1000 S my_(odd)_tool x"} << QStringList{"42=my (odd) tool"};
        QTest::newRow("a cut name continues from argv[0]")
            << QStringList{"42 1000 S transmission-da /usr/bin/transmission-daemon"}
            << QStringList{"42=transmission-daemon"};
        QTest::newRow("a cut name with another argv[0] stays cut")
            << QStringList{"42 1000 S transmission-da /usr/bin/python3"} << QStringList{"42=transmission-da"};
        QTest::newRow("a short name never reads argv[0]")
            << QStringList{"42 1000 S wget /usr/bin/wget-renamed"} << QStringList{"42=wget"};
    }
    void procIsScanned()
    {
        QFETCH(QStringList, processes);
        QFETCH(QStringList, listed);
        FakeProc proc;
        for (const QString &process : processes)
            proc.add(process);
        QDir(proc.dir.path()).mkdir(QStringLiteral("self"));
        QStringList seen;
        for (const RunningProgram &program : programwatch::scanProc(proc.dir.path(), 1000))
            seen.append(QStringLiteral("%1=%2").arg(program.pid).arg(program.name));
        seen.sort();
        QCOMPARE(seen, listed);
    }

    // Whose process a number is, for user 1000.
    void pidsHaveOwners_data()
    {
        QTest::addColumn<QString>("process");
        QTest::addColumn<int>("owner");
        QTest::addColumn<QString>("name");
        QTest::newRow("the user's") << "42 1000 S wget /usr/bin/wget" << int(PidOwner::Mine) << "wget";
        QTest::newRow("another user's") << "42 0 S wget /usr/bin/wget" << int(PidOwner::Other) << "";
        QTest::newRow("ended, not reaped") << "42 1000 Z wget /usr/bin/wget" << int(PidOwner::Missing) << "";
        QTest::newRow("not there") << "" << int(PidOwner::Missing) << "";
    }
    void pidsHaveOwners()
    {
        QFETCH(QString, process);
        QFETCH(int, owner);
        QFETCH(QString, name);
        FakeProc proc;
        if (!process.isEmpty())
            proc.add(process);
        QString told;
        QCOMPARE(int(programwatch::ownerIn(proc.dir.path(), 1000, 42, &told)), owner);
        QCOMPARE(told, name);
    }

    // A running child is awaited and its end told at once; one that has
    // ended (reaped or not) cannot be awaited.
    void theEndIsToldByPidfd_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("awaited");
        QTest::newRow("running") << "running" << true;
        QTest::newRow("ended, not reaped") << "zombie" << false;
        QTest::newRow("ended and reaped") << "gone" << false;
    }
    void theEndIsToldByPidfd()
    {
        QFETCH(QString, before);
        QFETCH(bool, awaited);
        test::Children children;
        const qint64 pid = children.start();
        if (before != QLatin1String("running"))
            children.end(pid, before == QLatin1String("gone"));
        QObject parent;
        ProcessEnd *end = ProcessEnd::open(pid, &parent);
        QCOMPARE(end != nullptr, awaited);
        if (!end)
            return;
        QSignalSpy ended(end, &ProcessEnd::ended);
        QTest::qWait(50);
        QCOMPARE(ended.count(), 0);
        QElapsedTimer clock;
        clock.start();
        children.end(pid);
        QVERIFY(ended.wait(2000));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(ended.first().first().toLongLong(), pid);
    }
};

QTEST_GUILESS_MAIN(TestProgramWatch)
#include "test_programwatch.moc"
