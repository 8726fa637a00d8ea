#include "actionrig.h"

#include "settings/options.h"

#include "actions/powercountdown.h"
#include "kit/picturebutton.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace quendral;
using namespace quendral::test;

class TestFrmshut : public QObject
{
    Q_OBJECT

private slots:
    void init() { ActionRig::unloadClosed(); }

    void loadStartsTheCountAtOnce()
    {
        ActionRig rig;
        rig.windows.showPowerAction(PowerControl::Action::PowerOff, 15);
        auto *window = rig.window<PowerCountdown>("frmshut");
        QVERIFY(window);
        QCOMPARE(rig.languagePasses, 1);
        QCOMPARE(ActionRig::seconds(window), QStringLiteral("15"));
        auto *timer = window->findChild<QTimer *>(QStringLiteral("timer_shut"));
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(window->windowTitle(), QStringLiteral("Quendral - Zamykanie systemu"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblshut"))->text(),
                 QStringLiteral("Quendral wyłączy komputer za:"));
        QCOMPARE(window->findChild<PictureButton *>(QStringLiteral("cmdshut"))->text(),
                 QStringLiteral("&Wyłącz natychmiast"));
        QCOMPARE(window->findChild<PictureButton *>(QStringLiteral("cmdnotshut"))->text(),
                 QStringLiteral("&Nie wyłączaj"));
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
        // Sizable, unlike the hang-up window.
        QVERIFY(window->minimumSize() != window->maximumSize());
    }

    // A slow tick sound delays no step after it: the count takes its length.
    void countsItsLengthOnItsOwnClock_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("length");
        QTest::newRow("missing") << QString() << 15;
        QTest::newRow("too short") << "4" << 15;
        QTest::newRow("longest") << "600" << 600;
        QTest::newRow("shortest, slow tick sound") << "5" << 5;
    }
    void countsItsLengthOnItsOwnClock()
    {
        QFETCH(QString, stored);
        QFETCH(int, length);
        ActionRig rig;
        // The length as the options give it to the completion.
        Options options;
        options.countdown = Flag(stored);
        if (length == 5) {
            rig.folder.write(QStringLiteral("beep.wav"), "RIFF");
            rig.sound.whilePlaying = [](const QString &) { QThread::msleep(400); };
        }
        QElapsedTimer clock;
        clock.start();
        rig.complete(Chain::PowerOff, {}, 5, options.countdownSeconds());
        auto *window = rig.window<PowerCountdown>("frmshut");
        QCOMPARE(ActionRig::seconds(window), QString::number(length));
        if (length != 5)
            return;
        QTRY_COMPARE_WITH_TIMEOUT(rig.power.powerOffs, 1, 9000);
        QVERIFY2(clock.elapsed() < 5600, qPrintable(QString::number(clock.elapsed())));
    }

    void enablingTheRunningTimerChangesNothing()
    {
        ActionRig rig;
        rig.windows.showPowerAction(PowerControl::Action::PowerOff, 15);
        auto *timer = rig.window<PowerCountdown>("frmshut")->findChild<QTimer *>(QStringLiteral("timer_shut"));
        const int before = timer->remainingTime();
        rig.window<PowerCountdown>("frmshut")->enableTimer();
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() <= before);
    }

    void wylWithoutButtonPowersOffOnTheFifteenthTick()
    {
        ActionRig rig;
        rig.complete(Chain::PowerOff);
        auto *window = rig.window<PowerCountdown>("frmshut");
        // The request goes out with the count reset and the timer stopped,
        // while the window is still up.
        bool orderedRight = false;
        rig.power.onPowerOff = [&] {
            orderedRight = window->secondsLeft() == 15 && ActionRig::seconds(window) == QLatin1String("15") &&
                           !window->findChild<QTimer *>(QStringLiteral("timer_shut"))->isActive() &&
                           window->isVisible() && rig.finished.isEmpty();
        };
        for (int left = 14; left >= 1; --left) {
            window->countSecond();
            QCOMPARE(ActionRig::seconds(window), QString::number(left));
        }
        QCOMPARE(rig.power.powerOffs, 0);
        window->countSecond();
        QCOMPARE(rig.power.powerOffs, 1);
        QVERIFY(orderedRight);
        QVERIFY(!window->isVisible());
        QCOMPARE(rig.finished.size(), 1);
    }

    void cmdshutPowersOffAtOnce()
    {
        ActionRig rig;
        rig.complete(Chain::PowerOff);
        auto *window = rig.window<PowerCountdown>("frmshut");
        window->countSecond();
        window->actNow();
        QCOMPARE(rig.power.powerOffs, 1);
        QCOMPARE(window->secondsLeft(), 15);
        QVERIFY(!window->isVisible());
        QCOMPARE(rig.finished.size(), 1);
    }

    void refusedPowerOffIsReportedOnceTheWindowHasClosed_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("action"); // PowerAction, -1 missing; its texts are its message keys
        QTest::newRow("countdown, refused") << false << "Access denied." << 0;
        QTest::newRow("button, refused") << true << "Access denied." << -1;
        QTest::newRow("countdown, taken") << false << "" << 7;
        QTest::newRow("suspend, countdown, refused") << false << "Access denied." << 1;
        QTest::newRow("hibernate, button, refused") << true << "Sleep verb not supported" << 2;
        QTest::newRow("suspend, taken") << false << "" << 1;
    }
    void refusedPowerOffIsReportedOnceTheWindowHasClosed()
    {
        QFETCH(bool, byButton);
        QFETCH(QString, refusal);
        QFETCH(int, action);
        ActionRig rig;
        const int sleep = action == 1 || action == 2 ? action : 0;
        const QString name = QStringList{"poweroff", "suspend", "hibernate"}.at(sleep);
        for (const QString key : {"poweroffrefused", "suspendrefused", "hibernaterefused", "suspendtitle",
                                  "hibernatetitle", "suspendtext", "hibernatetext"})
            rig.state.messages.insert(key, key.toUpper());
        Options options;
        options.powerAction = Flag(action < 0 ? QString() : QString::number(action));
        rig.power.refusal = refusal;
        rig.complete(Chain::PowerOff, {}, 5, 15, options.powerActionChoice());
        auto *window = rig.window<PowerCountdown>("frmshut");
        if (sleep) {
            // A later pass over every window puts the file's captions back.
            window->setWindowTitle(QStringLiteral("a later language pass"));
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(window, &change);
            QCOMPARE(window->windowTitle(), name.toUpper() + QStringLiteral("TITLE"));
            QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblshut"))->text(), name.toUpper() + "TEXT");
        }
        QList<msgbox::Shown> shown;
        bool closedAtBox = false;
        msgbox::setAnswerer([&](const msgbox::Shown &box) {
            shown.append(box);
            closedAtBox = !window->isVisible() && rig.finished.size() == 1;
            return msgbox::Answer::Ok;
        });
        if (byButton) {
            window->actNow();
        } else {
            for (int tick = 0; tick < 15; ++tick)
                window->countSecond();
        }
        msgbox::setAnswerer({});
        QCOMPARE(rig.power.powerOffs, sleep ? 0 : 1);
        QCOMPARE(rig.power.sleeps, sleep ? QList{PowerControl::Action(sleep)} : QList<PowerControl::Action>{});
        QVERIFY(!window->isVisible());
        if (refusal.isEmpty()) {
            QVERIFY(shown.isEmpty());
            QVERIFY(rig.notifier.sent.isEmpty());
            return;
        }
        const QString report = name.toUpper() + QStringLiteral("REFUSED\n\n") + refusal;
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, report);
        QCOMPARE(shown.first().icon, msgbox::Icon::Warning);
        QVERIFY(closedAtBox);
        QCOMPARE(rig.notifier.sent, QStringList{QStringLiteral("Quendral|") + report});
    }

    void aPressMustBeginAfterTheClickGuard_data()
    {
        const int late = int(CountdownWindow::clickGuard.count()) + 100;
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<int>("pressAt");
        QTest::addColumn<int>("releaseAt");
        QTest::addColumn<int>("powerOffs");
        QTest::newRow("click at once") << false << 0 << 0 << 0;
        QTest::newRow("pressed at once, released late") << false << 0 << late << 0;
        QTest::newRow("click late") << false << late << late << 1;
        QTest::newRow("Alt+W at once") << true << 0 << 0 << 0;
        QTest::newRow("Alt+W late") << true << late << late << 1;
    }
    void aPressMustBeginAfterTheClickGuard()
    {
        QFETCH(bool, byKey);
        QFETCH(int, pressAt);
        QFETCH(int, releaseAt);
        QFETCH(int, powerOffs);
        ActionRig rig;
        rig.complete(Chain::PowerOff);
        auto *window = rig.window<PowerCountdown>("frmshut");
        auto *button = window->findChild<PictureButton *>(QStringLiteral("cmdshut"));
        if (byKey) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
        }
        QTest::qWait(pressAt);
        byKey ? QTest::keyPress(window, Qt::Key_W, Qt::AltModifier) : QTest::mousePress(button, Qt::LeftButton);
        QTest::qWait(releaseAt - pressAt);
        byKey ? QTest::keyRelease(window, Qt::Key_W, Qt::AltModifier) : QTest::mouseRelease(button, Qt::LeftButton);
        // An access key shows its button pressed for a moment before it acts.
        QTest::qWait(200);
        QCOMPARE(rig.power.powerOffs, powerOffs);
    }

    void wylDeclinedReturnsToStopped_data()
    {
        QTest::addColumn<bool>("fromTray"); // the tray menu's entry, through the sequence
        QTest::newRow("button") << false;
        QTest::newRow("tray menu") << true;
    }
    void wylDeclinedReturnsToStopped()
    {
        QFETCH(bool, fromTray);
        ActionRig rig;
        rig.complete(Chain::PowerOff);
        auto *window = rig.window<PowerCountdown>("frmshut");
        window->countSecond();
        window->countSecond();
        QCOMPARE(rig.sequence.countingDown(), true);
        if (fromTray)
            rig.sequence.declineCountdown();
        else
            window->declineAction();
        QCOMPARE(rig.finished, QList{CompletionSequence::Outcome::Declined});
        QCOMPARE(rig.power.powerOffs, 0);
        QCOMPARE(window->secondsLeft(), 15);
        QVERIFY(!window->findChild<QTimer *>(QStringLiteral("timer_shut"))->isActive());
        QVERIFY(!window->isVisible());
        QCOMPARE(rig.finished.size(), 1);
    }
};

QTEST_MAIN(TestFrmshut)
#include "test_powercountdown.moc"
