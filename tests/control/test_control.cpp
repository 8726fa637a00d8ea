#include "base/logfile.h"
#include "control/commandline.h"
#include "control/control.h"
#include "engine/monitorstatus.h"
#include "engine/programwatch.h"
#include "lang/language.h"
#include "lang/messages.h"
#include "settings/inifile.h"
#include "settings/watchliststore.h"
#include "support/children.h"
#include "support/testsupport.h"
#include "support/trayrig.h"

#include <QAbstractButton>
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

// The built-in texts, unless `texts` gives others.
Run runWith(const QStringList &arguments, const Reply &answer, const QHash<QString, QString> &texts = {},
            const QString &logFile = {})
{
    Run run;
    FILE *out = std::tmpfile();
    FILE *err = std::tmpfile();
    CommandLineEnds ends;
    ends.call = [&](const QString &method, const QString &) {
        run.method = method;
        return answer;
    };
    ends.uninstall = [&run] { run.method = QStringLiteral("uninstall"); };
    ends.text = [&texts](Msg id) {
        return texts.isEmpty() ? builtInMessage(messageKey(id)) : texts.value(messageKey(id));
    };
    ends.logFile = logFile;
    ends.out = out;
    ends.err = err;
    run.status = runCommandLine(parseCommand(arguments), ends);
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
        QTest::newRow("Qt's option with its value") << QStringList{"-session", "1a2b"} << done << "" << -1;
        QTest::newRow("Qt's option=value") << QStringList{"-style=fusion"} << done << "" << -1;
        QTest::newRow("Qt's option before --monitor")
            << QStringList{"-platform", "xcb", "--monitor"} << absent << "Monitor" << -1;
        QTest::newRow("single dash") << QStringList{"-v"} << done << "" << 2;
        QTest::newRow("a command with one dash") << QStringList{"-status"} << done << "" << 2;
        QTest::newRow("a word on a plain start") << QStringList{"status"} << done << "" << 2;
        QTest::newRow("uninstall") << QStringList{"\\uninstallme"} << absent << "uninstall" << 0;
        QTest::newRow("uninstall with more") << QStringList{"\\uninstallme", "extra"} << done << "" << 2;
        QTest::newRow("uninstall with Qt's option") << QStringList{"-reverse", "\\uninstallme"} << done << "" << 2;
        QTest::newRow("-h") << QStringList{"-h"} << absent << "" << 0;
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
        const QString own = QString::number(QCoreApplication::applicationPid());
        QTest::newRow("wait for a process") << QStringList{"--wait-pid", own} << done << "WaitPid" << 0;
        QTest::newRow("wait-pid=") << QStringList{"--wait-pid=" + own} << refused << "WaitPid" << 1;
        QTest::newRow("wait-pid starts the program") << QStringList{"--wait-pid", own} << absent << "WaitPid" << -1;
        QTest::newRow("wait-pid without a number") << QStringList{"--wait-pid"} << done << "" << 2;
        QTest::newRow("wait-pid, not a number") << QStringList{"--wait-pid", "wget"} << done << "" << 2;
        QTest::newRow("wait-pid 0") << QStringList{"--wait-pid", "0"} << done << "" << 2;
        QTest::newRow("wait-pid, a sign") << QStringList{"--wait-pid", "+7"} << done << "" << 2;
        QTest::newRow("wait for a program") << QStringList{"--wait-program", "wget"} << done << "WaitProgram" << 0;
        QTest::newRow("wait-program starts the program")
            << QStringList{"--wait-program=yt-dlp"} << absent << "WaitProgram" << -1;
        QTest::newRow("wait-program without a name") << QStringList{"--wait-program"} << done << "" << 2;
        QTest::newRow("wait-program, an empty name") << QStringList{"--wait-program="} << done << "" << 2;
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
        // A done command's note goes to standard output.
        QCOMPARE(run.out.contains(QLatin1String("REASON")), outcome == int(Reply::Outcome::Done) && status == 0 &&
                                                                !run.method.isEmpty() &&
                                                                run.method != QLatin1String("uninstall"));
        // A usage error is one line that points to --help.
        if (status == 2) {
            QCOMPARE(run.err.count(u'\n'), 1);
            QVERIFY(run.err.contains(QLatin1String("--help")));
        }
    }

    // The usage errors and --help speak the language the settings file
    // names, else the system's: the texts come from that language file.
    void commandLineSpeaksTheInterfaceLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("key");
        QTest::newRow("English usage error") << "English.ini" << QStringList{"-v"} << "usageunknownoption";
        QTest::newRow("Polish usage error") << "Polish.ini" << QStringList{"-v"} << "usageunknownoption";
        QTest::newRow("English stray argument") << "English.ini" << QStringList{"--stop", "x"} << "usagestray";
        QTest::newRow("Polish help") << "Polish.ini" << QStringList{"--help"} << "helpmonitor";
        QTest::newRow("English help") << "English.ini" << QStringList{"-h"} << "helpexit";
        QTest::newRow("English not running") << "English.ini" << QStringList{"--stop"} << "notrunning";
    }
    void commandLineSpeaksTheInterfaceLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, arguments);
        QFETCH(QString, key);
        const test::ProgramFolder folder(test::ProgramFolder::Languages::Shipped);
        folder.write(QStringLiteral("Settings.ini"), "[options]\r\nlanguage=" + language.toUtf8() + "\r\n");
        const Run run = runWith(arguments, {Reply::Outcome::NotRunning, {}, {}}, interfaceMessages(folder.path()));
        QString expected =
            ini::readSection(folder.file(QStringLiteral("Languages/") + language), QStringLiteral("Messages"))
                .value(key);
        QVERIFY(!expected.isEmpty());
        if (expected.contains(QLatin1String("%1")))
            expected = expected.arg(arguments.last());
        QVERIFY2((run.out + run.err).contains(expected), qPrintable(run.out + run.err));
    }

    // --log prints the log's recent lines, the newest last; without a log it
    // says where the log would be and exits 1.
    void logPrintsTheRecentLines_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("printed");
        QTest::newRow("no log") << 0 << 1 << 0;
        QTest::newRow("a few lines") << 3 << 0 << 3;
        QTest::newRow("more than it prints") << kLogLines + 20 << 0 << kLogLines;
    }
    void logPrintsTheRecentLines()
    {
        QFETCH(int, written);
        QFETCH(int, status);
        QFETCH(int, printed);
        QTemporaryDir dir;
        LogFile log(dir.filePath(QStringLiteral("quendral.log")));
        for (int n = 0; n < written; ++n)
            log.append(QStringLiteral("entry %1").arg(n));
        const Run run = runWith({QStringLiteral("--log")}, {}, {}, log.path());
        QCOMPARE(run.status, status);
        QCOMPARE(run.out.count(u'\n'), printed);
        if (written > 0)
            QVERIFY(run.out.endsWith(QStringLiteral("entry %1\n").arg(written - 1)));
        else
            QVERIFY(run.err.contains(QDir::toNativeSeparators(log.path())));
    }

    // A process that is not there, or is another user's, is refused before
    // the running copy is asked or a copy starts: exit 1, the reason on
    // standard error with its number.
    void waitPidIsRefusedWithItsReason_data()
    {
        QTest::addColumn<QString>("process");
        QTest::addColumn<int>("reason");
        QTest::newRow("not there") << "ended" << int(Msg::PidMissing);
        QTest::newRow("another user's") << "other" << int(Msg::PidOther);
    }
    void waitPidIsRefusedWithItsReason()
    {
        QFETCH(QString, process);
        QFETCH(int, reason);
        test::Children children;
        // As root, a child of its own that takes another user.
        qint64 pid = 1;
        if (process == u"ended" || ::getuid() == 0)
            pid = children.start(process == u"other" ? 65534 : -1);
        if (process == u"ended")
            children.end(pid);
        else
            QTRY_COMPARE(programwatch::owner(pid), PidOwner::Other);
        for (const Reply::Outcome answer : {Reply::Outcome::Done, Reply::Outcome::NotRunning}) {
            const Run run = runWith({"--wait-pid", QString::number(pid)}, {answer, {}, {}});
            QCOMPARE(run.status, 1);
            QVERIFY(run.method.isEmpty());
            QCOMPARE(run.err, builtInMessage(messageKey(Msg(reason))).arg(pid) + u'\n');
        }
    }

    // What --status says of the programs waited for: their names, how many
    // run, and their numbers, in text and in JSON.
    void statusNamesTheProgramsWaitedFor_data()
    {
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QStringList>("pids");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("json");
        QTest::newRow("none") << QStringList{} << QStringList{} << ""
                              << "null";
        QTest::newRow("two running") << QStringList{"wget"} << QStringList{"41", "42"}
                                     << "waiting for wget (2 running): pids 41 42"
                                     << R"({"names":["wget"],"pids":[41,42],"running":2})";
        QTest::newRow("two names, none running")
            << QStringList{"wget", "curl"} << QStringList{} << "waiting for wget, curl (0 running)"
            << R"({"names":["wget","curl"],"pids":[],"running":0})";
    }
    void statusNamesTheProgramsWaitedFor()
    {
        QFETCH(QStringList, programs);
        QFETCH(QStringList, pids);
        QFETCH(QString, line);
        QFETCH(QString, json);
        const QVariantMap status{{"state", "running"}, {"programs", programs}, {"pids", pids}};
        const QStringList lines = statusText(status).split(u'\n');
        QCOMPARE(lines.filter(QStringLiteral("waiting for")), line.isEmpty() ? QStringList() : QStringList{line});
        const QJsonValue programsValue = QJsonDocument::fromJson(statusJson(status)).object().value("programs");
        const QByteArray told = programsValue.isNull()
                                    ? QByteArray("null")
                                    : QJsonDocument(programsValue.toObject()).toJson(QJsonDocument::Compact);
        QCOMPARE(QString::fromUtf8(told), json);
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
    // read up to its first gap written back whole. "/d/" stands for a folder
    // that exists.
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
        const QString folder = rig.folder.file(QStringLiteral("d/"));
        QVERIFY(QDir().mkpath(folder));
        for (QStringList *list : {&stored, &expected})
            list->replaceInStrings(QStringLiteral("/d/"), folder);
        path.replace(QStringLiteral("/d/"), folder);
        rig.setWatchList(stored);
        rig.load();
        Control control(rig.state, *rig.monitor, rig.completion);
        const Reply reply = control.add(path);
        QCOMPARE(reply.outcome == Reply::Outcome::Refused, !expected.contains(path));
        QCOMPARE(watchlist::read(rig.state.store.settingsFile()), expected);
    }

    // Add refuses, each for its own reason, what the list could not keep as
    // given, and then leaves the stored list alone; what it takes reads back
    // exactly. "~/" stands for a folder that exists, holding a folder "sub".
    void addRefusesWithItsReason_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("reason");
        const int taken = -1;
        QTest::newRow("empty") << "" << int(Msg::EntryEmpty);
        QTest::newRow("relative") << "a.zip" << int(Msg::EntryRelative);
        QTest::newRow("relative in a folder") << "sub/a.zip" << int(Msg::EntryRelative);
        QTest::newRow("blank first") << " ~/a.zip" << int(Msg::EntryBlankLed);
        QTest::newRow("tab first") << "\t~/a.zip" << int(Msg::EntryBlankLed);
        QTest::newRow("double quotes") << "\"~/a.zip\"" << int(Msg::EntryQuoted);
        QTest::newRow("single quotes") << "'~/a.zip'" << int(Msg::EntryQuoted);
        QTest::newRow("one quotation mark") << "~/a \"b\".zip" << taken;
        QTest::newRow("line feed") << "~/a\nb.zip" << int(Msg::EntryLineBreak);
        QTest::newRow("carriage return") << "~/a.zip\r" << int(Msg::EntryLineBreak);
        QTest::newRow("trailing blank") << "~/a.zip " << int(Msg::CannotStore);
        QTest::newRow("too long") << "~/" + QString(260, u'a') << int(Msg::CannotStore);
        QTest::newRow("folder") << "~/sub" << int(Msg::EntryFolder);
        QTest::newRow("folder with its separator") << "~/sub/" << int(Msg::EntryFolder);
        QTest::newRow("missing folder") << "~/none/a.zip" << int(Msg::EntryNoFolder);
        QTest::newRow("on the list") << "~/old.zip" << int(Msg::EntryDuplicate);
        QTest::newRow("on the list, spelt otherwise") << "~/sub/../old.zip" << int(Msg::EntryDuplicate);
        QTest::newRow("other letter case") << "~/OLD.zip" << taken;
        QTest::newRow("wildcard") << "~/*.zip" << taken;
        QTest::newRow("not ASCII") << "~/zażółć gęślą.zip" << taken;
    }
    void addRefusesWithItsReason()
    {
        QFETCH(QString, path);
        QFETCH(int, reason);
        test::TrayRig rig;
        const QString folder = rig.folder.file(QStringLiteral("home/"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("sub")));
        path.replace(QStringLiteral("~/"), folder);
        const QStringList stored{folder + QStringLiteral("old.zip")};
        rig.setWatchList(stored);
        rig.load();
        Control control(rig.state, *rig.monitor, rig.completion);
        const Reply reply = control.add(path);
        const QStringList now = watchlist::read(rig.state.store.settingsFile());
        if (reason < 0) {
            QCOMPARE(reply.outcome, Reply::Outcome::Done);
            QVERIFY2(now.contains(path), qPrintable(now.join(u'|')));
            QCOMPARE(now.size(), 2);
        } else {
            QCOMPARE(reply.outcome, Reply::Outcome::Refused);
            QCOMPARE(reply.text, rig.state.message(Msg(reason)));
            QCOMPARE(now, stored);
        }
    }

    // Cancel is done only when it declined a countdown; Stop and Monitor say
    // so when there was nothing for them to do.
    void answersTellWhatHappened_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("text");
        const int done = int(Reply::Outcome::Done);
        const int refused = int(Reply::Outcome::Refused);
        const int none = -1;
        QTest::newRow("cancel a countdown") << "Cancel"
                                            << "countdown" << done << none;
        QTest::newRow("cancel when stopped") << "Cancel"
                                             << "stopped" << refused << int(Msg::NothingToDecline);
        QTest::newRow("cancel while monitoring") << "Cancel"
                                                 << "running" << refused << int(Msg::NothingToDecline);
        QTest::newRow("cancel after the request") << "Cancel"
                                                  << "requested" << refused << int(Msg::TooLate);
        QTest::newRow("cancel, monitoring again") << "Cancel"
                                                  << "again" << refused << int(Msg::NothingToDecline);
        QTest::newRow("stop when stopped") << "Stop"
                                           << "stopped" << done << int(Msg::NotMonitoring);
        QTest::newRow("stop while monitoring") << "Stop"
                                               << "running" << done << none;
        QTest::newRow("monitor while monitoring") << "Monitor"
                                                  << "running" << done << int(Msg::AlreadyMonitoring);
        QTest::newRow("monitor when stopped") << "Monitor"
                                              << "stopped" << done << none;
        QTest::newRow("monitor, power-off not possible") << "Monitor"
                                                         << "cannot" << done << int(Msg::CannotPowerOff);
        QTest::newRow("monitor, power-off asks for a password") << "Monitor"
                                                                << "challenge" << done << int(Msg::PowerOffChallenge);
    }
    void answersTellWhatHappened()
    {
        QFETCH(QString, method);
        QFETCH(QString, before);
        QFETCH(int, outcome);
        QFETCH(int, text);
        const test::MessageBoxes boxes;
        test::TrayRig rig;
        rig.setOptions({{"autodisconnect", "0"}, {"autocomp_off", "1"}});
        rig.setWatchList({rig.present(QStringLiteral("a.zip"))});
        rig.load();
        Control control(rig.state, *rig.monitor, rig.completion);
        // The power action's warning comes with the answer, as on the terminal.
        rig.power.ability = before == QLatin1String("cannot")      ? PowerControl::Ability::No
                            : before == QLatin1String("challenge") ? PowerControl::Ability::Challenge
                                                                   : PowerControl::Ability::Yes;
        if (before != QLatin1String("stopped") && rig.power.ability == PowerControl::Ability::Yes)
            QVERIFY(!rig.monitor->start());
        if (before == QLatin1String("countdown") || before == QLatin1String("requested") ||
            before == QLatin1String("again")) {
            rig.monitor->tick();
            QVERIFY(rig.monitor->countdownRunning());
        }
        if (before == QLatin1String("requested") || before == QLatin1String("again")) {
            QWidget *shut = rig.actionWindows.powerAction();
            QVERIFY(shut);
            shut->findChild<QAbstractButton *>(QStringLiteral("cmdshut"))->click();
            QTRY_VERIFY(!rig.completion.running());
            QCOMPARE(rig.power.powerOffs, 1);
        }
        if (before == QLatin1String("again")) {
            rig.setWatchList({rig.absent(QStringLiteral("b.zip"))});
            QVERIFY(!rig.monitor->start());
        }
        Reply reply;
        QVERIFY(control.run(method, {}, [&](const Reply &answer) { reply = answer; }));
        QCOMPARE(int(reply.outcome), outcome);
        QCOMPARE(reply.text, text < 0 ? QString() : rig.state.message(Msg(text)));
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

    // The bus hears of a tick only when it changed what a status shows;
    // the time to the next check alone is no news.
    void ticksAreToldWhenTheyChangeTheStatus_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("told");
        QTest::newRow("nothing new") << "" << 3 << 0;
        QTest::newRow("a file arrives") << "arrive" << 1 << 1;
        QTest::newRow("a file arrives, two ticks") << "arrive" << 2 << 1;
        QTest::newRow("the options arm a power-off") << "power" << 2 << 1;
        QTest::newRow("an entry added") << "add" << 2 << 1;
    }
    void ticksAreToldWhenTheyChangeTheStatus()
    {
        QFETCH(QString, change);
        QFETCH(int, ticks);
        QFETCH(int, told);
        test::TrayRig rig;
        rig.setOptions({});
        rig.setWatchList({rig.absent(QStringLiteral("a.zip")), rig.absent(QStringLiteral("b.zip"))});
        rig.load();
        Control control(rig.state, *rig.monitor, rig.completion);
        QVERIFY(!rig.monitor->start());
        QSignalSpy spy(&control, &Control::stateChanged);
        if (change == QLatin1String("arrive"))
            rig.present(QStringLiteral("a.zip"));
        else if (change == QLatin1String("power"))
            rig.setOptions({{"autocomp_off", "1"}});
        else if (change == QLatin1String("add")) {
            QVERIFY(QDir().mkpath(rig.folder.file(QStringLiteral("downloads"))));
            QCOMPARE(int(control.add(rig.absent(QStringLiteral("c.zip"))).outcome), int(Reply::Outcome::Done));
        }
        for (int n = 0; n < ticks; ++n)
            rig.monitor->tick();
        QVERIFY(rig.monitor->ticking());
        QCOMPARE(spy.count(), told);
        for (const QList<QVariant> &signal : std::as_const(spy))
            QCOMPARE(signal.value(0).toString(), MonitorStatus::stateName(Monitor::State::Running));
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
        QTest::newRow("there but empty") << "a.zip:empty"
                                         << "a.zip" << false << false << "empty";
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
        // NAME:empty is a file of no bytes.
        for (const QString &name : files.split(u' ', Qt::SkipEmptyParts)) {
            if (name.endsWith(QLatin1String(":empty")))
                rig.folder.write(QStringLiteral("downloads/") + name.chopped(6), {});
            else
                rig.present(name);
        }
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
