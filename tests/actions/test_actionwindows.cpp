#include "actionrig.h"

#include "actions/frmdis.h"
#include "actions/frminfo.h"
#include "actions/frmshut.h"

#include <QFile>
#include <QTimer>
#include <QtTest>

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
        rig.windows.showNotice();
        QVERIFY(qobject_cast<frminfo *>(rig.factory.loaded(QStringLiteral("frminfo"))));
        QVERIFY(rig.factory.isVisible(QStringLiteral("frminfo")));
        QCOMPARE(rig.sound.played, QStringList{QStringLiteral("beep")});
        rig.complete(CompletionMode::HangUp);
        QVERIFY(rig.factory.isVisible(QStringLiteral("frmdis")));
        // The notice stands apart: the countdown does not close it.
        rig.window<frmdis>("frmdis")->cmdnotdis_Click();
        QVERIFY(rig.factory.isVisible(QStringLiteral("frminfo")));
    }

    void theLanguagePassFindsTheLoadingWindowAndItsControls()
    {
        ProgramFolder folder;
        AppState state(folder.path());
        FakeSound sound;
        FakeDialup dialup;
        FakePower power;
        FakeNotifier notifier;
        WindowFactory factory;
        QStringList seen;
        auto pass = [&] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (window->objectName().startsWith(QLatin1String("frm")) && window->isHidden() &&
                    window->findChild<QLabel *>(QStringLiteral("lbls")))
                    seen.append(window->objectName());
            }
        };
        ActionWindows windows(factory, {state, sound, [] {}, pass}, dialup, power, notifier);
        windows.showHangUp();
        windows.showPowerOff();
        QCOMPARE(seen, (QStringList{QStringLiteral("frmdis"), QStringLiteral("frmshut")}));
        QVERIFY(loadedWindowNames().contains(QStringLiteral("frmshut")));
        delete factory.loaded(QStringLiteral("frmdis"));
        delete factory.loaded(QStringLiteral("frmshut"));
    }

    void bothWindowsShareOneCounter()
    {
        ActionRig rig;
        rig.complete(CompletionMode::HangUpThenPowerOff);
        auto *dis = rig.window<frmdis>("frmdis");
        for (int tick = 0; tick < 5; ++tick)
            dis->timer_dis_Timer();
        QCOMPARE(rig.state.countdown, qint16(10));
        dis->cmdnotdis_Click();
        auto *shut = rig.window<frmshut>("frmshut");
        QCOMPARE(rig.state.countdown, qint16(15));
        shut->timer_shut_Timer();
        QCOMPARE(rig.state.countdown, qint16(14));
        // A count left elsewhere is what the window's own tick continues from.
        rig.state.countdown = 2;
        shut->timer_shut_Timer();
        QCOMPARE(ActionRig::seconds(shut), QStringLiteral("1"));
        shut->timer_shut_Timer();
        QCOMPARE(rig.power.powerOffs, 1);
    }

    void theTickSoundIsKeptAfterTheFileIsRemoved()
    {
        ActionRig rig;
        const QString beep = rig.folder.file(QStringLiteral("beep.wav"));
        rig.folder.write(QStringLiteral("beep.wav"), "RIFF");
        rig.complete(CompletionMode::HangUpThenPowerOff);
        QCOMPARE(rig.state.tick_sound, beep);
        QVERIFY(QFile::remove(beep));

        rig.window<frmdis>("frmdis")->cmdnotdis_Click();
        auto *shut = rig.window<frmshut>("frmshut");
        QCOMPARE(rig.state.tick_sound, beep);
        // The player gets the old path; for a missing file it plays the
        // default sound (checked with the real player).
        shut->timer_shut_Timer();
        QCOMPARE(rig.sound.played, QStringList{beep});
    }

    void aLaterCompletionOpensTheWindowsAfresh()
    {
        ActionRig rig;
        rig.complete(CompletionMode::HangUp);
        rig.window<frmdis>("frmdis")->timer_dis_Timer();
        rig.window<frmdis>("frmdis")->cmdnotdis_Click();
        ActionRig::unloadClosed();
        rig.complete(CompletionMode::HangUp);
        auto *again = rig.window<frmdis>("frmdis");
        QVERIFY(again && again->isVisible());
        QCOMPARE(ActionRig::seconds(again), QStringLiteral("15"));
        QVERIFY(again->findChild<QTimer *>(QStringLiteral("timer_dis"))->isActive());
        QCOMPARE(rig.languagePasses, 2);
    }
};

QTEST_MAIN(TestActionWindows)
#include "test_actionwindows.moc"
