#include "actionrig.h"

#include "actions/completionnotice.h"
#include "actions/hangupcountdown.h"
#include "actions/powercountdown.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace quendral;
using namespace quendral::test;

namespace {

// The language pass looks windows up by name among the top-level widgets;
// this is what it finds while a window loads.
QStringList loadedWindowNames()
{
    QStringList names;
    for (const QWidget *window : QApplication::topLevelWidgets())
        names.append(window->objectName());
    return names;
}

} // namespace

class TestActionWindows : public QObject
{
    Q_OBJECT

private slots:
    void init() { ActionRig::unloadClosed(); }

    void windowsAreLoadedByName()
    {
        ActionRig rig;
        rig.windows.showNotice(CompletionChoice());
        QVERIFY(qobject_cast<CompletionNotice *>(rig.window<QWidget>("frminfo")));
        QVERIFY(rig.isVisible("frminfo"));
        QCOMPARE(rig.sound.played, QStringList{QStringLiteral("beep")});
        rig.complete(Chain::HangUp);
        QVERIFY(rig.isVisible("frmdis"));
        // The notice stands apart: the countdown does not close it.
        rig.window<HangUpCountdown>("frmdis")->declineHangUp();
        QVERIFY(rig.isVisible("frminfo"));
    }

    // The command runs after the notice and before the countdowns (so before
    // the hang-up), with the files and the settings file in its environment;
    // whatever went wrong is told in the notice, the notification and the log.
    void theCommandRunsBeforeTheCountdowns_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("report"); // empty: none
        const QString script = QDir::temp().filePath(QStringLiteral("quendral command.sh"));
        QFile::remove(script);
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s|%s|%s' \"$QUENDRAL_FILES\" \"$QUENDRAL_WATCHLIST\" \"$1\" >\"$0.out\"\n"
                   "echo said so\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        QTest::newRow("records") << QStringLiteral("\"%1\" \"a \\\"b\\\"\"").arg(script) << QString();
        QTest::newRow("fails") << QStringLiteral("sh -c \"exit 3\"") << "FAILED: sh -c \"exit 3\" (EXIT 3)";
        QTest::newRow("hangs") << QStringLiteral("sleep 30") << "FAILED: sleep 30 (TIMEOUT 1)";
        QTest::newRow("missing") << QStringLiteral("/nonexistent/q") << "FAILED: /nonexistent/q (";
    }
    void theCommandRunsBeforeTheCountdowns()
    {
        QFETCH(QString, command);
        QFETCH(QString, report);
        const QString out = QDir::temp().filePath(QStringLiteral("quendral command.sh.out"));
        QFile::remove(out);
        ActionRig rig;
        LogRecorder log;
        rig.complete(Chain::HangUp, command, 1);
        QVERIFY(!rig.window<HangUpCountdown>("frmdis"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.window<HangUpCountdown>("frmdis"), 4000);
        auto *reports = rig.window<CompletionNotice>("frminfo")->findChild<QLabel *>(QStringLiteral("lblreport"));
        if (report.isEmpty()) {
            QFile recorded(out);
            QVERIFY(recorded.open(QIODevice::ReadOnly));
            QCOMPARE(recorded.readAll(), QByteArray("/d/a.zip\n/d/b c.zip|/p/Settings.ini|a \"b\""));
            QVERIFY(reports->isHidden() && log.warnings("quendral.command").isEmpty());
        } else {
            QVERIFY2(reports->text().startsWith(report), qPrintable(reports->text()));
            QVERIFY(rig.notifier.sent.contains(QStringLiteral("Quendral|") + reports->text()));
            QVERIFY(log.warned("quendral.command", report));
        }
        rig.window<HangUpCountdown>("frmdis")->declineHangUp();
        QCOMPARE(rig.finished.size(), 1);
    }

    // The pass of a loading window reaches that window alone, found by its
    // name among the top-level widgets.
    void theLanguagePassFindsTheLoadingWindowAndItsControls()
    {
        ProgramFolder folder;
        AppState state(folder.path());
        FakeSound sound;
        FakeDialup dialup;
        FakePower power;
        FakeNotifier notifier;
        QStringList seen;
        auto pass = [&](QWidget *window) {
            if (window->isHidden() && window->findChild<QLabel *>(QStringLiteral("lbls")) &&
                loadedWindowNames().contains(window->objectName()))
                seen.append(window->objectName());
        };
        ActionWindows windows({state, sound, pass}, dialup, power, notifier);
        const std::unique_ptr<QWidget> hangUp(windows.showHangUp(15));
        const std::unique_ptr<QWidget> powerOff(windows.showPowerAction(PowerControl::Action::PowerOff, 15));
        QCOMPARE(seen, (QStringList{QStringLiteral("frmdis"), QStringLiteral("frmshut")}));
    }

    // Each window counts the length the completion gave it, on its own.
    void eachWindowCountsItsOwnLength()
    {
        ActionRig rig;
        rig.complete(Chain::HangUpThenPowerOff, {}, 5, 7);
        auto *dis = rig.window<HangUpCountdown>("frmdis");
        for (int tick = 0; tick < 5; ++tick)
            dis->countSecond();
        QCOMPARE(dis->secondsLeft(), 2);
        QCOMPARE(rig.sequence.countdown()->left, 2);
        QVERIFY(!rig.sequence.countdown()->power);
        dis->declineHangUp();
        auto *shut = rig.window<PowerCountdown>("frmshut");
        QCOMPARE(ActionRig::seconds(shut), QStringLiteral("7"));
        QCOMPARE(rig.sequence.countdown()->power, PowerControl::Action::PowerOff);
        for (int tick = 0; tick < 7; ++tick)
            shut->countSecond();
        QCOMPARE(rig.power.powerOffs, 1);
    }

    void theTickSoundIsKeptAfterTheFileIsRemoved()
    {
        ActionRig rig;
        const QString beep = rig.folder.file(QStringLiteral("beep.wav"));
        rig.folder.write(QStringLiteral("beep.wav"), "RIFF");
        rig.complete(Chain::HangUpThenPowerOff);
        QCOMPARE(rig.state.tickSound, beep);
        QVERIFY(QFile::remove(beep));

        rig.window<HangUpCountdown>("frmdis")->declineHangUp();
        auto *shut = rig.window<PowerCountdown>("frmshut");
        QCOMPARE(rig.state.tickSound, beep);
        // The player gets the old path; for a missing file it plays the
        // default sound (checked with the real player).
        shut->countSecond();
        QCOMPARE(rig.sound.played, QStringList{beep});
    }

    void aLaterCompletionOpensTheWindowsAfresh()
    {
        ActionRig rig;
        rig.complete(Chain::HangUp);
        rig.window<HangUpCountdown>("frmdis")->countSecond();
        rig.window<HangUpCountdown>("frmdis")->declineHangUp();
        ActionRig::unloadClosed();
        rig.complete(Chain::HangUp);
        auto *again = rig.window<HangUpCountdown>("frmdis");
        QVERIFY(again && again->isVisible());
        QCOMPARE(ActionRig::seconds(again), QStringLiteral("15"));
        QVERIFY(again->findChild<QTimer *>(QStringLiteral("timer_dis"))->isActive());
        QCOMPARE(rig.languagePasses, 2);
    }

    void aCompletionStartedDuringAnotherFollowsIt()
    {
        // Monitoring started again during a countdown may meet its rule while
        // the first completion's window still counts.
        ActionRig rig;
        rig.complete(Chain::HangUp);
        QPointer<HangUpCountdown> first = rig.window<HangUpCountdown>("frmdis");
        rig.complete(Chain::HangUp);
        first->hangUpNow();
        // The second count gets a fresh window once the first one is gone.
        QTRY_VERIFY(!first && rig.window<HangUpCountdown>("frmdis"));
        auto *second = rig.window<HangUpCountdown>("frmdis");
        QVERIFY(second->isVisible() && second->timerEnabled());
        QCOMPARE(ActionRig::seconds(second), QStringLiteral("15"));
        QVERIFY(rig.finished.isEmpty());
        second->declineHangUp();
        QCOMPARE(rig.finished, QList{CompletionSequence::Outcome::Declined});
        QCOMPARE(rig.dialup.hangUps, 1);
    }

    // Once the user activates a countdown window, the keyboard starts on the
    // decline button, Enter presses the focused button and the access keys
    // press theirs.
    void theKeyboardActsOnlyWhenMovedToTheActButton_data()
    {
        QTest::addColumn<Chain>("mode");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("decline");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<bool>("acted");
        const auto hangUp = Chain::HangUp;
        const auto powerOff = Chain::PowerOff;
        QTest::newRow("hang-up, Enter") << hangUp << "frmdis"
                                        << "cmdnotdis" << QKeySequence(Qt::Key_Return) << false;
        QTest::newRow("hang-up, Space") << hangUp << "frmdis"
                                        << "cmdnotdis" << QKeySequence(Qt::Key_Space) << false;
        QTest::newRow("hang-up, Tab, Enter") << hangUp << "frmdis"
                                             << "cmdnotdis" << QKeySequence(Qt::Key_Tab, Qt::Key_Return) << true;
        QTest::newRow("hang-up, Alt+R") << hangUp << "frmdis"
                                        << "cmdnotdis" << QKeySequence(Qt::ALT | Qt::Key_R) << true;
        QTest::newRow("power-off, Enter") << powerOff << "frmshut"
                                          << "cmdnotshut" << QKeySequence(Qt::Key_Enter) << false;
        QTest::newRow("power-off, Tab, Enter") << powerOff << "frmshut"
                                               << "cmdnotshut" << QKeySequence(Qt::Key_Tab, Qt::Key_Return) << true;
        QTest::newRow("power-off, Alt+W") << powerOff << "frmshut"
                                          << "cmdnotshut" << QKeySequence(Qt::ALT | Qt::Key_W) << true;
        QTest::newRow("power-off, Alt+N") << powerOff << "frmshut"
                                          << "cmdnotshut" << QKeySequence(Qt::ALT | Qt::Key_N) << false;
    }
    void theKeyboardActsOnlyWhenMovedToTheActButton()
    {
        QFETCH(Chain, mode);
        QFETCH(QString, window);
        QFETCH(QString, decline);
        QFETCH(QKeySequence, keys);
        QFETCH(bool, acted);
        ActionRig rig;
        rig.complete(mode);
        QPointer<QWidget> countdown = loadedWindow(window);
        countdown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(countdown));
        QCOMPARE(QApplication::focusWidget()->objectName(), decline);
        ActionRig::waitOutClickGuard();
        for (int i = 0; i < keys.count(); ++i)
            QTest::keyClick(QApplication::focusWidget(), keys[i].key(), keys[i].keyboardModifiers());
        // An access key shows its button pressed for a moment before it acts.
        QTRY_VERIFY(!countdown || !countdown->isVisible());
        QCOMPARE(rig.dialup.hangUps + rig.power.powerOffs, acted ? 1 : 0);
    }
};

QTEST_MAIN(TestActionWindows)
#include "test_actionwindows.moc"
