#include "engine/completionrunner.h"
#include "engine/monitor.h"
#include "engine/monitoring.h"
#include "engine/programwatch.h"
#include "settings/appstate.h"
#include "settings/options.h"
#include "support/children.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"
#include "support/testsupport.h"

#include <QtTest>

using namespace quendral;

namespace {

// Takes the choices handed over and plays a countdown when asked to.
class FakeRunner final : public CompletionRunner
{
public:
    QList<CompletionChoice> started;
    bool counting = false;

    void start(const CompletionChoice &choice, const QString &) override
    {
        started.append(choice);
        counting = choice.countsDown();
        if (counting)
            emit countingDownChanged();
        else
            emit finished(Outcome::Completed);
    }
    bool running() const override { return counting; }
    bool countingDown() const override { return counting; }
    std::optional<Countdown> countdown() const override
    {
        return counting ? std::optional<Countdown>(Countdown{std::nullopt, 15, 9}) : std::nullopt;
    }
    bool declineCountdown() override
    {
        if (!counting)
            return false;
        end();
        return true;
    }
    void end()
    {
        counting = false;
        emit countingDownChanged();
        emit finished(Outcome::Declined);
    }
};

// The monitor alone, over fakes, in a program folder of its own.
struct Rig
{
    test::ProgramFolder folder;
    AppState state{folder.path()};
    test::FakeDialup dialup;
    test::FakeInhibitor inhibitor;
    test::FakePower power;
    FakeRunner runner;
    Monitor monitor{state, {dialup, inhibitor, power, runner}};

    Rig()
    {
        monitor.setConnectionGrace(0);
        // The per-user store outlives a rig: every value starts unset.
        for (const OptionRow &row : Options::table())
            state.store.SaveUserSetting(row.key, {});
    }
    void set(const QHash<QString, QString> &values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            state.store.SaveUserSetting(it.key(), it.value());
    }
    QString file(const QString &name, bool there) const
    {
        if (there)
            folder.write(QStringLiteral("d/") + name, "data");
        return folder.file(QStringLiteral("d/") + name);
    }
    void watch(const QStringList &paths) const
    {
        QByteArray text = "[Files]\n";
        for (int n = 0; n < paths.size(); ++n)
            text += "file" + QByteArray::number(n) + '=' + paths[n].toUtf8() + '\n';
        folder.write(QStringLiteral("Settings.ini"), text);
    }
};

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT

private slots:
    // The rule over the list: every file, any file, never; a gap ends the
    // list, and only the listed files are emptied.
    void theRuleDecidesTheTick_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("files"); // + there, - missing, _ a gap
        QTest::addColumn<bool>("met");
        QTest::newRow("all, one missing") << "0"
                                          << "++-" << false;
        QTest::newRow("all, every one") << "0"
                                        << "+++" << true;
        QTest::newRow("any, one there") << "1"
                                        << "-+" << true;
        QTest::newRow("any, none there") << "1"
                                         << "--" << false;
        QTest::newRow("another number") << "2"
                                        << "+" << false;
        QTest::newRow("a gap ends the list") << "0"
                                             << "++_-" << true;
    }
    void theRuleDecidesTheTick()
    {
        QFETCH(QString, rule);
        QFETCH(QString, files);
        QFETCH(bool, met);
        Rig rig;
        rig.set({{"notallfiles", rule}, {"autodisconnect", "1"}});
        QStringList paths;
        for (int n = 0; n < files.size(); ++n)
            paths.append(files[n] == u'_' ? QString() : rig.file(QStringLiteral("f%1").arg(n), files[n] == u'+'));
        rig.watch(paths);
        QVERIFY(!rig.monitor.start());
        rig.monitor.tick();
        QCOMPARE(rig.runner.started.size(), met ? 1 : 0);
        QCOMPARE(rig.monitor.state(), met ? Monitor::State::CountingDown : Monitor::State::Running);
        const QString gapped = rig.state.store.settingsFile().ReadIni(QStringLiteral("Files"), QStringLiteral("file3"));
        QCOMPARE(gapped, files.size() > 3 ? paths[3] : QString());
        QCOMPARE(monitoring::lastFileIndex(rig.state.store) == -1, met);
    }

    // What the completion does is decided at its tick, from the options then
    // and the reason: the files there and missing, the power action, the
    // length; options changed afterwards change nothing of it.
    void theChoiceIsMadeOnceAtTheTick_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("the files") << false;
        QTest::newRow("a quiet connection") << true;
    }
    void theChoiceIsMadeOnceAtTheTick()
    {
        QFETCH(bool, quiet);
        Rig rig;
        const QString there = rig.file(QStringLiteral("a.zip"), true);
        const QString missing = rig.file(QStringLiteral("b.zip"), !quiet);
        rig.watch({there, missing});
        rig.set({{"autodisconnect", "1"},
                 {"autocomp_off", "1"},
                 {"PowerAction", "1"},
                 {"Countdown", "42"},
                 {"infofiles", "1"},
                 {"Command", "true"},
                 {"Quiet", quiet ? "1" : "0"},
                 {"QuietMinutes", "1"}});
        test::FakeMeter meter;
        rig.monitor.setTrafficMeter(&meter);
        // A 3 ms tick makes the quiet minute 6 ms.
        rig.monitor.setInterval(3);
        QVERIFY(!rig.monitor.start());
        QCOMPARE(rig.monitor.choice().power, PowerControl::Action::Suspend);
        QTRY_COMPARE(rig.runner.started.size(), 1);
        const CompletionChoice choice = rig.runner.started.first();
        QCOMPARE(choice.reason, quiet ? FinishReason::Quiet : FinishReason::Files);
        QCOMPARE(choice.files, QStringList{there} + (quiet ? QStringList() : QStringList{missing}));
        QCOMPARE(choice.missing, quiet ? QStringList{missing} : QStringList());
        QCOMPARE(choice.power, PowerControl::Action::Suspend);
        QCOMPARE(choice.command, QStringLiteral("true"));
        QCOMPARE(choice.countdownSeconds, 42);
        rig.set({{"Countdown", "7"}, {"PowerAction", "2"}});
        QCOMPARE(rig.monitor.choice().countdownSeconds, 42);
        QCOMPARE(rig.monitor.choice().power, PowerControl::Action::Suspend);
    }

    // Stop leaves a countdown on screen alone, and the state says so until
    // it ends; a lost connection stops monitoring before it is told.
    void theStateFollowsWhatRuns()
    {
        Rig rig;
        rig.watch({rig.file(QStringLiteral("a.zip"), true)});
        rig.set({{"autodisconnect", "1"}});
        QVERIFY(!rig.monitor.start());
        rig.monitor.tick();
        rig.monitor.stop();
        QCOMPARE(rig.monitor.state(), Monitor::State::CountingDown);
        QCOMPARE(rig.monitor.countdown()->left, 9);
        rig.runner.end();
        QCOMPARE(rig.monitor.state(), Monitor::State::Stopped);

        rig.watch({rig.file(QStringLiteral("b.zip"), false)});
        QVERIFY(!rig.monitor.start());
        rig.dialup.connected = false;
        QList<Monitor::State> seen;
        connect(&rig.monitor, &Monitor::halted, this, [&] { seen.append(rig.monitor.state()); });
        rig.monitor.tick();
        QCOMPARE(seen, QList{Monitor::State::Stopped});
        QVERIFY(!rig.monitor.ticking() && !rig.inhibitor.holding);
    }

    // The end of the last program waited for starts the completion at once,
    // not at the next tick, whoever named it: the options, or the command
    // line by name or by number. The choice says which ended.
    void theLastProgramsEndCompletesAtOnce_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("in the options") << "options";
        QTest::newRow("by name") << "name";
        QTest::newRow("by number") << "pid";
    }
    void theLastProgramsEndCompletesAtOnce()
    {
        QFETCH(QString, given);
        Rig rig;
        rig.set({{"autodisconnect", "1"}, {"WaitPrograms", given == u"options" ? "fakewget" : ""}});
        test::Children children;
        const qint64 pid = children.start();
        QList<RunningProgram> listed{{pid, QStringLiteral("fakewget"), QStringLiteral("fakewget")}};
        rig.monitor.programs().setLister([&listed] { return listed; });
        if (given == u"options")
            QVERIFY(!rig.monitor.start());
        else
            QVERIFY(!rig.monitor.waitFor({QStringLiteral("fakewget"), given == u"pid" ? pid : 0}));
        QCOMPARE(rig.monitor.state(), Monitor::State::Running);
        QCOMPARE(rig.monitor.programs().runningPids(), QList<qint64>{pid});
        rig.monitor.tick();
        QVERIFY(rig.runner.started.isEmpty());

        QElapsedTimer clock;
        clock.start();
        children.end(pid);
        listed.clear();
        QTRY_COMPARE_WITH_TIMEOUT(rig.runner.started.size(), 1, 3000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        const CompletionChoice choice = rig.runner.started.first();
        QCOMPARE(choice.reason, FinishReason::Programs);
        QCOMPARE(choice.ended.size(), 1);
        QCOMPARE(choice.ended.first().pid, pid);
        QCOMPARE(choice.ended.first().name, QStringLiteral("fakewget"));
        QVERIFY(!rig.monitor.programs().armed());
    }

    // With an empty list monitoring starts only when something else can end
    // it: programs to wait for, a process that still runs.
    void startNeedsSomethingToEndIt_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("given"); // "", a running process, an ended one
        QTest::addColumn<bool>("starts");
        QTest::newRow("nothing") << ""
                                 << "" << false;
        QTest::newRow("programs chosen") << "wget curl"
                                         << "" << true;
        QTest::newRow("a running process") << ""
                                           << "running" << true;
        QTest::newRow("an ended process") << ""
                                          << "ended" << false;
        QTest::newRow("an ended process, programs chosen") << "wget"
                                                           << "ended" << true;
    }
    void startNeedsSomethingToEndIt()
    {
        QFETCH(QString, options);
        QFETCH(QString, given);
        QFETCH(bool, starts);
        Rig rig;
        rig.set({{"WaitPrograms", options}});
        rig.monitor.programs().setLister([] { return QList<RunningProgram>(); });
        test::Children children;
        const qint64 pid = children.start();
        if (given == u"ended")
            children.end(pid);
        const auto problem =
            given.isEmpty() ? rig.monitor.start() : rig.monitor.waitFor({QStringLiteral("sleep"), pid});
        QCOMPARE(problem.has_value(), !starts);
        if (!starts)
            QCOMPARE(*problem, Monitor::Problem::NoFiles);
        QCOMPARE(rig.monitor.running(), starts);
        QCOMPARE(rig.monitor.conditions().programsArmed(), starts);
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "test_monitor.moc"
