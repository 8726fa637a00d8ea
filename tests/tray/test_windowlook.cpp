#include "info/helplanguagewindow.h"
#include "kit/messagebox.h"
#include "kit/picturebutton.h"
#include "lang/language.h"
#include "support/trayrig.h"
#include "tray/traystandin.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QtTest>

#include <memory>

using namespace quendral;

class TestWindowLook : public QObject
{
    Q_OBJECT

private slots:
    // Every window that once cut its title short is wide enough for it, in
    // each shipped language: as wide as the title in a bold title-bar font
    // plus room for an icon and three buttons.
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
        TrayWindow &tray = rig.load();
        std::unique_ptr<QWidget> owned;
        QWidget *shown = nullptr;
        if (window == QLatin1String("frmtray"))
            owned = std::make_unique<TrayStandIn>(tray.trayMenu(), tray.trayIcon(),
                                                  [&rig](QWidget *) { rig.loadLanguage(); });
        else if (window == QLatin1String("frmprehelp"))
            owned =
                std::make_unique<HelpLanguageWindow>(rig.state, rig.factory, [&rig](QWidget *) { rig.loadLanguage(); });
        else if (window == QLatin1String("frmdis"))
            shown = rig.actionWindows.showHangUp(15);
        else if (window == QLatin1String("frmshut"))
            shown = rig.actionWindows.showPowerAction(PowerControl::Action::PowerOff, 15);
        else
            shown = rig.actionWindows.showNotice(CompletionChoice());
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

    // Over its window when that is in sight, else in the middle of the screen.
    void messageBoxesOpenCentred_data()
    {
        QTest::addColumn<bool>("parentShown");
        QTest::addRow("over its window") << true;
        QTest::addRow("its window hidden") << false;
    }

    void messageBoxesOpenCentred()
    {
        QFETCH(bool, parentShown);
        QWidget parent;
        parent.setGeometry(20, 20, 300, 200);
        if (parentShown) {
            parent.show();
            QVERIFY(QTest::qWaitForWindowExposed(&parent));
        }
        QPoint centre;
        QTimer::singleShot(0, &parent, [&centre] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            centre = box->geometry().center();
            box->done(0);
        });
        msgbox::show(&parent, QStringLiteral("text"), msgbox::Icon::Information);
        const QPoint expected =
            parentShown ? parent.frameGeometry().center() : parent.screen()->availableGeometry().center();
        QVERIFY2((centre - expected).manhattanLength() <= 6,
                 qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    }

    // A caption keeps a space's room from its picture, and room from the edges.
    void pictureButtonsKeepRoomAroundTheCaption()
    {
        QPushButton plain(QStringLiteral("Remove file"));
        PictureButton button(QStringLiteral("Remove file"));
        QVERIFY(button.sizeHint().width() > plain.sizeHint().width());
        plain.setIcon(QIcon(QStringLiteral(":/quendral/actions/decline.svg")));
        button.setPictures(plain.icon());
        QVERIFY(button.sizeHint().width() - plain.sizeHint().width() >= button.fontMetrics().horizontalAdvance(u' '));
    }
};

QTEST_MAIN(TestWindowLook)
#include "test_windowlook.moc"
