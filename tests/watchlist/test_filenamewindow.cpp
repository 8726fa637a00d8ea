#include "driver.h"
#include "settings/appstate.h"
#include "settings/watchliststore.h"
#include "support/testsupport.h"
#include "watchlist/filenamewindow.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;

class TestFrmfile : public QObject
{
    Q_OBJECT

private:
    FileNameWindow *open(const QString &folder)
    {
        m_added.clear();
        m_loads = 0;
        auto *window = new FileNameWindow(
            *m_state, [this](QWidget *) { ++m_loads; }, folder, [this] { return m_chooserFolder; },
            [this] { return m_listed; }, [this](const QString &entry) { m_added.append(entry); });
        m_window = window;
        return window;
    }
    template <typename T> T *control(const char *name) { return m_window->findChild<T *>(QLatin1String(name)); }
    // A folder below the temporary home, which exists.
    QString home(const QString &below = QString()) const
    {
        return below.isEmpty() ? QDir::cleanPath(m_home.path()) : QDir::cleanPath(m_home.path()) + u'/' + below;
    }

    QTemporaryDir m_home;
    test::ProgramFolder m_folder;
    std::unique_ptr<AppState> m_state;
    QPointer<FileNameWindow> m_window;
    QString m_chooserFolder;
    QStringList m_listed;
    QStringList m_added;
    int m_loads = 0;

private slots:
    void initTestCase() { QVERIFY(QDir(home()).mkpath(QStringLiteral("Pobrane"))); }
    void init()
    {
        m_listed.clear();
        m_state = std::make_unique<AppState>(m_folder.path());
        m_state->messages.insert(QStringLiteral("pathtofolder"),
                                 QStringLiteral("Proszę podać ścieżkę do wybranego folderu!"));
        m_state->messages.insert(QStringLiteral("pathtofile"), QStringLiteral("Proszę podać nazwę pobieranego pliku!"));
    }
    void cleanup() { delete m_window; }

    // --- the window as the language files address it ---
    void namesTextsAndLoad()
    {
        open(QStringLiteral("/tmp/Pobrane"));
        QCOMPARE(m_window->objectName(), QStringLiteral("frmfile"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Określ nazwę pliku:"));
        QCOMPARE(control<QLabel>("lbldir")->text(), QStringLiteral("Wybrany folder:"));
        QCOMPARE(control<QLabel>("lblfile2")->text(), QStringLiteral("Nazwa pliku:"));
        QVERIFY(control<QLabel>("lblfile")->text().startsWith(QStringLiteral("Podaj nazwę (nie ścieżkę)")));
        QCOMPARE(control<QPushButton>("cmdok")->text(), QStringLiteral("OK"));
        QCOMPARE(control<QPushButton>("cmdcancel")->text(), QStringLiteral("Anuluj"));
        QCOMPARE(control<QLineEdit>("txtdir")->text(), QStringLiteral("/tmp/Pobrane"));
        QVERIFY(control<QLineEdit>("txtdir")->isReadOnly());
        QCOMPARE(control<QLineEdit>("txtfile")->text(), QString());
        QCOMPARE(m_loads, 1);
    }

    void tabOrderStartsInName()
    {
        open(QStringLiteral("/tmp"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtfile"));
        const QStringList order = test::tabWalk(4);
        QCOMPARE(order, (QStringList{"txtfile", "cmdcancel", "cmdok", "txtdir"}));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtfile"));
    }

    // --- OK builds the entry ---
    void okJoinsFolderAndName_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entry");
        QTest::newRow("folder") << home("Pobrane") << "plik.zip" << home("Pobrane/plik.zip");
        QTest::newRow("root") << "/"
                              << "plik.zip"
                              << "/plik.zip";
        QTest::newRow("leading space kept") << home() << " plik.zip" << home(" plik.zip");
    }
    void okJoinsFolderAndName()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, entry);
        test::MessageBoxes boxes;
        m_chooserFolder = folder;
        open(folder);
        QSignalSpy closedBoth(m_window.data(), &FileNameWindow::entryAdded);
        control<QLineEdit>("txtfile")->setText(name);
        m_window->confirm();
        QCOMPARE(m_added, QStringList{entry});
        QCOMPARE(closedBoth.count(), 1);
        QVERIFY(boxes.shown().isEmpty());
        QTRY_VERIFY(m_window.isNull());
    }

    // An entry the list would read back as another path is refused.
    void entryTheListWouldChangeIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("trailing blank") << "plik.zip ";
        QTest::newRow("trailing tab") << "plik.zip\t";
        QTest::newRow("over 254 characters") << QString(250, u'p');
    }
    void entryTheListWouldChangeIsRefused()
    {
        QFETCH(QString, name);
        m_state->messages.insert(QStringLiteral("cannotstore"), QStringLiteral("CANNOT"));
        test::MessageBoxes boxes;
        m_chooserFolder = home();
        open(m_chooserFolder);
        control<QLineEdit>("txtfile")->setText(name);
        m_window->confirm();
        QVERIFY(m_added.isEmpty());
        QCOMPARE(boxes.texts(), QStringList{"CANNOT"});
        QVERIFY(!m_window.isNull());
        // 254 characters in all still go through.
        const QString longest(254 - home().size() - 1, u'p');
        control<QLineEdit>("txtfile")->setText(longest);
        m_window->confirm();
        QCOMPARE(m_added, QStringList{home(longest)});
    }

    // The reasons the command line's add gives, told in the window's language
    // (each message here reads as its key); the list is the window's own.
    void refusedForTheCommandLinesReasons_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<Msg>("reason");
        QTest::newRow("a folder") << home() << "Pobrane" << QStringList() << Msg::EntryFolder;
        QTest::newRow("ends in a slash") << home() << "plik/" << QStringList() << Msg::EntryFolder;
        QTest::newRow("folder gone meanwhile") << home("gone") << "plik.zip" << QStringList() << Msg::EntryNoFolder;
        QTest::newRow("into a missing folder") << home() << "brak/plik.zip" << QStringList() << Msg::EntryNoFolder;
        QTest::newRow("listed already") << home() << "plik.zip" << QStringList{home("plik.zip")} << Msg::EntryDuplicate;
        QTest::newRow("listed, spelt otherwise")
            << home() << "./plik.zip" << QStringList{home("plik.zip")} << Msg::EntryDuplicate;
        QStringList full;
        for (int n = 0; n < watchlist::kMaxEntries; ++n)
            full.append(home(QStringLiteral("%1.zip").arg(n)));
        QTest::newRow("list full") << home() << "plik.zip" << full << Msg::TooManyFiles;
    }
    void refusedForTheCommandLinesReasons()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QStringList, listed);
        QFETCH(Msg, reason);
        for (int id = 0; id < kMessageCount; ++id)
            m_state->messages.insert(messageKey(Msg(id)), messageKey(Msg(id)));
        test::MessageBoxes boxes;
        m_listed = listed;
        m_chooserFolder = folder;
        open(folder);
        QSignalSpy added(m_window.data(), &FileNameWindow::entryAdded);
        control<QLineEdit>("txtfile")->setText(name);
        m_window->confirm();
        QCOMPARE(boxes.texts(), QStringList{messageKey(reason)});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Warning);
        QVERIFY(m_added.isEmpty());
        QCOMPARE(added.count(), 0);
        QVERIFY(!m_window.isNull());
    }

    // --- missing input ---
    void emptyNameOnlyAsksForName()
    {
        test::MessageBoxes boxes;
        open(QStringLiteral("/tmp"));
        m_window->show();
        m_window->confirm();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Proszę podać nazwę pobieranego pliku!")});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Warning);
        QVERIFY(m_added.isEmpty());
        QVERIFY(m_window->isVisible());
    }

    void emptyFolderAsksForBoth()
    {
        test::MessageBoxes boxes;
        open(QString());
        m_window->confirm();
        QCOMPARE(boxes.texts(), (QStringList{QStringLiteral("Proszę podać ścieżkę do wybranego folderu!"),
                                             QStringLiteral("Proszę podać nazwę pobieranego pliku!")}));
        QVERIFY(m_added.isEmpty());
    }

    // --- keys: Enter acts as OK, Escape does nothing ---
    void enterActsAsOk_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("name box") << "txtfile";
        QTest::newRow("folder box") << "txtdir";
    }
    void enterActsAsOk()
    {
        QFETCH(QString, control);
        test::MessageBoxes boxes;
        m_chooserFolder = QStringLiteral("/tmp");
        open(m_chooserFolder);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_window->findChild<QLineEdit *>(QStringLiteral("txtfile"))->setText(QStringLiteral("a.zip"));
        auto *box = m_window->findChild<QLineEdit *>(control);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(m_added, QStringList{QStringLiteral("/tmp/a.zip")});
    }

    void enterOnFocusedCancelCancels()
    {
        open(QStringLiteral("/tmp"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        control<QLineEdit>("txtfile")->setText(QStringLiteral("a.zip"));
        auto *cancel = control<QPushButton>("cmdcancel");
        cancel->setFocus();
        QTest::keyClick(cancel, Qt::Key_Return);
        QVERIFY(m_added.isEmpty());
        QTRY_VERIFY(m_window.isNull());
    }

    void escapeDoesNothing()
    {
        open(QStringLiteral("/tmp"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTest::keyClick(control<QLineEdit>("txtfile"), Qt::Key_Escape);
        QTest::keyClick(m_window, Qt::Key_Escape);
        QVERIFY(m_window->isVisible());
        QVERIFY(m_added.isEmpty());
    }

    void cancelAddsNothing()
    {
        open(QStringLiteral("/tmp"));
        control<QLineEdit>("txtfile")->setText(QStringLiteral("a.zip"));
        QSignalSpy added(m_window.data(), &FileNameWindow::entryAdded);
        m_window->cancel();
        QVERIFY(m_added.isEmpty());
        QCOMPARE(added.count(), 0);
        QTRY_VERIFY(m_window.isNull());
    }
};

QTEST_MAIN(TestFrmfile)
#include "test_filenamewindow.moc"
