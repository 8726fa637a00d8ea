#include "kit/messagebox.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"
#include "support/testsupport.h"
#include "support/trayrig.h"
#include "tray/trayicon.h"
#include "tray/traystandin.h"
#include "tray/traywindow.h"

#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace quendral;
using Request = WindowFactory::Request;

namespace {

// The tray window and the stand-in window over its menu.
struct Fixture : test::TrayRig
{
    int languagePasses = 0;
    TrayWindow *tray;
    std::unique_ptr<TrayStandIn> standIn;

    Fixture()
    {
        state.messages = {{QStringLiteral("nofiles"), QStringLiteral("NOFILES")},
                          {QStringLiteral("endprogram"), QStringLiteral("ENDPROGRAM")}};
        tray = &load();
        standIn =
            std::make_unique<TrayStandIn>(tray->trayMenu(), tray->trayIcon(), [this](QWidget *) { ++languagePasses; });
    }

    QPushButton *button(const QString &name) const
    {
        auto *found = standIn->findChild<QPushButton *>(name);
        if (!found)
            qFatal("no button %s", qPrintable(name));
        return found;
    }
    QAction *entry(const QString &name) const { return tray->findChild<QAction *>(name); }
    QString status() const { return standIn->findChild<QLabel *>(QStringLiteral("lblstatus"))->text(); }
    QString label(const QString &name) const { return tray->findChild<QLabel *>(name)->text(); }
    static QImage picture(const QIcon &icon) { return icon.pixmap(16, 16).toImage(); }
};

} // namespace

class TestFrmtray : public QObject
{
    Q_OBJECT

private slots:
    void showsTheMenuEntriesInOrderAndTheTooltip()
    {
        Fixture f;
        QCOMPARE(f.standIn->objectName(), QStringLiteral("frmtray"));
        QCOMPARE(f.standIn->windowTitle(), QStringLiteral("Quendral"));
        QVERIFY(f.standIn->isWindow());
        QCOMPARE(f.languagePasses, 1);
        QStringList names;
        for (QPushButton *button : f.standIn->findChildren<QPushButton *>())
            names.append(button->objectName());
        QCOMPARE(names, QStringList({"cmdmonit", "cmdaddfile", "cmdoptions", "cmdhelp", "cmdabout", "cmdexit"}));
        for (const QString &name : names) {
            QCOMPARE(f.button(name)->text(), f.entry(name)->text());
            QVERIFY(!f.button(name)->icon().isNull());
            QCOMPARE(Fixture::picture(f.button(name)->icon()), Fixture::picture(f.entry(name)->icon()));
        }
        QCOMPARE(f.status(), f.tray->trayIcon().toolTip());
        QVERIFY(!f.status().isEmpty());
    }

    void buttonsRunTheirEntries()
    {
        Fixture f;
        for (const char *name : {"cmdoptions", "cmdhelp", "cmdabout"})
            f.button(QString::fromLatin1(name))->click();
        QCOMPARE(f.requests,
                 (QList<QPair<QString, Request>>{
                     {"frmmain", Request::Show}, {"frmprehelp", Request::Show}, {"frmabout", Request::Show}}));

        test::MessageBoxes boxes;
        f.button(QStringLiteral("cmdmonit"))->click();
        QCOMPARE(boxes.texts(), QStringList{"NOFILES"});
    }

    void monitorButtonAndStatusFollowTheMonitoringState()
    {
        Fixture f;
        f.folder.write(QStringLiteral("Settings.ini"),
                       "[Files]\nfile0=" + f.folder.file(QStringLiteral("a.zip")).toUtf8() + '\n');
        const QImage stopped = Fixture::picture(f.button(QStringLiteral("cmdmonit"))->icon());

        f.button(QStringLiteral("cmdmonit"))->click();
        QCOMPARE(f.button(QStringLiteral("cmdmonit"))->text(), f.label(QStringLiteral("lblstop")));
        QCOMPARE(f.status(), f.label(QStringLiteral("lbltooltipactive")));
        const QImage running = Fixture::picture(f.button(QStringLiteral("cmdmonit"))->icon());
        QVERIFY(running != stopped);

        f.button(QStringLiteral("cmdmonit"))->click();
        QCOMPARE(f.button(QStringLiteral("cmdmonit"))->text(), f.label(QStringLiteral("lblstart")));
        QCOMPARE(f.status(), f.label(QStringLiteral("lbltooltipnotactive")));
        QVERIFY(Fixture::picture(f.button(QStringLiteral("cmdmonit"))->icon()) != running);
        QCOMPARE(Fixture::picture(f.button(QStringLiteral("cmdmonit"))->icon()),
                 Fixture::picture(f.entry(QStringLiteral("cmdmonit"))->icon()));
    }

    // While a countdown runs, the menu and the stand-in window offer to decline it.
    void declineComesAndGoesWithTheCountdown()
    {
        Fixture f;
        f.setOptions({{"autodisconnect", "1"}});
        f.setWatchList({f.present(QStringLiteral("a.zip"))});
        f.tray->startOrStopMonitoring();
        // The buttons in the window's order.
        const auto names = [&f] {
            QStringList names;
            for (int i = 0; i < f.standIn->layout()->count(); ++i) {
                if (auto *button = qobject_cast<QPushButton *>(f.standIn->layout()->itemAt(i)->widget()))
                    names.append(button->objectName());
            }
            return names;
        };
        const QStringList idle = names();
        QVERIFY(!f.tray->trayMenu().actions().contains(f.entry(QStringLiteral("cmddecline"))));

        f.monitor->tick();
        QVERIFY(f.monitor->countdownRunning());
        QCOMPARE(f.tray->trayMenu().actions().first(), f.entry(QStringLiteral("cmddecline")));
        QCOMPARE(names(), QStringList{"cmddecline"} + idle);
        f.button(QStringLiteral("cmddecline"))->click();
        QTest::qWait(0);

        QVERIFY(!f.monitor->countdownRunning());
        QCOMPARE(f.dialup.hangUps, 0);
        QCOMPARE(names(), idle);
        QVERIFY(!f.tray->trayMenu().actions().contains(f.entry(QStringLiteral("cmddecline"))));
    }

    void closingAsksToEndTheProgram_data()
    {
        QTest::addColumn<msgbox::Answer>("answer");
        QTest::addColumn<int>("ends");
        QTest::newRow("no") << msgbox::Answer::No << 0;
        QTest::newRow("yes") << msgbox::Answer::Yes << 1;
    }
    void closingAsksToEndTheProgram()
    {
        QFETCH(msgbox::Answer, answer);
        QFETCH(int, ends);
        Fixture f;
        f.standIn->show();
        test::MessageBoxes boxes(answer);
        QVERIFY(!f.standIn->close());
        QCOMPARE(boxes.texts(), QStringList{"ENDPROGRAM"});
        QCOMPARE(f.exits, ends);
        QCOMPARE(f.tray->trayIcon().isVisible(), ends == 0);
        // The window stays; ending the program takes it.
        QVERIFY(f.standIn->isVisible());
    }
};

QTEST_MAIN(TestFrmtray)
#include "test_traystandin.moc"
