#include "core/frmtray.h"
#include "info/frmprehelp.h"
#include "lang/language.h"
#include "support/trayrig.h"

#include <QApplication>
#include <QtTest>

#include <memory>

using namespace quendral;

// Every window that once cut its title short is wide enough for it, in each
// shipped language: as wide as the title in a bold title-bar font plus room
// for an icon and three buttons.
class TestWindowTitles : public QObject
{
    Q_OBJECT

private slots:
    void wideEnoughForTheTitle_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("window");
        for (const char *language : {"Polish.ini", "English.ini"})
            for (const char *window : {"frmshut", "frmdis", "frminfo", "frmprehelp", "frmtray"})
                QTest::addRow("%s %s", language, window) << language << window;
    }

    void wideEnoughForTheTitle()
    {
        QFETCH(QString, language);
        QFETCH(QString, window);
        test::TrayRig rig(test::ProgramFolder::Languages::Shipped);
        rig.folder.write(QStringLiteral("Settings.ini"), "[options]\r\nlanguage=" + language.toLatin1() + "\r\n");
        rig.loadLanguage = [&rig] { LoadLanguage(rig.state); };
        frmnotunload &tray = rig.load();
        std::unique_ptr<QWidget> owned;
        QWidget *shown = nullptr;
        if (window == QLatin1String("frmtray"))
            owned = std::make_unique<frmtray>(tray.trayMenu(), tray.trayIcon(), rig.loadLanguage);
        else if (window == QLatin1String("frmprehelp"))
            owned = std::make_unique<frmprehelp>(rig.state, rig.factory, rig.loadLanguage);
        else
            shown = rig.factory.show(window);
        if (owned) {
            owned->show();
            shown = owned.get();
        }
        QVERIFY(shown);
        QVERIFY(!shown->windowTitle().isEmpty());

        QFont font = QApplication::font();
        font.setBold(true);
        const QFontMetrics metrics(font);
        QVERIFY2(shown->width() >= metrics.horizontalAdvance(shown->windowTitle()) + 4 * metrics.height(),
                 qPrintable(QStringLiteral("%1 wide for \"%2\"").arg(shown->width()).arg(shown->windowTitle())));
    }
};

QTEST_MAIN(TestWindowTitles)
#include "test_windowtitles.moc"
