#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "support/testsupport.h"
#include "tray/singleinstance.h"
#include "tray/startup.h"
#include "tray/startupmemory.h"

#include <QApplication>
#include <QLabel>
#include <QPixmapCache>
#include <QtTest>

#include <memory>

using namespace quendral;

class TestStylexp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProgramFolder> m_folder;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<WindowFactory> m_factory;
    std::unique_ptr<SingleInstance> m_instance;
    // What the entry procedure called, in order; "language+splash" is a
    // language pass that found the splash window loaded.
    QStringList m_calls;

    QString programFile() const { return m_folder->file(QStringLiteral("quendral")); }

    static QWidget *splashWindow()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == QLatin1String("splash"))
                return window;
        return nullptr;
    }

    bool start(const QStringList &arguments)
    {
        // As main() runs the two steps.
        if (uninstallSwitch(
                arguments, [this] { m_calls.append(QStringLiteral("RemoveBrowserButton")); },
                [this] { m_calls.append(QStringLiteral("RemoveAutostart")); }))
            return false;
        const StartUp startUp{*m_state, *m_factory, *m_instance, [this](QWidget *) {
                                  m_calls.append(splashWindow() ? QStringLiteral("language+splash")
                                                                : QStringLiteral("language"));
                                  m_state->messages.insert(QStringLiteral("doublerun"), QStringLiteral("Już działa"));
                              }};
        return runStartUp(startUp);
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<test::ProgramFolder>();
        m_folder->write(QStringLiteral("quendral"), {});
        m_state = std::make_unique<AppState>(m_folder->path());
        m_factory = std::make_unique<WindowFactory>();
        m_instance = std::make_unique<SingleInstance>(programFile());
        m_calls.clear();
    }

    void cleanup()
    {
        delete splashWindow();
        m_instance.reset();
    }

    void aNormalStartShowsTheSplashBetweenTwoLanguagePasses()
    {
        test::MessageBoxes boxes;
        QVERIFY(start({}));
        QCOMPARE(m_calls, QStringList({"language", "language+splash"}));
        QVERIFY(splashWindow());
        QVERIFY(splashWindow()->isVisible());
        QVERIFY(boxes.shown().isEmpty());
    }

    void theUninstallSwitchRemovesBothEntriesAndEnds()
    {
        test::MessageBoxes boxes;
        QVERIFY(!start({QStringLiteral("\\uninstallme")}));
        QCOMPARE(m_calls, QStringList({"RemoveBrowserButton", "RemoveAutostart"}));
        QVERIFY(!splashWindow());
        QVERIFY(boxes.shown().isEmpty());
    }

    void theUninstallSwitchWorksWhileAnotherCopyRuns()
    {
        SingleInstance running(programFile());
        QVERIFY(running.acquire());
        test::MessageBoxes boxes;
        QVERIFY(!start({QStringLiteral("\\uninstallme")}));
        QCOMPARE(m_calls, QStringList({"RemoveBrowserButton", "RemoveAutostart"}));
        QVERIFY(boxes.shown().isEmpty());
    }

    void anythingButTheExactSwitchAloneIsANormalStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("capitals") << QStringList{"\\UNINSTALLME"};
        QTest::newRow("more after it") << QStringList{"\\uninstallme", "now"};
        QTest::newRow("after another") << QStringList{"now", "\\uninstallme"};
        QTest::newRow("without backslash") << QStringList{"uninstallme"};
        QTest::newRow("with blank") << QStringList{"\\uninstallme "};
    }

    void anythingButTheExactSwitchAloneIsANormalStart()
    {
        QFETCH(QStringList, arguments);
        QVERIFY(start(arguments));
        QCOMPARE(m_calls, QStringList({"language", "language+splash"}));
        QVERIFY(splashWindow());
    }

    void windowsDrawTheSameAfterTheStartUpMemoryIsGivenBack()
    {
        // Fonts in use keep working once the cache that loaded them is gone;
        // a font engine freed under them would show here (or under ASan).
        QLabel shown(QStringLiteral("Kontrola pobieranych plików"));
        shown.setFont(QFont(QStringLiteral("Comic Sans MS"), 24));
        shown.resize(400, 60);
        const QImage before = shown.grab().toImage();
        const int height = shown.fontMetrics().height();
        QVERIFY(start({}));
        delete splashWindow();
        QTest::qWait(20); // the queued release
        releaseStartUpMemory();
        QCOMPARE(shown.fontMetrics().height(), height);
        QCOMPARE(shown.grab().toImage(), before);
        QLabel later(QStringLiteral("Quendral"));
        later.setFont(QFont(QStringLiteral("Comic Sans MS"), 24));
        QCOMPARE(later.fontMetrics().height(), height);
    }

    // The pictures drawn from SVG files during start-up are let go with the
    // rest of its memory; an icon draws the same picture again when asked.
    void svgPicturesAreDrawnAgainAfterTheStartUpMemoryIsGivenBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size");
        QTest::newRow("running look, tray size") << ":/pictures/globe_search.svg" << 22;
        QTest::newRow("stopped look, largest window icon") << ":/pictures/globe.svg" << 128;
    }
    void svgPicturesAreDrawnAgainAfterTheStartUpMemoryIsGivenBack()
    {
        QFETCH(QString, file);
        QFETCH(int, size);
        const QIcon icon(file);
        const QImage before = icon.pixmap(size).toImage();
        QVERIFY(!before.isNull());
        const QString key = QStringLiteral("drawn at start-up");
        QVERIFY(QPixmapCache::insert(key, icon.pixmap(size)));
        releaseStartUpMemory();
        QPixmap kept;
        QVERIFY(!QPixmapCache::find(key, &kept));
        QCOMPARE(icon.pixmap(size).toImage(), before);
    }

    void aSecondCopySaysDoublerunInTheCurrentLanguageAndEnds()
    {
        SingleInstance running(programFile());
        QVERIFY(running.acquire());
        test::MessageBoxes boxes;
        QVERIFY(!start({}));
        QCOMPARE(boxes.texts(), QStringList{"Już działa"});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Information);
        QCOMPARE(m_calls, QStringList{"language"});
        QVERIFY(!splashWindow());
    }
};

QTEST_MAIN(TestStylexp)
#include "test_startup.moc"
