#include "actionrig.h"

#include "actions/hangupcountdown.h"
#include "actions/powercountdown.h"
#include "kit/picturebutton.h"

#include <QTimer>
#include <QWindow>
#include <QtTest>

using namespace quendral;
using namespace quendral::test;

class TestFrmdis : public QObject
{
    Q_OBJECT

private slots:
    void init() { ActionRig::unloadClosed(); }

    void loadShowsFifteenWithTheTimerOff()
    {
        ActionRig rig;
        rig.windows.showHangUp(15);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        QVERIFY(window);
        QCOMPARE(rig.languagePasses, 1);
        QCOMPARE(ActionRig::seconds(window), QStringLiteral("15"));
        QCOMPARE(window->secondsLeft(), 15);
        auto *timer = window->findChild<QTimer *>(QStringLiteral("timer_dis"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(!timer->isActive());
        QCOMPARE(window->windowTitle(), QStringLiteral("Quendral - Rozłączanie"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lbldis"))->text(),
                 QStringLiteral("Quendral odłączy komputer od sieci za:"));
    }

    void looksLikeAToolWindowWithoutCloseBox()
    {
        ActionRig rig;
        rig.windows.showHangUp(15);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        const Qt::WindowFlags flags = window->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        auto *seconds = window->findChild<QLabel *>(QStringLiteral("lbls"));
        seconds->ensurePolished();
        QCOMPARE(seconds->palette().color(QPalette::WindowText), QColor(Qt::red));
        const QPoint offCentre = window->geometry().center() - window->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    }

    void buttonsCarryCaptionsHintsAndPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("cmddis") << "cmddis"
                                << "&Rozłącz natychmiast";
        QTest::newRow("cmdnotdis") << "cmdnotdis"
                                   << "&Nie rozłączaj";
    }
    void buttonsCarryCaptionsHintsAndPictures()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        ActionRig rig;
        rig.windows.showHangUp(15);
        auto *button = rig.window<HangUpCountdown>("frmdis")->findChild<PictureButton *>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->toolTip(), QStringLiteral("Minimalizuje program do ikonki"));
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->icon().pixmap(24, 24).isNull());
    }

    void altWithTheAccessKeyPressesTheButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("hangUps");
        QTest::newRow("Alt+R hangs up") << int(Qt::Key_R) << 1;
        QTest::newRow("Alt+N declines") << int(Qt::Key_N) << 0;
    }
    void altWithTheAccessKeyPressesTheButton()
    {
        QFETCH(int, key);
        QFETCH(int, hangUps);
        ActionRig rig;
        rig.complete(Chain::HangUp);
        // The window unloads itself once the button has acted.
        QPointer<HangUpCountdown> window = rig.window<HangUpCountdown>("frmdis");
        QVERIFY(QTest::qWaitForWindowActive(window));
        ActionRig::waitOutClickGuard();
        QTest::keyClick(window, Qt::Key(key), Qt::AltModifier);
        // The button shows itself pressed for a moment before it acts.
        QTRY_COMPARE(rig.finished.size(), 1);
        QCOMPARE(rig.dialup.hangUps, hangUps);
        QVERIFY(!window || !window->isVisible());
    }

    void rozWithoutButtonHangsUpOnTheFifteenthTick()
    {
        ActionRig rig;
        rig.complete(Chain::HangUp);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        QVERIFY(window->isVisible());
        QVERIFY(window->findChild<QTimer *>(QStringLiteral("timer_dis"))->isActive());
        for (int left = 14; left >= 1; --left) {
            window->countSecond();
            QCOMPARE(ActionRig::seconds(window), QString::number(left));
            QCOMPARE(rig.dialup.hangUps, 0);
            QVERIFY(window->isVisible());
        }
        window->countSecond();
        QCOMPARE(rig.dialup.hangUps, 1);
        QVERIFY(!window->isVisible());
        QCOMPARE(rig.finished.size(), 1);
        QCOMPARE(window->secondsLeft(), 15);
        QVERIFY(!rig.window<QWidget>("frmshut"));
        QCOMPARE(rig.power.powerOffs, 0);
        ActionRig::unloadClosed();
        QVERIFY(!rig.window<QWidget>("frmdis"));
    }

    void cmddisHangsUpAtOnce()
    {
        ActionRig rig;
        rig.complete(Chain::HangUp);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        window->countSecond();
        window->countSecond();
        window->hangUpNow();
        QCOMPARE(rig.dialup.hangUps, 1);
        QCOMPARE(window->secondsLeft(), 15);
        QVERIFY(!window->isVisible());
        QVERIFY(!window->findChild<QTimer *>(QStringLiteral("timer_dis"))->isActive());
        QCOMPARE(rig.finished.size(), 1);
    }

    void rozDeclinedReturnsToStoppedWithoutHangUp()
    {
        ActionRig rig;
        rig.complete(Chain::HangUp);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        window->countSecond();
        window->declineHangUp();
        QCOMPARE(rig.dialup.hangUps, 0);
        QCOMPARE(window->secondsLeft(), 15);
        QVERIFY(!window->isVisible());
        QCOMPARE(rig.finished.size(), 1);
        QVERIFY(!rig.window<QWidget>("frmshut"));
    }

    void aClosedWindowTicksNoMore()
    {
        // The decline leaves the timer to end with the window; a tick queued
        // in between must not move the count the power-off window shows.
        ActionRig rig;
        rig.complete(Chain::HangUpThenPowerOff);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        window->declineHangUp();
        QVERIFY(!window->findChild<QTimer *>(QStringLiteral("timer_dis"))->isActive());
    }

    void dwaDeclinedAtTenSecondsOpensThePowerOffCountdown()
    {
        ActionRig rig;
        rig.complete(Chain::HangUpThenPowerOff);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        for (int tick = 0; tick < 5; ++tick)
            window->countSecond();
        QCOMPARE(ActionRig::seconds(window), QStringLiteral("10"));
        window->declineHangUp();
        QCOMPARE(rig.dialup.hangUps, 0);
        QVERIFY(!window->isVisible());

        auto *shut = rig.window<PowerCountdown>("frmshut");
        QVERIFY(shut);
        QVERIFY(shut->isVisible());
        QCOMPARE(ActionRig::seconds(shut), QStringLiteral("15"));
        QVERIFY(shut->findChild<QTimer *>(QStringLiteral("timer_shut"))->isActive());
        QCOMPARE(rig.finished.size(), 0);

        for (int tick = 0; tick < 14; ++tick)
            shut->countSecond();
        QCOMPARE(rig.power.powerOffs, 0);
        shut->countSecond();
        QCOMPARE(rig.power.powerOffs, 1);
        QCOMPARE(rig.finished, QList{CompletionSequence::Outcome::Declined});
        QCOMPARE(rig.dialup.hangUps, 0);
    }

    void dwaAtZeroHangsUpThenCountsDownThePowerOff()
    {
        ActionRig rig;
        rig.complete(Chain::HangUpThenPowerOff);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        for (int tick = 0; tick < 15; ++tick)
            window->countSecond();
        QCOMPARE(rig.dialup.hangUps, 1);
        QVERIFY(!window->isVisible());
        auto *shut = rig.window<PowerCountdown>("frmshut");
        QVERIFY(shut && shut->isVisible());
        QCOMPARE(ActionRig::seconds(shut), QStringLiteral("15"));
        QCOMPARE(rig.finished.size(), 0);

        shut->declineAction();
        QCOMPARE(rig.power.powerOffs, 0);
        QCOMPARE(rig.finished.size(), 1);
    }

    void theWindowManagerCannotCloseIt()
    {
        ActionRig rig;
        rig.complete(Chain::HangUp);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->windowHandle()->close();
        QVERIFY(window->isVisible());
        QVERIFY(window->findChild<QTimer *>(QStringLiteral("timer_dis"))->isActive());
        QCOMPARE(rig.finished.size(), 0);
    }

    void theTickSoundPlaysBeforeTheCountMoves()
    {
        ActionRig rig;
        rig.folder.write(QStringLiteral("beep.wav"), "RIFF");
        QList<qint16> heard;
        rig.complete(Chain::HangUp);
        auto *window = rig.window<HangUpCountdown>("frmdis");
        rig.sound.whilePlaying = [&](const QString &) { heard.append(qint16(window->secondsLeft())); };
        QCOMPARE(rig.state.tickSound, rig.folder.file(QStringLiteral("beep.wav")));
        window->countSecond();
        window->countSecond();
        QCOMPARE(rig.sound.played, QStringList(2, rig.state.tickSound));
        QCOMPARE(heard, (QList<qint16>{15, 14}));
    }

    void noTickSoundMeansSilence()
    {
        ActionRig rig;
        rig.complete(Chain::HangUp);
        rig.window<HangUpCountdown>("frmdis")->countSecond();
        QVERIFY(rig.state.tickSound.isEmpty());
        QVERIFY(rig.sound.played.isEmpty());
    }
};

QTEST_MAIN(TestFrmdis)
#include "test_hangupcountdown.moc"
