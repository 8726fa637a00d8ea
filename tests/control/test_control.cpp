#include "control/commandline.h"
#include "control/control.h"
#include "core/monitorstatus.h"
#include "settings/watchliststore.h"
#include "support/trayrig.h"

#include <QtTest>

using namespace quendral;

namespace {

// What a command line does with a running copy's answer: the method asked,
// the exit status, and what went to standard output and error.
struct Run
{
    QString method;
    int status = 0;
    QString out;
    QString err;
};

Run runWith(const QStringList &arguments, const Reply &answer)
{
    Run run;
    FILE *out = std::tmpfile();
    FILE *err = std::tmpfile();
    run.status = runCommandLine(
        parseCommand(arguments),
        [&](const QString &method, const QString &) {
            run.method = method;
            return answer;
        },
        out, err);
    const auto text = [](FILE *file) {
        std::rewind(file);
        QByteArray bytes(4096, '\0');
        bytes.resize(qsizetype(std::fread(bytes.data(), 1, std::size_t(bytes.size()), file)));
        std::fclose(file);
        return QString::fromLocal8Bit(bytes);
    };
    run.out = text(out);
    run.err = text(err);
    return run;
}

} // namespace

class TestControl : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("status");
        const int done = int(Reply::Outcome::Done);
        const int refused = int(Reply::Outcome::Refused);
        const int absent = int(Reply::Outcome::NotRunning);
        QTest::newRow("plain start") << QStringList{} << done << "" << -1;
        QTest::newRow("stray argument on a plain start") << QStringList{"-platform"} << done << "" << -1;
        QTest::newRow("help") << QStringList{"--help"} << absent << "" << 0;
        QTest::newRow("version") << QStringList{"--version"} << absent << "" << 0;
        QTest::newRow("monitor") << QStringList{"--monitor"} << done << "Monitor" << 0;
        QTest::newRow("monitor refused") << QStringList{"--monitor"} << refused << "Monitor" << 1;
        QTest::newRow("monitor starts the program") << QStringList{"--monitor"} << absent << "Monitor" << -1;
        QTest::newRow("stop, not running") << QStringList{"--stop"} << absent << "Stop" << 3;
        QTest::newRow("check now") << QStringList{"--check-now"} << done << "CheckNow" << 0;
        QTest::newRow("cancel") << QStringList{"--cancel"} << done << "Cancel" << 0;
        QTest::newRow("status json") << QStringList{"--json", "--status"} << done << "Status" << 0;
        QTest::newRow("add") << QStringList{"--add", "a.zip"} << done << "Add" << 0;
        QTest::newRow("add=") << QStringList{"--add=a.zip"} << refused << "Add" << 1;
        QTest::newRow("add without a path") << QStringList{"--add"} << done << "" << 2;
        QTest::newRow("two commands") << QStringList{"--stop", "--monitor"} << done << "" << 2;
        QTest::newRow("json alone") << QStringList{"--json"} << done << "" << 2;
        QTest::newRow("unknown option") << QStringList{"--monitr"} << done << "" << 2;
        QTest::newRow("stray argument") << QStringList{"--stop", "now"} << done << "" << 2;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, outcome);
        QFETCH(QString, method);
        QFETCH(int, status);
        const Run run = runWith(arguments, {Reply::Outcome(outcome), QStringLiteral("REASON"), {}});
        QCOMPARE(run.method, method);
        QCOMPARE(run.status, status);
        // Every refusal and usage error says why, and only on standard error.
        QCOMPARE(run.err.isEmpty(), status <= 0);
        QCOMPARE(run.err.contains(QLatin1String("REASON")), status == 1);
    }

    void statusJsonHasEveryEntryWithItsState()
    {
        const QVariantMap status{{"monitoring", true},
                                 {"state", "running"},
                                 {"files", QStringList{"/d/a", "/d/b"}},
                                 {"states", QStringList{"there", "writing"}},
                                 {"nextCheck", 7},
                                 {"countdown", -1}};
        const QJsonObject object = QJsonDocument::fromJson(statusJson(status)).object();
        QCOMPARE(object.value("entries").toArray().at(1).toObject().value("state").toString(), QString("writing"));
        QCOMPARE(object.value("nextCheck").toInt(), 7);
        QVERIFY(object.value("countdown").isNull());
    }

    // As the watch-list window: at most 100 entries, in its order, and a list
    // read up to its first gap written back whole.
    void addFollowsTheWindowsRules_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("expected");
        QStringList full;
        for (int n = 0; n < watchlist::kMaxEntries; ++n)
            full.append(QStringLiteral("/d/%1").arg(n, 3, 10, QLatin1Char('0')));
        QTest::newRow("sorted in") << QStringList{"/d/A", "/d/c"} << "/d/b" << QStringList{"/d/A", "/d/b", "/d/c"};
        QTest::newRow("99 take one more") << full.mid(1) << "/d/000" << full;
        QTest::newRow("100 are full") << full << "/d/x" << full;
        QTest::newRow("after a gap") << QStringList{"/d/a", "", "/d/c"} << "/d/b" << QStringList{"/d/a", "/d/b"};
        QTest::newRow("trailing blank") << QStringList{"/d/a"} << "/d/b " << QStringList{"/d/a"};
    }
    void addFollowsTheWindowsRules()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, path);
        QFETCH(QStringList, expected);
        test::TrayRig rig;
        rig.setWatchList(stored);
        rig.load();
        Control control(rig.state, *rig.monitor, rig.completion);
        const Reply reply = control.add(path);
        QCOMPARE(reply.outcome == Reply::Outcome::Refused, !expected.contains(path));
        QCOMPARE(watchlist::read(rig.state.store.settingsFile()), expected);
    }

    // A cancel declines the countdown on screen and the one that follows it.
    void cancelDeclinesEveryCountdown()
    {
        test::TrayRig rig;
        rig.setOptions({{"autodisconnect", "1"}, {"autocomp_off", "1"}});
        rig.setWatchList({rig.present(QStringLiteral("a.zip"))});
        rig.load();
        Control control(rig.state, *rig.monitor, rig.completion);
        QVERIFY(!rig.monitor->start());
        rig.monitor->tick();
        QVERIFY(rig.monitor->countdownRunning());
        control.run(QStringLiteral("Cancel"), {}, [](const Reply &) {});
        QTRY_VERIFY(!rig.completion.running());
        QCOMPARE(rig.completionWindows(), QStringList({"frmdis", "frmshut"}));
        QCOMPARE(rig.dialup.hangUps + rig.power.powerOffs, 0);
        QVERIFY(!rig.monitor->running());
    }

    // Status names each entry's state from the presence look.
    void statusGivesEachEntryItsState_data()
    {
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("writer");
        QTest::addColumn<bool>("blocks");
        QTest::addColumn<QString>("state");
        QTest::newRow("there") << "a.zip"
                               << "a.zip" << false << false << "there";
        QTest::newRow("a pattern there") << "a.zip"
                                         << "*.zip" << false << false << "there";
        QTest::newRow("beside its marker") << "a.zip a.zip.part"
                                           << "a.zip" << false << false << "partial";
        QTest::newRow("marker alone") << "a.zip.crdownload"
                                      << "a.zip" << false << false << "partial";
        QTest::newRow("open for writing") << "a.zip"
                                          << "a.zip" << true << false << "writing";
        QTest::newRow("not there") << ""
                                   << "a.zip" << false << false << "missing";
        QTest::newRow("folder may block") << "a.zip"
                                          << "a.zip" << false << true << "unknown";
    }
    void statusGivesEachEntryItsState()
    {
        QFETCH(QString, files);
        QFETCH(QString, entry);
        QFETCH(bool, writer);
        QFETCH(bool, blocks);
        QFETCH(QString, state);
        test::TrayRig rig;
        for (const QString &name : files.split(u' ', Qt::SkipEmptyParts))
            rig.present(name);
        QFile held(rig.absent("a.zip"));
        if (writer)
            QVERIFY(held.open(QIODevice::Append));
        rig.setWatchList({rig.absent(entry)});
        rig.load();
        const MonitorStatus status = MonitorStatus::take(rig.state, *rig.monitor, MonitorStatus::Look::Close,
                                                         [blocks](const QString &) { return blocks; });
        QCOMPARE(status.toMap().value("states").toStringList(), QStringList{state});
    }
};

QTEST_MAIN(TestControl)
#include "test_control.moc"
