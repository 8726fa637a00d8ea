#include "tray/trayhosts.h"
#include "tray/trayicon.h"
#include "tray/trayplacement.h"

#include <QMenu>
#include <QPointer>
#include <QtTest>

using namespace quendral;
using namespace std::chrono_literals;

namespace {

// A desktop whose notification area comes and goes at the test's word.
class FakeTrayHosts : public TrayHosts
{
public:
    TrayKind present() const override { return kind; }
    void appear(TrayKind appearing)
    {
        kind = appearing;
        emit changed();
    }

    TrayKind kind = TrayKind::None;
};

struct Fixture
{
    static constexpr auto kGrace = 30ms;

    TrayIcon icon;
    QMenu menu;
    std::unique_ptr<FakeTrayHosts> owned = std::make_unique<FakeTrayHosts>();
    QPointer<FakeTrayHosts> hosts = owned.get();
    int shows = 0;
    int hides = 0;
    std::unique_ptr<TrayPlacement> placement;

    Fixture()
    {
        icon.setMenu(&menu);
        icon.setToolTip(QStringLiteral("Idle"));
        icon.showRunningLook();
    }
    void place()
    {
        placement = std::make_unique<TrayPlacement>(
            icon, std::move(owned), [this] { ++shows; }, [this] { ++hides; }, kGrace);
    }
    // Long enough for the grace period to have run out.
    static void pastGrace() { QTest::qWait(int(kGrace.count()) * 4); }
};

} // namespace

class TestTrayPlacement : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data()
    {
        QTest::addColumn<TrayKind>("kind");
        QTest::newRow("StatusNotifier host") << TrayKind::StatusNotifier;
        QTest::newRow("embedding tray") << TrayKind::Embedding;
    }

    void anAreaAtStartGetsTheIconAtOnce_data() { kinds_data(); }
    void anAreaAtStartGetsTheIconAtOnce()
    {
        QFETCH(TrayKind, kind);
        Fixture f;
        f.hosts->kind = kind;
        f.place();
        QVERIFY(f.icon.attached());
        QVERIFY(f.icon.attached()->isVisible());
        QCOMPARE(f.icon.attached()->toolTip(), QStringLiteral("Idle"));
        QCOMPARE(f.icon.attached()->contextMenu(), kind == TrayKind::StatusNotifier ? &f.menu : nullptr);
        Fixture::pastGrace();
        QCOMPARE(f.shows, 0);
    }

    void anAreaWithinTheGraceShowsNoWindow_data() { kinds_data(); }
    void anAreaWithinTheGraceShowsNoWindow()
    {
        QFETCH(TrayKind, kind);
        Fixture f;
        f.place();
        QVERIFY(!f.icon.attached());
        f.hosts->appear(kind);
        QVERIFY(f.icon.attached());
        Fixture::pastGrace();
        QCOMPARE(f.shows, 0);
        QCOMPARE(f.hides, 0);
    }

    void noAreaShowsTheWindowUntilOneAppears_data() { kinds_data(); }
    void noAreaShowsTheWindowUntilOneAppears()
    {
        QFETCH(TrayKind, kind);
        Fixture f;
        f.place();
        QTRY_COMPARE(f.shows, 1);
        QVERIFY(!f.icon.attached());
        // A signal with still no area changes nothing.
        f.hosts->appear(TrayKind::None);
        QVERIFY(!f.icon.attached());
        QCOMPARE(f.hides, 0);

        f.hosts->appear(kind);
        QVERIFY(f.icon.attached());
        QCOMPARE(f.hides, 1);
        Fixture::pastGrace();
        QCOMPARE(f.shows, 1);
    }

    // Qt keeps to the kind of area it made the icon for.
    void anAreaThatGoesIsStoodInForUntilItComesBack_data() { kinds_data(); }
    void anAreaThatGoesIsStoodInForUntilItComesBack()
    {
        QFETCH(TrayKind, kind);
        Fixture f;
        f.hosts->kind = kind;
        f.place();
        QSystemTrayIcon *made = f.icon.attached();
        f.hosts->appear(kind == TrayKind::Embedding ? TrayKind::StatusNotifier : TrayKind::Embedding);
        QCOMPARE(f.shows, 0);
        QTRY_COMPARE(f.shows, 1);

        f.hosts->appear(kind);
        QCOMPARE(f.hides, 1);
        QCOMPARE(f.icon.attached(), made);
        QVERIFY(made->isVisible());
        // Back within the grace period: no window at all.
        f.hosts->appear(TrayKind::None);
        f.hosts->appear(kind);
        Fixture::pastGrace();
        QCOMPARE(f.shows + f.hides, 2);
    }

    void theIconKeepsWhatWasSetBeforeItWasMade()
    {
        Fixture f;
        f.place();
        f.icon.showStoppedLook();
        f.icon.setToolTip(QStringLiteral("Busy"));
        QSignalSpy toolTips(&f.icon, &TrayIcon::toolTipChanged);
        f.icon.setToolTip(QStringLiteral("Busy"));
        QCOMPARE(toolTips.count(), 0);
        f.icon.removeIcon();
        f.hosts->appear(TrayKind::Embedding);
        QSystemTrayIcon *made = f.icon.attached();
        QVERIFY(made);
        QVERIFY(!made->isVisible());
        QCOMPARE(made->toolTip(), QStringLiteral("Busy"));
        QCOMPARE(made->icon().pixmap(32, 32).toImage(), f.icon.icon().pixmap(32, 32).toImage());
        QCOMPARE(f.icon.look(), TrayIcon::Look::Stopped);
    }
};

QTEST_MAIN(TestTrayPlacement)
#include "test_trayplacement.moc"
