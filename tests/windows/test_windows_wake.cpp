#include "actions/inhibit.h"
#include "support/trayrig.h"

#include <QtTest>

#include <windows.h>

using namespace quendral;

// The system's word that the computer woke, as it reaches the hidden window
// of the real sleep inhibitor, and the tick it brings forward.
class TestWindowsWake : public QObject
{
    Q_OBJECT

private slots:
    void aWakeBringsTheTickForward_data()
    {
        QTest::addColumn<bool>("monitoring");
        QTest::addColumn<WPARAM>("event");
        QTest::addColumn<int>("ticks");
        QTest::newRow("woke while monitoring") << true << WPARAM(PBT_APMRESUMEAUTOMATIC) << 1;
        QTest::newRow("woke while stopped") << false << WPARAM(PBT_APMRESUMEAUTOMATIC) << 0;
        QTest::newRow("about to sleep") << true << WPARAM(PBT_APMSUSPEND) << 0;
    }
    void aWakeBringsTheTickForward()
    {
        QFETCH(bool, monitoring);
        QFETCH(WPARAM, event);
        QFETCH(int, ticks);
        const std::unique_ptr<SleepInhibitor> inhibitor = makeSleepInhibitor();
        test::TrayRig rig;
        rig.sleepInhibitor = inhibitor.get();
        rig.setOptions({});
        rig.setWatchList({rig.absent(QStringLiteral("a.zip"))});
        rig.load();
        if (monitoring)
            QVERIFY(!rig.monitor->start());
        QSignalSpy ticked(rig.monitor.get(), &Monitor::ticked);

        // A top-level window, as power broadcasts reach no other.
        const HWND window = FindWindowW(L"QuendralPowerNotices", nullptr);
        QVERIFY(window);
        QVERIFY(PostMessageW(window, WM_POWERBROADCAST, event, 0));
        // Well before the next regular tick.
        QTest::qWait(Monitor::kWakeTickMs + 1000);
        QCOMPARE(ticked.size(), ticks);
    }
};

QTEST_MAIN(TestWindowsWake)
#include "test_windows_wake.moc"
