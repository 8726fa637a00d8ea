#include "driver.h"
#include "kit/picturebutton.h"
#include "settings/appstate.h"
#include "settings/inifile.h"
#include "settings/watchliststore.h"
#include "support/testsupport.h"
#include "watchlist/filenamewindow.h"
#include "watchlist/folderchooser.h"
#include "watchlist/folderlist.h"
#include "watchlist/watchlistwindow.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quendral;

class TestFrmadd : public QObject
{
    Q_OBJECT

private:
    WatchListWindow *open()
    {
        m_window = new WatchListWindow(
            *m_state, [this](QWidget *) { ++m_loads; }, [this] { return m_drives; });
        return m_window;
    }
    template <typename T> T *control(const char *name) { return m_window->findChild<T *>(QLatin1String(name)); }
    QListWidget *list() { return control<QListWidget>("list_files"); }

    void store(const QStringList &entries)
    {
        for (int n = 0; n < entries.size(); ++n)
            QVERIFY(ini::write(m_state->store.settingsFilePath(), "Files", "file" + QString::number(n), entries[n]));
    }
    QString stored(int n) const
    {
        return ini::read(m_state->store.settingsFilePath(), QStringLiteral("Files"), "file" + QString::number(n));
    }
    QByteArray settingsFile() const
    {
        QFile file(m_state->store.settingsFilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QStringList numbered(int count)
    {
        QStringList entries;
        for (int n = 0; n < count; ++n)
            entries.append(QStringLiteral("/f%1.zip").arg(n, 3, 10, QLatin1Char('0')));
        return entries;
    }
    void select(int row) { list()->setCurrentRow(row, QItemSelectionModel::ClearAndSelect); }

    QTemporaryDir m_home;
    QList<DriveEntry> m_drives;
    std::unique_ptr<test::ProgramFolder> m_folder;
    std::unique_ptr<AppState> m_state;
    QPointer<WatchListWindow> m_window;
    int m_loads = 0;

private slots:
    void initTestCase()
    {
        const QString home = QDir::cleanPath(m_home.path());
        QVERIFY(QDir(home).mkpath(QStringLiteral("Pobrane")));
        m_drives = {{QStringLiteral("/"), QStringLiteral("/")}, {home, home}};
    }
    void init()
    {
        m_folder = std::make_unique<test::ProgramFolder>();
        m_state = std::make_unique<AppState>(m_folder->path());
        m_state->messages.insert(QStringLiteral("toomanyfiles"),
                                 QStringLiteral("Liczba pozycji na liście nie może przekraczać 100 plików!"));
        m_state->messages.insert(QStringLiteral("savefailed"), QStringLiteral("save failed"));
        QFile::remove(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Quendral/user.reg")));
        m_loads = 0;
    }
    void cleanup() { delete m_window; }

    // --- the window as the language files address it ---
    void namesAndTexts()
    {
        open();
        QCOMPARE(m_window->objectName(), QStringLiteral("frmadd"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quendral - lista plików"));
        QVERIFY(list());
        QCOMPARE(control<QGroupBox>("frmplus")->title(), QStringLiteral("Dodatkowe opcje"));
        QCOMPARE(control<QWidget>("Picture1")->parentWidget()->objectName(), QStringLiteral("frmplus"));
        QCOMPARE(control<QRadioButton>("optall")->parentWidget()->objectName(), QStringLiteral("Picture1"));
        QCOMPARE(control<QRadioButton>("optall")->text(), QStringLiteral("Reaguj gdy wszystkie pliki zostaną pobrane"));
        QCOMPARE(control<QRadioButton>("opt_not_all")->text(),
                 QStringLiteral("Reaguj gdy którykolwiek z plików zostanie pobrany"));
        QCOMPARE(control<PictureButton>("cmdadd")->text(), QStringLiteral("Dodaj plik"));
        QCOMPARE(control<PictureButton>("cmddel")->text(), QStringLiteral("Usuń plik"));
        QCOMPARE(control<PictureButton>("cmdapply")->text(), QStringLiteral("&Zastosuj"));
        QCOMPARE(control<PictureButton>("cmdcancel")->text(), QStringLiteral("&Anuluj"));
        QCOMPARE(m_loads, 1);
    }

    void tabOrderAndFocusOnAdd()
    {
        store({QStringLiteral("/a.zip")});
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        const QStringList order = test::tabWalk(7);
        // Tab onto Add hands the focus straight back to the list.
        QCOMPARE(order,
                 (QStringList{"list_files", "optall", "cmddel", "cmdapply", "cmdcancel", "list_files", "optall"}));
        control<PictureButton>("cmdadd")->setFocus();
        QCOMPARE(QApplication::focusWidget(), list());
    }

    void enterAndEscapeDoNotCloseTheWindow()
    {
        test::MessageBoxes boxes;
        store({QStringLiteral("/a.zip")});
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTest::keyClick(list(), Qt::Key_Escape);
        QTest::keyClick(list(), Qt::Key_Return);
        QTest::keyClick(m_window, Qt::Key_Escape);
        QVERIFY(m_window->isVisible());
        QCOMPARE(settingsFile().count("file"), 1);
        QVERIFY(boxes.shown().isEmpty());
    }

    // --- load ---
    void noStoresGiveEmptyListAndAllRule()
    {
        open();
        QCOMPARE(list()->count(), 0);
        QVERIFY(control<QRadioButton>("optall")->isChecked());
    }

    void ruleFromUserValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("any");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("1 with text") << "1abc" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("2 keeps design") << "2" << false;
        QTest::newRow("text") << "abc" << false;
    }
    void ruleFromUserValue()
    {
        QFETCH(QString, value);
        QFETCH(bool, any);
        QVERIFY(m_state->store.SaveUserSetting(QStringLiteral("notallfiles"), value));
        open();
        QCOMPARE(control<QRadioButton>("opt_not_all")->isChecked(), any);
        QCOMPARE(control<QRadioButton>("optall")->isChecked(), !any);
    }

    void loadKeepsStoredOrderUpToTheGap()
    {
        store({"/z.zip", "/A.zip", "/m.zip", "", "/after-gap.zip"});
        open();
        QCOMPARE(m_window->entries(), (QStringList{"/z.zip", "/A.zip", "/m.zip"}));
    }

    // --- add ---
    void additionTakesItsSortedPlace()
    {
        store({"C:/a.zip", "C:/c.zip"});
        open();
        m_window->addEntry(QStringLiteral("C:/b.zip"));
        QCOMPARE(m_window->entries(), (QStringList{"C:/a.zip", "C:/b.zip", "C:/c.zip"}));
        m_window->addEntry(QStringLiteral("C:/B.ZIP"));
        m_window->addEntry(QStringLiteral("C:/A1.zip"));
        m_window->addEntry(QStringLiteral("C:/d.zip"));
        QCOMPARE(m_window->entries(),
                 (QStringList{"C:/a.zip", "C:/A1.zip", "C:/b.zip", "C:/B.ZIP", "C:/c.zip", "C:/d.zip"}));
    }

    void additionLeavesLoadedEntriesInPlace()
    {
        store({"/z.zip", "/b.zip"});
        open();
        m_window->addEntry(QStringLiteral("/m.zip"));
        QCOMPARE(m_window->entries(), (QStringList{"/m.zip", "/z.zip", "/b.zip"}));
    }

    void hundredEntriesRefuseAdd()
    {
        store(numbered(100));
        test::MessageBoxes boxes;
        open();
        QCOMPARE(list()->count(), 100);
        const test::RefuseModal refuse;
        m_window->chooseFolder();
        QCoreApplication::processEvents();
        QVERIFY(!refuse.opened());
        QCOMPARE(boxes.texts(), QStringList{m_state->message(Msg::TooManyFiles)});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Critical);
        QCOMPARE(list()->count(), 100);
    }

    void ninetyNineEntriesOpenTheChooser()
    {
        store(numbered(99));
        test::MessageBoxes boxes;
        open();
        bool opened = false;
        test::whenModal<FolderChooser>([&opened](FolderChooser *chooser) {
            opened = true;
            chooser->cancel();
        });
        m_window->chooseFolder();
        QVERIFY(opened);
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(list()->count(), 99);
    }

    // Add → folder chooser → file-name window → the entry in the list.
    void addThroughBothWindows()
    {
        store({"/zzz.zip"});
        open();
        const QString folder = m_drives[1].path + QStringLiteral("/Pobrane");
        test::whenModal<FolderChooser>([folder](FolderChooser *chooser) {
            QVERIFY(chooser->findChild<FolderList *>(QStringLiteral("Dir"))->setPath(folder));
            test::whenModal<FileNameWindow>([](FileNameWindow *file) {
                file->findChild<QLineEdit *>(QStringLiteral("txtfile"))->setText(QStringLiteral("plik.zip"));
                file->confirm();
            });
            chooser->confirm();
        });
        m_window->chooseFolder();
        QCOMPARE(m_window->entries(), (QStringList{folder + QStringLiteral("/plik.zip"), "/zzz.zip"}));
        QCOMPARE(m_state->lastFolder, folder);
        QVERIFY(QApplication::activeModalWidget() == nullptr || QApplication::activeModalWidget() == m_window);
    }

    // --- delete ---
    void deleteWithoutSelectionDoesNothing()
    {
        store({"/a.zip", "/b.zip"});
        open();
        list()->clearSelection();
        m_window->deleteEntry();
        QCOMPARE(list()->count(), 2);
    }

    void deleteRemovesTheSelectedEntry()
    {
        store({"/a.zip", "/b.zip", "/c.zip"});
        open();
        select(1);
        m_window->deleteEntry();
        QCOMPARE(m_window->entries(), (QStringList{"/a.zip", "/c.zip"}));
    }

    void deleteLeavesNothingSelected()
    {
        // A second press removes nothing until the user picks another entry.
        store({"/a.zip", "/b.zip", "/c.zip"});
        open();
        select(1);
        m_window->deleteEntry();
        QVERIFY(list()->selectedItems().isEmpty());
        m_window->deleteEntry();
        QCOMPARE(m_window->entries(), (QStringList{"/a.zip", "/c.zip"}));
    }

    // --- apply and cancel against the stores ---
    void applyWritesEveryslot()
    {
        store({"/a.zip", "/b.zip", "/c.zip", "/d.zip"});
        QVERIFY(ini::write(m_state->store.settingsFilePath(), "Files", "file101", "/stale.zip"));
        open();
        select(3);
        m_window->deleteEntry();
        control<QRadioButton>("opt_not_all")->setChecked(true);
        m_window->apply();

        QCOMPARE(stored(0), QStringLiteral("/a.zip"));
        QCOMPARE(stored(1), QStringLiteral("/b.zip"));
        QCOMPARE(stored(2), QStringLiteral("/c.zip"));
        // The emptied slots are written, not left out.
        const QStringList lines = QString::fromUtf8(settingsFile()).remove(u'\r').split(u'\n');
        for (int n = 3; n <= 100; ++n)
            QVERIFY2(lines.contains("file" + QString::number(n) + "="), qPrintable(QString::number(n)));
        QCOMPARE(stored(101), QStringLiteral("/stale.zip"));
        QCOMPARE(m_state->store.GetUserSetting(QStringLiteral("notallfiles")), QStringLiteral("1"));
        QTRY_VERIFY(m_window.isNull());
    }

    // A list changed behind the window (the command line's Add, a completion
    // emptying it) keeps that change: Apply writes only the window's own
    // additions and removals onto it, and shows what it wrote.
    void applyKeepsChangesMadeMeanwhile_data()
    {
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("meanwhile");
        QTest::addColumn<QStringList>("expected");
        const QStringList ab{"/a.zip", "/b.zip"};
        QTest::newRow("no change meanwhile")
            << ab << QStringList{"/c.zip"} << QStringList{"/a.zip"} << ab << QStringList{"/b.zip", "/c.zip"};
        QTest::newRow("added meanwhile and here")
            << ab << QStringList{"/c.zip"} << QStringList{"/b.zip"} << QStringList{"/a.zip", "/b.zip", "/m.zip"}
            << QStringList{"/a.zip", "/c.zip", "/m.zip"};
        QTest::newRow("emptied, one added here")
            << ab << QStringList{"/c.zip"} << QStringList{"/a.zip"} << QStringList{} << QStringList{"/c.zip"};
        QTest::newRow("the same added twice")
            << ab << QStringList{"/c.zip"} << QStringList{} << QStringList{"/a.zip", "/b.zip", "/c.zip"}
            << QStringList{"/a.zip", "/b.zip", "/c.zip"};
        QTest::newRow("full after the merge")
            << ab << QStringList{"/c.zip"} << QStringList{} << numbered(100) << numbered(100);
    }
    void applyKeepsChangesMadeMeanwhile()
    {
        QFETCH(QStringList, loaded);
        QFETCH(QStringList, added);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, meanwhile);
        QFETCH(QStringList, expected);
        test::MessageBoxes boxes;
        store(loaded);
        open();
        for (const QString &entry : std::as_const(added))
            m_window->addEntry(entry);
        for (const QString &entry : std::as_const(removed)) {
            select(int(m_window->entries().indexOf(entry)));
            m_window->deleteEntry();
        }
        QVERIFY(watchlist::write(m_state->store.settingsFile(), meanwhile));
        m_window->apply();
        QCOMPARE(watchlist::read(m_state->store.settingsFile()), expected);
        // Too many after the merge: the user is told, and the window stays.
        QCOMPARE(boxes.shown().isEmpty(), expected != numbered(100));
    }

    void applyWritesTheAllRule()
    {
        QVERIFY(m_state->store.SaveUserSetting(QStringLiteral("notallfiles"), QStringLiteral("1")));
        open();
        control<QRadioButton>("optall")->setChecked(true);
        m_window->apply();
        QCOMPARE(m_state->store.GetUserSetting(QStringLiteral("notallfiles")), QStringLiteral("0"));
    }

    void applyAfterGapDropsLaterEntries()
    {
        store({"/a.zip", "", "/c.zip"});
        open();
        QCOMPARE(m_window->entries(), QStringList{"/a.zip"});
        m_window->apply();
        QCOMPARE(stored(0), QStringLiteral("/a.zip"));
        QCOMPARE(stored(2), QString());
    }

    void applyStoresAdditionInSortedPlace()
    {
        store({"C:/a.zip", "C:/c.zip"});
        open();
        m_window->addEntry(QStringLiteral("C:/b.zip"));
        m_window->apply();
        QCOMPARE((QStringList{stored(0), stored(1), stored(2), stored(3)}),
                 (QStringList{"C:/a.zip", "C:/b.zip", "C:/c.zip", ""}));
    }

    void cancelWritesNothing()
    {
        store({"/a.zip", "/b.zip"});
        QVERIFY(m_state->store.SaveUserSetting(QStringLiteral("notallfiles"), QStringLiteral("0")));
        const QByteArray before = settingsFile();
        open();
        select(0);
        m_window->deleteEntry();
        select(0);
        m_window->deleteEntry();
        m_window->addEntry(QStringLiteral("/new.zip"));
        control<QRadioButton>("opt_not_all")->setChecked(true);
        m_window->cancel();
        QTRY_VERIFY(m_window.isNull());
        QCOMPARE(settingsFile(), before);
        QCOMPARE(m_state->store.GetUserSetting(QStringLiteral("notallfiles")), QStringLiteral("0"));

        open();
        QCOMPARE(m_window->entries(), (QStringList{"/a.zip", "/b.zip"}));
    }

    void applyRefusesAnEntryTheListWouldChange()
    {
        store({"/a.zip"});
        m_state->messages.insert(QStringLiteral("cannotstore"), QStringLiteral("CANNOT"));
        test::MessageBoxes boxes;
        open();
        m_window->addEntry(QStringLiteral("/b.zip "));
        m_window->show();
        m_window->apply();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("CANNOT")});
        QVERIFY(m_window->isVisible());
        QCOMPARE(stored(1), QString());
    }

    // --- a write that fails is reported and loses nothing ---
    void applyToUnwritableFolderKeepsTheList()
    {
        // A program folder below a plain file cannot be written by anyone, and
        // neither can the per-user folder that stands in for it.
        m_folder->write(QStringLiteral("blocker"), "x");
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_folder->file(QStringLiteral("blocker/data")).toUtf8());
        m_state = std::make_unique<AppState>(m_folder->file(QStringLiteral("blocker/program/")));
        qputenv("XDG_DATA_HOME", dataHome);
        m_state->messages.insert(QStringLiteral("savefailed"), QStringLiteral("save failed"));
        test::MessageBoxes boxes;
        open();
        m_window->addEntry(QStringLiteral("/a.zip"));
        m_window->show();
        m_window->apply();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("save failed")});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Critical);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->entries(), QStringList{"/a.zip"});
    }

    void applyToReadOnlyFolderKeepsTheList()
    {
        if (geteuid() == 0)
            QSKIP("file modes do not bind the superuser; the unwritable-folder case covers the failure");
        store({"/a.zip"});
        QFile::setPermissions(m_folder->path(), QFile::ReadOwner | QFile::ExeOwner);
        test::MessageBoxes boxes;
        open();
        m_window->addEntry(QStringLiteral("/b.zip"));
        m_window->show();
        m_window->apply();
        QFile::setPermissions(m_folder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("save failed")});
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->entries(), (QStringList{"/a.zip", "/b.zip"}));
        QCOMPARE(stored(1), QString());

        // Once the folder is writable again, Apply goes through.
        m_window->apply();
        QCOMPARE(stored(1), QStringLiteral("/b.zip"));
    }
};

QTEST_MAIN(TestFrmadd)
#include "test_watchlistwindow.moc"
