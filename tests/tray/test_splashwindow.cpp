#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "settings/userdata.h"
#include "support/testsupport.h"
#include "support/windowrig.h"
#include "tray/singleinstance.h"
#include "tray/splashwindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QWindow>
#include <QtTest>

#include <memory>
#include <optional>

using namespace quendral;

using Requests = test::WindowRig::Requests;

class TestSplash : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::WindowRig> m_rig;
    std::unique_ptr<SingleInstance> m_instance;

    QString programFile() const { return m_rig->folder.file(QStringLiteral("quendral")); }
    AppState &state() const { return m_rig->state; }
    const Requests &requests() const { return m_rig->requests; }

    SplashWindow *makeSplash() { return makeSplash(m_rig->state); }
    SplashWindow *makeSplash(AppState &state) { return new SplashWindow(state, m_rig->factory, *m_instance); }

    // The ticks, then the loop's next turn, which finishes the tenth.
    static void tick(SplashWindow *window, int times)
    {
        for (int i = 0; i < times; ++i)
            window->animate();
        QCoreApplication::sendPostedEvents();
    }

    static QStringList dotColours(const SplashWindow *window)
    {
        QStringList colours;
        for (int i = 1; i <= 9; ++i)
            colours.append(window->Linia(i)->color() == QColor(0, 255, 0)   ? QStringLiteral("green")
                           : window->Linia(i)->color() == QColor(255, 0, 0) ? QStringLiteral("red")
                                                                            : QStringLiteral("other"));
        return colours;
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void init()
    {
        m_rig = std::make_unique<test::WindowRig>();
        m_rig->folder.write(QStringLiteral("quendral"), {});
        m_rig->state.messages.insert(QStringLiteral("doublerun"), QStringLiteral("Quendral is already running!"));
        m_instance = std::make_unique<SingleInstance>(programFile());
    }

    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            delete window;
        m_rig.reset();
        m_instance.reset();
    }

    // Load

    void loadCarriesTheNamedControls()
    {
        QPointer<SplashWindow> window = makeSplash();
        QCOMPARE(window->objectName(), QStringLiteral("splash"));
        for (const char *name :
             {"Label1", "Label2", "lblloading", "Image1", "Image2", "Line1", "Line2", "Line3", "Line4"})
            QVERIFY2(window->findChild<QWidget *>(QString::fromLatin1(name)), name);
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Quendral"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("lblloading"))->text(),
                 QStringLiteral("Program is loading..."));
        for (int i = 1; i <= 9; ++i)
            QCOMPARE(window->findChild<SplashDot *>(QStringLiteral("Linia%1").arg(i)), window->Linia(i));
    }

    void loadStartsTimer1WithAllDotsRed()
    {
        QPointer<SplashWindow> window = makeSplash();
        QVERIFY(!window->refused());
        QVERIFY(window->Timer1()->isActive());
        QCOMPARE(window->Timer1()->interval(), 100);
        QCOMPARE(dotColours(window), QStringList(9, QStringLiteral("red")));
        QVERIFY(requests().isEmpty());
    }

    void dotsStandInOneRowLeftToRight()
    {
        QPointer<SplashWindow> window = makeSplash();
        for (int i = 2; i <= 9; ++i) {
            QCOMPARE(window->Linia(i)->y(), window->Linia(1)->y());
            QCOMPARE(window->Linia(i)->x() - window->Linia(i - 1)->x(), 16); // 240 twips
        }
        QVERIFY(window->Linia(9)->geometry().right() < window->width());
    }

    // Ticks

    void dotsTurnGreenOneAfterAnother()
    {
        QPointer<SplashWindow> window = makeSplash();
        tick(window, 3);
        QCOMPARE(dotColours(window),
                 QStringList({"green", "green", "green", "red", "red", "red", "red", "red", "red"}));
        tick(window, 6);
        QCOMPARE(dotColours(window), QStringList(9, QStringLiteral("green")));
        QVERIFY(requests().isEmpty());
        QVERIFY(window->Timer1()->isActive());
    }

    void firstStartLoadsTheTrayWindowAndShowsTheOptions()
    {
        m_rig->factory.setCreator(QStringLiteral("frmnotunload"), [] { return new QWidget; });
        m_rig->factory.setCreator(QStringLiteral("frmmain"), [] { return new QWidget; });
        QPointer<SplashWindow> window = makeSplash();
        window->show();
        tick(window, 10);

        QCOMPARE(requests(), Requests({{QStringLiteral("frmnotunload"), WindowFactory::Request::Load},
                                       {QStringLiteral("frmmain"), WindowFactory::Request::Show}}));
        QVERIFY(m_rig->factory.loaded(QStringLiteral("frmnotunload")));
        QVERIFY(!m_rig->factory.isVisible(QStringLiteral("frmnotunload")));
        QVERIFY(m_rig->factory.isVisible(QStringLiteral("frmmain")));
        QCOMPARE(state().store.GetUserSetting(QStringLiteral("first")), QStringLiteral("1"));
        flushDeletes();
        QVERIFY(window.isNull());
    }

    void theTrayWindowIsLoadedBeforeTheLoopTurnsAndTheOptionsAfter()
    {
        QPointer<SplashWindow> window = makeSplash();
        for (int i = 0; i < 10; ++i)
            window->animate();
        QCOMPARE(requests(), Requests({{QStringLiteral("frmnotunload"), WindowFactory::Request::Load}}));
        QVERIFY(window);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(requests().size(), 2);
        QCOMPARE(requests().last().first, QStringLiteral("frmmain"));
    }

    void laterStartsLoadTheOptionsHidden_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("one") << "1";
        QTest::newRow("two") << "2";
        QTest::newRow("number with text after it") << " 7 times";
    }

    void laterStartsLoadTheOptionsHidden()
    {
        QFETCH(QString, first);
        QVERIFY(state().store.SaveUserSetting(QStringLiteral("first"), first));
        QPointer<SplashWindow> window = makeSplash();
        tick(window, 10);
        QCOMPARE(requests(), Requests({{QStringLiteral("frmnotunload"), WindowFactory::Request::Load},
                                       {QStringLiteral("frmmain"), WindowFactory::Request::Load}}));
        QCOMPARE(state().store.GetUserSetting(QStringLiteral("first")), first);
    }

    void aValueThatReadsZeroIsAFirstStart_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("zero") << "0";
        QTest::newRow("text") << "yes";
    }

    void aValueThatReadsZeroIsAFirstStart()
    {
        QFETCH(QString, first);
        QVERIFY(state().store.SaveUserSetting(QStringLiteral("first"), first));
        QPointer<SplashWindow> window = makeSplash();
        tick(window, 10);
        QCOMPARE(requests().last(), std::make_pair(QStringLiteral("frmmain"), WindowFactory::Request::Show));
        QCOMPARE(state().store.GetUserSetting(QStringLiteral("first")), QStringLiteral("1"));
    }

    void theRealTimerClosesTheWindowAfterAboutOneSecond()
    {
        QElapsedTimer clock;
        clock.start();
        QPointer<SplashWindow> window = makeSplash();
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
        QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(requests().size(), 2);
    }

    void aCloseRequestDuringTheLoadingIsRefused()
    {
        QPointer<SplashWindow> window = makeSplash();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        tick(window, 4);
        window->windowHandle()->close();
        flushDeletes();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->Timer1()->isActive());

        // The start-up still ends as usual, tray window included.
        tick(window, 6);
        QCOMPARE(requests().first(), std::make_pair(QStringLiteral("frmnotunload"), WindowFactory::Request::Load));
        flushDeletes();
        QVERIFY(window.isNull());
    }

    // Second copy

    // Only where the settings live in the per-user folder: below a plain
    // file, the program folder cannot be written.
    void anUnusableDataFolderIsReportedAtStart_data()
    {
        QTest::addColumn<QString>("inItsPlace");
        QTest::addColumn<bool>("reported");
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("a file") << "file" << true;
        QTest::newRow("a dangling link") << "link" << true;
        QTest::newRow("a read-only folder") << "read-only" << true;
    }

    void anUnusableDataFolderIsReportedAtStart()
    {
        QFETCH(QString, inItsPlace);
        QFETCH(bool, reported);
        const QString folder = userDataFolder();
        const QString entry = QDir::cleanPath(folder);
        QDir(folder).removeRecursively();
        QDir().mkpath(dataHome());
        std::optional<test::ReadOnlyView> view;
        if (inItsPlace == "file")
            QVERIFY(QFile::copy(programFile(), entry));
        else if (inItsPlace == "link")
            QVERIFY(QFile::link(dataHome() + "/nowhere", entry));
        else
            QDir().mkpath(folder);
        if (inItsPlace == "read-only" && !view.emplace(folder, folder).ok())
            QSKIP("this process may not mount a read-only view");
        m_rig->folder.write(QStringLiteral("blocker"), {});
        AppState perUser(m_rig->folder.file(QStringLiteral("blocker/program/")));
        perUser.messages.insert(QStringLiteral("datafolderunusable"), QStringLiteral("UNUSABLE"));
        test::MessageBoxes boxes;
        delete makeSplash(perUser);
        view.reset();
        QFile::remove(entry);
        QCOMPARE(boxes.texts(), reported ? QStringList{"UNUSABLE\n\n" + folder} : QStringList{});
    }

    void aSecondCopySaysDoublerunAndGoesNoFurther()
    {
        SingleInstance running(programFile());
        QVERIFY(running.acquire());
        test::MessageBoxes boxes;
        QPointer<SplashWindow> window = makeSplash();

        QVERIFY(window->refused());
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown().first().text, QStringLiteral("Quendral is already running!"));
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Information);
        QCOMPARE(boxes.shown().first().buttons, msgbox::Buttons::Ok);
        QVERIFY(!window->isVisible());
        QVERIFY(!window->Timer1()->isActive());
        QVERIFY(requests().isEmpty());
    }
};

QTEST_MAIN(TestSplash)
#include "test_splashwindow.moc"
