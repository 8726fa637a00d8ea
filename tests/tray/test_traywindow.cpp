#include "actions/countdownwindow.h"
#include "engine/monitor.h"
#include "engine/monitoring.h"
#include "engine/programwatch.h"
#include "kit/menudecorator.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "support/children.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"
#include "support/testsupport.h"
#include "support/trayrig.h"
#include "tray/trayicon.h"
#include "tray/traywindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(quendral::PowerControl::Ability)

using namespace quendral;
using Request = WindowFactory::Request;

namespace {

// One tray window over the real monitor, with fakes around it and a program
// folder of its own.
struct Fixture : test::TrayRig
{
    int languagePasses = 0;
    // Stands in for the language pass, which reaches the window, still in its
    // load, through the application's windows.
    std::function<void(QWidget &)> languagePass;
    std::function<void()> onEnd;

    Fixture()
    {
        state.messages = {{QStringLiteral("nofiles"), QStringLiteral("NOFILES")},
                          {QStringLiteral("noconnection"), QStringLiteral("NOCONNECTION")},
                          {QStringLiteral("endprogram"), QStringLiteral("ENDPROGRAM")},
                          {QStringLiteral("inhibitreason"), QStringLiteral("INHIBITREASON")},
                          {QStringLiteral("cannotpoweroff"), QStringLiteral("CANNOTPOWEROFF")},
                          {QStringLiteral("poweroffchallenge"), QStringLiteral("POWEROFFCHALLENGE")},
                          {QStringLiteral("cannotsuspend"), QStringLiteral("CANNOTSUSPEND")},
                          {QStringLiteral("hibernatechallenge"), QStringLiteral("HIBERNATECHALLENGE")}};
        setOptions({});
        loadLanguage = [this] {
            ++languagePasses;
            for (QWidget *loaded : QApplication::topLevelWidgets()) {
                if (languagePass && loaded->objectName() == QLatin1String("frmnotunload"))
                    languagePass(*loaded);
            }
        };
    }

    TrayWindow &load()
    {
        TrayRig::load();
        QObject::connect(window.get(), &TrayWindow::exitConfirmed, window.get(), [this] {
            if (onEnd)
                onEnd();
        });
        return *window;
    }

    template <typename T> T *control(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QAction *cmdmonit() const { return control<QAction>(QStringLiteral("cmdmonit")); }
    QTimer *tloop() const { return monitor->findChild<QTimer *>(QStringLiteral("tloop")); }
    TrayIcon *tray() const { return control<TrayIcon>(QStringLiteral("Tray")); }
    QString label(const QString &name) const { return control<QLabel>(name)->text(); }

    bool showsRunning() const
    {
        return cmdmonit()->text() == label(QStringLiteral("lblstop")) && tray()->look() == TrayIcon::Look::Running &&
               tray()->toolTip() == label(QStringLiteral("lbltooltipactive")) &&
               samePicture(cmdmonit()->icon(), QStringLiteral("pctstop"));
    }
    // The tick is off and the entry offers to start it; the icon and the
    // tooltip say what runs: the countdown.
    bool showsCountdown() const
    {
        return cmdmonit()->text() == label(QStringLiteral("lblstart")) && tray()->look() == TrayIcon::Look::Running &&
               tray()->toolTip().startsWith(label(QStringLiteral("lbltooltipactive"))) &&
               samePicture(cmdmonit()->icon(), QStringLiteral("pctplay")) &&
               monitor->state() == Monitor::State::CountingDown;
    }
    bool showsStopped() const
    {
        return cmdmonit()->text() == label(QStringLiteral("lblstart")) && tray()->look() == TrayIcon::Look::Stopped &&
               tray()->toolTip() == label(QStringLiteral("lbltooltipnotactive")) &&
               samePicture(cmdmonit()->icon(), QStringLiteral("pctplay"));
    }
    // Presses the countdown's decline button, the second of its two.
    static void decline(CountdownWindow &countdown) { countdown.findChildren<QAbstractButton *>().at(1)->click(); }
    bool samePicture(const QIcon &icon, const QString &box) const
    {
        const QPixmap held = control<QLabel>(box)->pixmap();
        return !held.isNull() && icon.pixmap(held.size()).toImage() == held.toImage();
    }

    // Started through the menu entry with one present file.
    void startRunning(const QStringList &paths)
    {
        setWatchList(paths);
        load();
        window->startOrStopMonitoring();
        if (!tloop()->isActive())
            qFatal("monitoring did not start");
    }
};

} // namespace

class TestFrmnotunload : public QObject
{
    Q_OBJECT

private slots:
    // --- controls and load ---
    void controlsHaveTheirNamesAndTexts()
    {
        Fixture f;
        TrayWindow &w = f.load();
        QCOMPARE(w.objectName(), QStringLiteral("frmnotunload"));
        QVERIFY(!w.isVisible());
        QCOMPARE(f.label(QStringLiteral("lblstart")), QStringLiteral("Monitoruj"));
        QCOMPARE(f.label(QStringLiteral("lblstop")), QStringLiteral("Zatrzymaj"));
        QCOMPARE(f.label(QStringLiteral("lbltooltipactive")), QStringLiteral("Quendral jest aktywny"));
        QCOMPARE(f.label(QStringLiteral("lbltooltipnotactive")), QStringLiteral("Quendral nie jest aktywny"));
        QCOMPARE(f.label(QStringLiteral("lblIE")), QStringLiteral("Kontroluj pobierane pliki!"));
        for (const char *hidden :
             {"lblstart", "lblstop", "lbltooltipactive", "lbltooltipnotactive", "lblIE", "pctplay", "pctstop"})
            QVERIFY(f.control<QLabel>(QString::fromLatin1(hidden))->isHidden());
        QVERIFY(!f.control<QLabel>(QStringLiteral("pctplay"))->pixmap().isNull());
        QVERIFY(!f.control<QLabel>(QStringLiteral("pctstop"))->pixmap().isNull());
        QVERIFY(f.window->findChild<MenuDecorator *>(QStringLiteral("hm1")));
        QCOMPARE(f.tloop()->interval(), 30000);
        QVERIFY(!f.tloop()->isActive());
    }

    void menuHasSixEntriesInOrder()
    {
        Fixture f;
        f.load();
        auto *menu = f.control<QMenu>(QStringLiteral("mnutray"));
        QCOMPARE(menu->title(), QStringLiteral("Tray"));
        QStringList names;
        QStringList captions;
        for (const QAction *entry : menu->actions()) {
            names.append(entry->objectName());
            captions.append(entry->text());
            QVERIFY(!entry->icon().pixmap(16, 16).isNull());
        }
        QCOMPARE(names, QStringList({"cmdmonit", "cmdaddfile", "cmdoptions", "cmdhelp", "cmdabout", "cmdexit"}));
        QCOMPARE(captions,
                 QStringList({"Monitoruj", "Dodaj plik", "&Pokaż opcje", "Pomo&c", "&O programie...", "&Zamknij"}));
    }

    void loadRunsTheLanguagePassBeforeCopyingTexts()
    {
        Fixture f;
        f.languagePass = [](QWidget &w) {
            w.findChild<QLabel *>(QStringLiteral("lblstart"))->setText(QStringLiteral("Monitor"));
            w.findChild<QLabel *>(QStringLiteral("lbltooltipnotactive"))->setText(QStringLiteral("Idle"));
        };
        f.load();
        QCOMPARE(f.languagePasses, 1);
        QCOMPARE(f.cmdmonit()->text(), QStringLiteral("Monitor"));
        QCOMPARE(f.tray()->toolTip(), QStringLiteral("Idle"));
        // The icon is in the tray with the stopped look: nothing runs yet.
        QVERIFY(f.tray()->isVisible());
        QCOMPARE(f.tray()->look(), TrayIcon::Look::Stopped);
        QVERIFY(f.samePicture(f.cmdmonit()->icon(), QStringLiteral("pctplay")));
    }

    // --- starting and stopping ---
    void startRefusedWithEmptyFirstEntry()
    {
        Fixture f;
        f.folder.write(QStringLiteral("Settings.ini"), "[Files]\nfile0=\nfile1=/d/a.zip\n");
        f.load();
        test::MessageBoxes boxes;
        f.window->startOrStopMonitoring();
        QCOMPARE(boxes.texts(), QStringList{"NOFILES"});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Warning);
        QVERIFY(!f.tloop()->isActive());
        QCOMPARE(f.cmdmonit()->text(), QStringLiteral("Monitoruj"));
        QCOMPARE(f.dialup.probes, 0);
    }

    void startRefusedWithoutConnection()
    {
        Fixture f;
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.load();
        f.dialup.connected = false;
        test::MessageBoxes boxes;
        f.window->startOrStopMonitoring();
        QCOMPARE(boxes.texts(), QStringList{"NOCONNECTION"});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Warning);
        QVERIFY(!f.tloop()->isActive());
        QCOMPARE(f.cmdmonit()->text(), QStringLiteral("Monitoruj"));
        QCOMPARE(f.tray()->toolTip(), QStringLiteral("Quendral nie jest aktywny"));
    }

    void startThenStopThroughTheMenuEntry()
    {
        Fixture f;
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.load();
        test::MessageBoxes boxes;
        f.cmdmonit()->trigger();
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(f.tloop()->isActive());
        QVERIFY(f.showsRunning());
        // Nothing is tested at the start: the first test comes one interval later.
        QVERIFY(f.completionWindows().isEmpty());

        f.cmdmonit()->trigger();
        QVERIFY(!f.tloop()->isActive());
        QVERIFY(f.showsStopped());
        QVERIFY(boxes.shown().isEmpty());
    }

    // The monitor's state decides what the entry does, whatever its caption
    // says: equal start and stop texts, or a caption changed elsewhere.
    void theEntryFollowsTheMonitorNotItsCaption()
    {
        Fixture f;
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.languagePass = [](QWidget &w) {
            w.findChild<QLabel *>(QStringLiteral("lblstart"))->setText(QStringLiteral("X"));
            w.findChild<QLabel *>(QStringLiteral("lblstop"))->setText(QStringLiteral("X"));
        };
        f.load();
        f.window->startOrStopMonitoring();
        QVERIFY(f.tloop()->isActive());
        f.cmdmonit()->setText(QStringLiteral("something else"));
        f.window->startOrStopMonitoring();
        QVERIFY(!f.tloop()->isActive());
        QVERIFY(!f.monitor->running());
    }

    void aLanguageAppliedWhileRunningShowsRunningInItsTexts()
    {
        Fixture f;
        f.startRunning({f.absent(QStringLiteral("a.zip"))});
        const int timerId = f.tloop()->timerId();
        f.control<QLabel>(QStringLiteral("lblstop"))->setText(QStringLiteral("Stop"));
        f.control<QLabel>(QStringLiteral("lbltooltipactive"))->setText(QStringLiteral("Active"));
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(f.window.get(), &change);
        QCOMPARE(f.cmdmonit()->text(), QStringLiteral("Stop"));
        QCOMPARE(f.tray()->toolTip(), QStringLiteral("Active"));
        // The interval keeps running from where it was.
        QCOMPARE(f.tloop()->timerId(), timerId);
        f.window->startOrStopMonitoring();
        QVERIFY(f.showsStopped());
    }

    // A tick that changes nothing leaves the menu entry alone: a changed
    // entry is news to a StatusNotifier host, which reads the menu anew.
    void ticksLeaveTheEntryAloneUntilTheStateChanges_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("stop");
        QTest::newRow("one tick") << 1 << false;
        QTest::newRow("three ticks") << 3 << false;
        QTest::newRow("ticks, then stopped") << 2 << true;
    }
    void ticksLeaveTheEntryAloneUntilTheStateChanges()
    {
        QFETCH(int, ticks);
        QFETCH(bool, stop);
        Fixture f;
        f.startRunning({f.absent(QStringLiteral("a.zip"))});
        QSignalSpy changes(f.cmdmonit(), &QAction::changed);
        for (int n = 0; n < ticks; ++n)
            f.monitor->tick();
        QCOMPARE(changes.count(), 0);
        QVERIFY(f.showsRunning());
        if (!stop)
            return;
        f.window->startOrStopMonitoring();
        QVERIFY(changes.count() > 0);
        QVERIFY(f.showsStopped());
    }

    // While monitoring the tooltip counts the files in, at the start and at
    // every tick, and names the next check and the armed actions.
    void toolTipWhileMonitoring_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("powerOff");
        QTest::addColumn<QString>("arrives");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("one of two, power-off armed") << QStringList{"a.zip"} << "1"
                                                     << "" << QStringList{"1/2 FILES", "NEXT t", "THEN POWEROFF"};
        QTest::newRow("a file arrives by the next tick") << QStringList{} << "0"
                                                         << "a.zip" << QStringList{"1/2 FILES", "NEXT t"};
    }
    void toolTipWhileMonitoring()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, powerOff);
        QFETCH(QString, arrives);
        QFETCH(QStringList, lines);
        Fixture f;
        f.state.messages.insert("statusfiles", "%1/%2 FILES");
        f.state.messages.insert("statusnextcheck", "NEXT %1");
        f.state.messages.insert("statusactions", "THEN %1");
        f.state.messages.insert("actionpoweroff", "POWEROFF");
        f.setOptions({{"autocomp_off", powerOff}});
        for (const QString &name : present)
            f.present(name);
        f.startRunning({f.absent("a.zip"), f.absent("b.zip")});
        if (!arrives.isEmpty()) {
            f.present(arrives);
            f.monitor->tick();
        }
        lines.prepend(f.label(QStringLiteral("lbltooltipactive")));
        // The next check as a time of day, which needs no clock to stay true.
        const QRegularExpression time(QStringLiteral("NEXT \\d\\d:\\d\\d:\\d\\d"));
        QCOMPARE(QString(f.tray()->toolTip()).replace(time, QStringLiteral("NEXT t")), lines.join(u'\n'));
    }

    // --- the tick: a problem stops monitoring ---
    // Every display says stopped before the box waits, and the desktop's
    // notifications hear it too; the list is kept when nothing was decided.
    void aTickProblemStopsMonitoringEverywhere_data()
    {
        QTest::addColumn<bool>("dropConnection");
        QTest::addColumn<QString>("text");
        QTest::newRow("list emptied") << false << "NOFILES\n\nSTOPPED";
        QTest::newRow("connection lost") << true << "NOCONNECTION\n\nSTOPPED";
    }
    void aTickProblemStopsMonitoringEverywhere()
    {
        QFETCH(bool, dropConnection);
        QFETCH(QString, text);
        Fixture f;
        f.state.messages.insert("monitoringstopped", "STOPPED");
        f.startRunning({f.absent(QStringLiteral("a.zip"))});
        if (dropConnection)
            f.dialup.connected = false;
        else
            f.setWatchList({});
        bool stoppedWhileAsking = false;
        QList<msgbox::Shown> shown;
        msgbox::setAnswerer([&](const msgbox::Shown &box) {
            stoppedWhileAsking = !f.tloop()->isActive() && f.showsStopped() && !f.monitor->running();
            shown.append(box);
            return msgbox::Answer::Ok;
        });
        f.monitor->tick();
        msgbox::setAnswerer({});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, text);
        QCOMPARE(shown.first().icon, msgbox::Icon::Warning);
        QVERIFY(stoppedWhileAsking);
        QCOMPARE(f.notifier.sent, QStringList{QStringLiteral("Quendral|") + text});
        QVERIFY(f.completionWindows().isEmpty());
        if (dropConnection)
            QCOMPARE(f.state.store.settingsFile().ReadIni(QStringLiteral("Files"), QStringLiteral("file0")),
                     f.absent("a.zip"));
        // The entry starts monitoring again.
        f.dialup.connected = true;
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.window->startOrStopMonitoring();
        QVERIFY(f.showsRunning());
    }

    // A connection missing for a moment (NetworkManager restarting, a wake)
    // is asked for once a second within the grace; a wake ticks soon.
    void aTickWaitsOutAShortGap_data()
    {
        QTest::addColumn<bool>("wake");
        QTest::addColumn<bool>("back");
        QTest::newRow("back within the grace") << false << true;
        QTest::newRow("gone for good") << false << false;
        QTest::newRow("wake, then back") << true << true;
    }
    void aTickWaitsOutAShortGap()
    {
        QFETCH(bool, wake);
        QFETCH(bool, back);
        Fixture f;
        f.connectionGraceMs = 2500;
        f.startRunning({f.absent(QStringLiteral("a.zip"))});
        f.monitor->setInterval(60000);
        test::MessageBoxes boxes;
        f.dialup.connected = false;
        wake ? emit f.inhibitor.woke() : f.monitor->tick();
        const int firstTickMs = wake ? Monitor::kWakeTickMs : 0;
        if (back)
            QTimer::singleShot(firstTickMs + 1500, [&f] { f.dialup.connected = true; });
        QTest::qWait(firstTickMs + f.connectionGraceMs + 1500);
        QCOMPARE(boxes.texts(), back ? QStringList() : QStringList{"NOCONNECTION"});
        QCOMPARE(f.tloop()->isActive(), back);
        QVERIFY(f.dialup.probes >= 3);
    }

    void tickDuringAnOpenBoxIsSkipped()
    {
        Fixture f;
        f.startRunning({f.absent(QStringLiteral("a.zip"))});
        f.setWatchList({});
        int boxes = 0;
        msgbox::setAnswerer([&](const msgbox::Shown &) {
            // The next interval elapses while the box is still open.
            if (++boxes == 1)
                f.monitor->tick();
            return msgbox::Answer::Ok;
        });
        f.monitor->tick();
        msgbox::setAnswerer({});
        QCOMPARE(boxes, 1);
        QVERIFY(!f.tloop()->isActive());
    }

    // --- the tick: what a met rule sets off ---
    void soundThenNoticeWithoutCountdownKeepsTicking()
    {
        Fixture f;
        f.folder.write(QStringLiteral("done.wav"), "RIFF");
        const QString wav = f.folder.file(QStringLiteral("done.wav"));
        f.setOptions({{"sound", "1"}, {"sound_path", wav}, {"infofiles", "1"}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        // The notice comes only after the sound has finished.
        bool noticeDuringSound = true;
        f.sound.whilePlaying = [&](const QString &) { noticeDuringSound = !f.completionWindows().isEmpty(); };

        f.monitor->tick();
        // The notice's own beep follows the sound.
        QCOMPARE(f.sound.played, QStringList({wav, "beep"}));
        QVERIFY(!noticeDuringSound);
        QCOMPARE(f.completionWindows(), QStringList{"frminfo"});
        QVERIFY(f.tloop()->isActive());
        QCOMPARE(monitoring::lastFileIndex(f.state.store), -1);

        test::MessageBoxes boxes;
        f.monitor->tick();
        QCOMPARE(boxes.texts(), QStringList{"NOFILES"});
        QVERIFY(!f.tloop()->isActive());
    }

    // A list that cannot be emptied (a full disk) would meet the rule at
    // every tick: the completion runs once, monitoring stops and says why.
    void aListThatCannotBeEmptiedCompletesOnce()
    {
        Fixture f;
        QTemporaryDir outside;
        const QString count = outside.filePath(QStringLiteral("runs"));
        f.state.messages.insert({{"listnotemptied", "NOTEMPTIED"}, {"monitoringstopped", "STOPPED"}});
        f.setOptions({{"infofiles", "1"}, {"Command", QStringLiteral("sh -c \"echo run >> '%1'\"").arg(count)}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        const test::FullDisk full(f.folder.path());
        if (!full.ok())
            QSKIP("this process may not mount a small file system");
        test::MessageBoxes boxes;
        f.monitor->tick();
        QTRY_VERIFY(!f.completion.running());
        QCOMPARE(boxes.texts(), QStringList{"NOTEMPTIED\n\nSTOPPED"});
        QVERIFY(f.notifier.sent.contains(QStringLiteral("Quendral|NOTEMPTIED\n\nSTOPPED")));
        QVERIFY(f.showsStopped());
        QVERIFY(!f.monitor->checkNow());
        QFile runs(count);
        QVERIFY(runs.open(QIODevice::ReadOnly));
        QCOMPARE(runs.readAll(), QByteArray("run\n"));
    }

    void missingSoundFileIsSkipped()
    {
        Fixture f;
        f.setOptions({{"sound", "1"}, {"sound_path", f.folder.file(QStringLiteral("gone.wav"))}, {"infofiles", "1"}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        f.monitor->tick();
        QCOMPARE(f.sound.played, QStringList{"beep"});
        QCOMPARE(f.completionWindows(), QStringList{"frminfo"});
    }

    void soundPathWithWildcardIsNotPlayed()
    {
        Fixture f;
        f.folder.write(QStringLiteral("done.wav"), "RIFF");
        f.setOptions({{"sound", "1"}, {"sound_path", f.folder.file(QStringLiteral("*.wav"))}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        f.monitor->tick();
        QVERIFY(f.sound.played.isEmpty());
    }

    void countdownOrder_data()
    {
        QTest::addColumn<QString>("autodisconnect");
        QTest::addColumn<QString>("autocomp_off");
        QTest::addColumn<QStringList>("windows");
        QTest::newRow("both: hang-up first") << "1"
                                             << "1" << QStringList{"frmdis", "frmshut"};
        QTest::newRow("hang-up") << "1"
                                 << "0" << QStringList{"frmdis"};
        QTest::newRow("power-off") << "0"
                                   << "1" << QStringList{"frmshut"};
    }
    void countdownOrder()
    {
        QFETCH(QString, autodisconnect);
        QFETCH(QString, autocomp_off);
        QFETCH(QStringList, windows);
        Fixture f;
        f.setOptions({{"autodisconnect", autodisconnect}, {"autocomp_off", autocomp_off}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        f.monitor->tick();
        // Each countdown counts on its own timer, the tick's is off, and only
        // the last countdown's closing shows monitoring stopped.
        for (qsizetype n = 0; n < windows.size(); ++n) {
            QCOMPARE(f.completionWindows(), windows.mid(0, n + 1));
            auto *countdown = test::loadedWindow<CountdownWindow>(windows[n]);
            QVERIFY(countdown && countdown->isVisible() && countdown->timerEnabled());
            QVERIFY(!f.tloop()->isActive());
            QVERIFY(f.showsCountdown());
            Fixture::decline(*countdown);
        }
        QVERIFY(f.showsStopped());
        QVERIFY(!f.monitor->running());
        QCOMPARE(f.dialup.hangUps + f.power.powerOffs, 0);
    }

    void monitoringStartedAgainDuringACountdownGoesOn()
    {
        Fixture f;
        f.setOptions({{"autodisconnect", "1"}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        f.monitor->tick();
        auto *countdown = test::loadedWindow<CountdownWindow>(QStringLiteral("frmdis"));
        QVERIFY(countdown);
        QVERIFY(f.showsCountdown());
        f.setWatchList({f.absent(QStringLiteral("b.zip"))});
        f.window->startOrStopMonitoring();
        QVERIFY(f.showsRunning());
        // Stopped again while the countdown runs, every display keeps it.
        f.window->startOrStopMonitoring();
        QVERIFY(f.showsCountdown());
        f.setWatchList({f.absent(QStringLiteral("b.zip"))});
        f.window->startOrStopMonitoring();
        Fixture::decline(*countdown);
        QVERIFY(f.showsRunning());
        QVERIFY(f.tloop()->isActive());
    }

    void invalidCountdownValuesShowNoWindow()
    {
        Fixture f;
        f.setOptions({{"autodisconnect", "2"}, {"autocomp_off", "1"}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        f.monitor->tick();
        QVERIFY(f.completionWindows().isEmpty());
        QVERIFY(f.tloop()->isActive());
    }

    void timerFiresTheTick()
    {
        Fixture f;
        f.setOptions({{"autodisconnect", "1"}});
        f.startRunning({f.present(QStringLiteral("a.zip"))});
        f.tloop()->setInterval(10);
        QTRY_COMPARE(f.completionWindows(), QStringList{"frmdis"});
    }

    // --- staying awake ---
    void inhibitorHeldWhileMonitoring_data()
    {
        QTest::addColumn<QString>("end");
        for (const char *end : {"stop", "completion", "empty list", "connection lost", "close"})
            QTest::newRow(end) << QString::fromLatin1(end);
    }
    void inhibitorHeldWhileMonitoring()
    {
        QFETCH(QString, end);
        Fixture f;
        const QString file = f.absent(QStringLiteral("a.zip"));
        f.setOptions({{"autodisconnect", "1"}});
        f.startRunning({file});
        QVERIFY(f.inhibitor.held());
        QCOMPARE(f.inhibitor.reasons, QStringList{"INHIBITREASON"});
        // A tick that finds nothing keeps it.
        f.monitor->tick();
        QVERIFY(f.inhibitor.held());

        // Held while a box or a countdown waits for the user.
        bool heldAtBox = false;
        msgbox::setAnswerer([&](const msgbox::Shown &) {
            heldAtBox = heldAtBox || f.inhibitor.held();
            return msgbox::Answer::Yes;
        });
        if (end == QLatin1String("stop")) {
            f.window->startOrStopMonitoring();
        } else if (end == QLatin1String("completion")) {
            f.present(QStringLiteral("a.zip"));
            f.sound.whilePlaying = [&](const QString &) { heldAtBox = heldAtBox || f.inhibitor.held(); };
            f.monitor->tick();
            QCOMPARE(f.completionWindows(), QStringList{"frmdis"});
        } else if (end == QLatin1String("empty list")) {
            f.setWatchList({});
            f.monitor->tick();
        } else if (end == QLatin1String("connection lost")) {
            f.dialup.connected = false;
            f.monitor->tick();
        } else {
            f.window->exitProgram();
            QCOMPARE(f.exits, 1);
        }
        msgbox::setAnswerer({});
        QVERIFY(!f.inhibitor.held());
        // Close asks its question while monitoring still runs.
        QCOMPARE(heldAtBox, end == QLatin1String("close"));
    }

    void monitoringRunsWhenTheInhibitorIsRefused()
    {
        Fixture f;
        f.inhibitor.refuse = true;
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.load();
        test::MessageBoxes boxes;
        f.window->startOrStopMonitoring();
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(f.tloop()->isActive());
        QVERIFY(f.showsRunning());
    }

    // --- a power-off the system will not allow ---
    void powerOffAbilityIsCheckedAtStart_data()
    {
        QTest::addColumn<QString>("autodisconnect");
        QTest::addColumn<QString>("autocomp_off");
        QTest::addColumn<PowerControl::Ability>("ability");
        QTest::addColumn<int>("checks");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("action"); // PowerAction
        using A = PowerControl::Ability;
        QTest::newRow("power-off, no") << "0"
                                       << "1" << A::No << 1 << QStringList{"CANNOTPOWEROFF"} << "";
        QTest::newRow("power-off, challenge") << "0"
                                              << "1" << A::Challenge << 1 << QStringList{"POWEROFFCHALLENGE"} << "";
        QTest::newRow("power-off, yes") << "0"
                                        << "1" << A::Yes << 1 << QStringList() << "";
        QTest::newRow("power-off, no answer") << "0"
                                              << "1" << A::Unknown << 1 << QStringList() << "";
        QTest::newRow("hang-up then power-off, no") << "1"
                                                    << "1" << A::No << 1 << QStringList{"CANNOTPOWEROFF"} << "";
        QTest::newRow("hang-up only") << "1"
                                      << "0" << A::No << 0 << QStringList() << "";
        QTest::newRow("suspend, no") << "0"
                                     << "1" << A::No << 1 << QStringList{"CANNOTSUSPEND"} << "1";
        QTest::newRow("hibernate, challenge") << "1"
                                              << "1" << A::Challenge << 1 << QStringList{"HIBERNATECHALLENGE"} << "2";
        QTest::newRow("suspend, yes") << "0"
                                      << "1" << A::Yes << 1 << QStringList() << "1";
    }
    void powerOffAbilityIsCheckedAtStart()
    {
        QFETCH(QString, autodisconnect);
        QFETCH(QString, autocomp_off);
        QFETCH(PowerControl::Ability, ability);
        QFETCH(int, checks);
        QFETCH(QStringList, boxes);
        QFETCH(QString, action);
        Fixture f;
        f.power.ability = ability;
        f.setOptions({{"autodisconnect", autodisconnect}, {"autocomp_off", autocomp_off}, {"PowerAction", action}});
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.load();
        QList<msgbox::Shown> shown;
        bool runningAtBox = false;
        msgbox::setAnswerer([&](const msgbox::Shown &box) {
            shown.append(box);
            runningAtBox = f.tloop()->isActive() && f.showsRunning() && f.inhibitor.held();
            return msgbox::Answer::Ok;
        });
        f.window->startOrStopMonitoring();
        msgbox::setAnswerer({});
        QCOMPARE(f.power.abilityChecks, checks);
        QCOMPARE(f.power.asked.size(), action.isEmpty() ? 0 : checks);
        QStringList texts;
        for (const msgbox::Shown &box : shown) {
            texts.append(box.text);
            QCOMPARE(box.icon, msgbox::Icon::Warning);
        }
        QCOMPARE(texts, boxes);
        // Monitoring starts anyway, before the warning waits for the user.
        QVERIFY(f.tloop()->isActive());
        QVERIFY(shown.isEmpty() || runningAtBox);
    }

    // --- never early ---
    void unfinishedDownloadWaitsForTheNextTick_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("hold");
        for (const char *entry : {"a.zip", "*.zip"}) {
            for (const char *hold : {".part", ".crdownload", ".aria2", ".!qB", "writer"})
                QTest::addRow("%s, %s", entry, hold) << QString::fromLatin1(entry) << QString::fromLatin1(hold);
        }
    }
    void unfinishedDownloadWaitsForTheNextTick()
    {
        QFETCH(QString, entry);
        QFETCH(QString, hold);
        Fixture f;
        f.setOptions({{"autodisconnect", "1"}});
        const QString file = f.present(QStringLiteral("a.zip"));
        QProcess writer;
        if (hold == QLatin1String("writer")) {
            // A process of this user with the file open for appending.
            writer.start(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), QStringLiteral("exec 3>>\"$0\"; echo open; exec sleep 600"), file});
            QVERIFY(writer.waitForReadyRead(10000));
        } else {
            f.present(QStringLiteral("a.zip") + hold);
        }
        f.startRunning({f.absent(entry)});
        f.monitor->tick();
        QVERIFY(f.completionWindows().isEmpty());
        QCOMPARE(monitoring::lastFileIndex(f.state.store), 0);

        if (hold == QLatin1String("writer")) {
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
        } else {
            QVERIFY(QFile::remove(f.absent(QStringLiteral("a.zip") + hold)));
        }
        f.monitor->tick();
        QCOMPARE(f.completionWindows(), QStringList{"frmdis"});
    }

    // --- the quiet connection ---
    void quietConnection_data()
    {
        // Bytes per 20 ms tick (2 kB/s is 41); a file beside the expected a.zip.
        QTest::addColumn<quint64>("step");
        QTest::addColumn<QString>("beside");
        QTest::newRow("quiet") << quint64(0) << QString();
        QTest::newRow("trickle above the rate") << quint64(60) << QString();
        QTest::newRow("partial marker") << quint64(0) << QStringLiteral("b.zip.part");
    }
    void quietConnection()
    {
        QFETCH(quint64, step);
        QFETCH(QString, beside);
        const bool completes = step == 0 && beside.isEmpty();
        Fixture f;
        f.state.messages.insert(
            {{"finishedquiet", "QUIET %1"}, {"armedquiet", "OR QUIET %1"}, {"statusarmed", "ALSO %1"}});
        f.setOptions({{"infofiles", "1"}, {"Quiet", "1"}, {"QuietMinutes", "1"}});
        test::FakeMeter meter;
        meter.step = step;
        // No files, or a.zip beside the marker; a tick of 20 ms makes the minute 40 ms.
        if (!beside.isEmpty())
            f.present(beside);
        f.setWatchList(beside.isEmpty() ? QStringList() : QStringList{f.absent("a.zip")});
        f.load();
        f.monitor->setInterval(20);
        f.monitor->setTrafficMeter(&meter);
        test::MessageBoxes boxes;
        f.window->startOrStopMonitoring();
        QCOMPARE(f.tray()->toolTip(),
                 f.label(QStringLiteral("lbltooltipactive")) + QStringLiteral("\nALSO OR QUIET 1"));
        QTest::qWait(300);
        QCOMPARE(f.completionWindows(), completes ? QStringList{"frminfo"} : QStringList());
        // Once done, the empty list ends monitoring as after any completion.
        QCOMPARE(boxes.texts(), completes ? QStringList{"NOFILES"} : QStringList());
        QCOMPARE(meter.metering || f.tray()->toolTip().contains(QStringLiteral("QUIET")), !completes);
        if (completes)
            QCOMPARE(test::loadedWindow("frminfo")->findChild<QLabel *>("lblfile")->text(), QStringLiteral("QUIET 1"));
    }

    // Waiting for programs: the tooltip names them and how many run, and
    // follows each end at once; the last end brings the notice that names
    // each process that ended. None seen: no completion.
    void programsInTheTooltip_data()
    {
        QTest::addColumn<int>("running");
        QTest::newRow("none running") << 0;
        QTest::newRow("one running") << 1;
        QTest::newRow("two running") << 2;
    }
    void programsInTheTooltip()
    {
        QFETCH(int, running);
        Fixture f;
        f.state.messages.insert({{"armedprograms", "WAIT %1 (%2)"},
                                 {"statusarmed", "ALSO %1"},
                                 {"finishedprograms", "ENDED"},
                                 {"noticeprogramended", "%1 %2 %3"}});
        f.setOptions({{"infofiles", "1"}, {"WaitPrograms", "fakewget"}, {"Quiet", "0"}, {"Deadline", "0"}});
        f.setWatchList({});
        test::Children children;
        QList<RunningProgram> listed;
        for (int n = 0; n < running; ++n)
            listed.append({children.start(), QStringLiteral("fakewget"), QStringLiteral("fakewget")});
        f.load();
        f.monitor->programs().setLister([&listed] { return listed; });
        test::MessageBoxes boxes;
        f.window->startOrStopMonitoring();
        const QString active = f.label(QStringLiteral("lbltooltipactive"));
        QCOMPARE(f.tray()->toolTip(), active + QStringLiteral("\nALSO WAIT fakewget (%1)").arg(running));
        QStringList ended;
        while (!listed.isEmpty()) {
            QTest::qWait(Monitor::kProgramsEndedTickMs + 200);
            QCOMPARE(f.completionWindows(), QStringList());
            const RunningProgram program = listed.takeFirst();
            children.end(program.pid);
            ended.append(QStringLiteral("fakewget %1 ").arg(program.pid));
            if (!listed.isEmpty())
                QTRY_COMPARE(f.tray()->toolTip(),
                             active + QStringLiteral("\nALSO WAIT fakewget (%1)").arg(listed.size()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.completionWindows(), running ? QStringList{"frminfo"} : QStringList(), 1500);
        if (!running)
            return;
        const QStringList lines = test::loadedWindow("frminfo")->findChild<QLabel *>("lblfile")->text().split(u'\n');
        QCOMPARE(lines.size(), running + 1);
        QCOMPARE(lines.first(), QStringLiteral("ENDED"));
        for (int n = 0; n < running; ++n)
            QVERIFY2(lines[n + 1].startsWith(ended[n]), qPrintable(lines[n + 1]));
    }

    // --- the icon and the other entries ---
    void leftClickOpensOptionsRightClickPopsTheMenu_data()
    {
        QTest::addColumn<TrayKind>("kind");
        QTest::addColumn<bool>("exported");
        QTest::newRow("embedding tray: decorated popup") << TrayKind::Embedding << false;
        QTest::newRow("StatusNotifier host: exported menu") << TrayKind::StatusNotifier << true;
    }
    void leftClickOpensOptionsRightClickPopsTheMenu()
    {
        QFETCH(TrayKind, kind);
        QFETCH(bool, exported);
        Fixture f;
        f.load();
        QVERIFY(!f.tray()->attached());
        f.tray()->attach(kind);
        QSystemTrayIcon *icon = f.tray()->attached();
        QVERIFY(icon);
        QVERIFY(icon->isVisible());
        QCOMPARE(icon->toolTip(), f.tray()->toolTip());
        auto *menu = f.control<QMenu>(QStringLiteral("mnutray"));
        QCOMPARE(icon->contextMenu(), exported ? menu : nullptr);

        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(f.requests, (QList<QPair<QString, Request>>{{"frmmain", Request::Show}}));
        // A host drawing the exported menu itself must not get a second one.
        emit icon->activated(QSystemTrayIcon::Context);
        QCOMPARE(menu->isVisible(), !exported);
        menu->hide();
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(f.requests.size(), 1);

        // The made icon follows the look and the tooltip from then on.
        f.setWatchList({f.absent(QStringLiteral("a.zip"))});
        f.window->startOrStopMonitoring();
        QCOMPARE(icon->toolTip(), f.label(QStringLiteral("lbltooltipactive")));
        QCOMPARE(icon->icon().pixmap(32, 32).toImage(), f.tray()->icon().pixmap(32, 32).toImage());
    }

    void entriesAskForTheirWindows()
    {
        Fixture f;
        f.load();
        for (const char *entry : {"cmdoptions", "cmdhelp", "cmdabout"})
            f.control<QAction>(QString::fromLatin1(entry))->trigger();
        QCOMPARE(f.requests,
                 (QList<QPair<QString, Request>>{
                     {"frmmain", Request::Show}, {"frmprehelp", Request::Show}, {"frmabout", Request::Show}}));
    }

    void addFileOpensTheListModallyUnlessShown()
    {
        Fixture f;
        f.load();
        f.control<QAction>(QStringLiteral("cmdaddfile"))->trigger();
        QCOMPARE(f.requests,
                 (QList<QPair<QString, Request>>{{"frmmain", Request::Show}, {"frmadd", Request::ShowModal}}));

        QWidget list;
        f.factory.setCreator(QStringLiteral("frmadd"), [&list] { return &list; });
        f.factory.show(QStringLiteral("frmadd"));
        f.requests.clear();
        f.window->addFile();
        QCOMPARE(f.requests, (QList<QPair<QString, Request>>{{"frmmain", Request::Show}}));
    }

    void exitAnsweredNoChangesNothing()
    {
        Fixture f;
        f.startRunning({f.absent(QStringLiteral("a.zip"))});
        test::MessageBoxes boxes(msgbox::Answer::No);
        f.control<QAction>(QStringLiteral("cmdexit"))->trigger();
        QCOMPARE(boxes.texts(), QStringList{"ENDPROGRAM"});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Question);
        QCOMPARE(boxes.shown().first().buttons, msgbox::Buttons::YesNo);
        QCOMPARE(f.exits, 0);
        QVERIFY(f.tray()->isVisible());
        QVERIFY(f.tloop()->isActive());
    }

    void exitAnsweredYesRemovesTheIconAndEnds()
    {
        Fixture f;
        f.load();
        test::MessageBoxes boxes(msgbox::Answer::Yes);
        bool iconGoneAtEnd = false;
        f.onEnd = [&] { iconGoneAtEnd = !f.tray()->isVisible(); };
        f.window->exitProgram();
        QCOMPARE(f.exits, 1);
        QVERIFY(iconGoneAtEnd);
        // Nothing was asked of the other windows on the way out.
        QVERIFY(f.requests.isEmpty());
    }

    void trayLooksAreDrawnAndDiffer()
    {
        TrayIcon tray;
        tray.showRunningLook();
        const QImage running = tray.icon().pixmap(32, 32).toImage();
        tray.showStoppedLook();
        const QImage stopped = tray.icon().pixmap(32, 32).toImage();
        QVERIFY(!running.isNull());
        QVERIFY(!stopped.isNull());
        QVERIFY(running != stopped);
        QVERIFY(tray.isVisible());
        tray.removeIcon();
        QVERIFY(!tray.isVisible());
    }

    // --- the decorated menu ---
    void entryPictureIsReplaced()
    {
        Fixture f;
        f.load();
        auto *hm1 = f.window->findChild<MenuDecorator *>(QStringLiteral("hm1"));
        QIcon red;
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        red.addPixmap(pixmap);
        hm1->setEntryPicture(f.cmdmonit(), red);
        QCOMPARE(f.cmdmonit()->icon().pixmap(16, 16).toImage(), pixmap.toImage());
        QCOMPARE(hm1->picture(QStringLiteral("#cmdmonit")).cacheKey(), red.cacheKey());
        // Other entries keep theirs.
        QVERIFY(hm1->picture(QStringLiteral("#cmdexit")).cacheKey() != red.cacheKey());
    }

    void menuUsesItsOwnFontAndColours()
    {
        Fixture f;
        f.load();
        auto *menu = f.control<QMenu>(QStringLiteral("mnutray"));
        QCOMPARE(menu->font().families().value(0), QStringLiteral("Tahoma"));
        QCOMPARE(menu->font().pointSizeF(), 8.25);
        // The colours are put on as the menu opens, before it is laid out.
        menu->popup(QPoint(0, 0));
        menu->setActiveAction(f.cmdmonit());
        const QRect entry = menu->actionGeometry(f.cmdmonit());
        const QColor selected = menu->grab().toImage().pixelColor(entry.left() + 3, entry.center().y());
        menu->close();
        QCOMPARE(selected, QColor(192, 192, 255));
    }
};

QTEST_MAIN(TestFrmnotunload)
#include "test_traywindow.moc"
