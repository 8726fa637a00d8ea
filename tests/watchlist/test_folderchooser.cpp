#include "driver.h"
#include "settings/appstate.h"
#include "support/testsupport.h"
#include "watchlist/filenamewindow.h"
#include "watchlist/folderchooser.h"
#include "watchlist/folderlist.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;

namespace {

const QString kWithout1 = QStringLiteral("Dysk w stacji ");
const QString kWithout2 = QStringLiteral("nie jest gotowy! Włóż dysk i ponów próbę.");

} // namespace

class TestFrmdir : public QObject
{
    Q_OBJECT

private:
    FolderChooser *open()
    {
        m_window = new FolderChooser(
            *m_state, [this](QWidget *) { ++m_loads; }, m_drives, [this] { return m_added; },
            [this](const QString &entry) { m_added.append(entry); });
        return m_window;
    }
    template <typename T> T *control(const char *name) { return m_window->findChild<T *>(QLatin1String(name)); }
    FolderList *dir() { return control<FolderList>("Dir"); }
    QComboBox *drive() { return control<QComboBox>("Drive"); }

    QTemporaryDir m_home;
    QTemporaryDir m_usb;
    QString m_homePath;
    QString m_usbPath;
    QString m_missing;
    QList<DriveEntry> m_drives;
    test::ProgramFolder m_folder;
    std::unique_ptr<AppState> m_state;
    QPointer<FolderChooser> m_window;
    QStringList m_added;
    int m_loads = 0;

private slots:
    void initTestCase()
    {
        m_homePath = QDir::cleanPath(m_home.path());
        m_usbPath = QDir::cleanPath(m_usb.path());
        m_missing = m_usbPath + QStringLiteral("/gone");
        QVERIFY(QDir(m_homePath).mkpath(QStringLiteral("Pobrane")));
        QVERIFY(QDir(m_usbPath).mkpath(QStringLiteral("Pliki")));
    }
    void init()
    {
        m_drives = {{QStringLiteral("/"), QStringLiteral("/")}, {m_homePath, m_homePath}, {m_usbPath, m_usbPath}};
        m_state = std::make_unique<AppState>(m_folder.path());
        m_state->messages.insert(QStringLiteral("withoutdrive1"), kWithout1);
        m_state->messages.insert(QStringLiteral("withoutdrive2"), kWithout2);
        m_state->messages.insert(QStringLiteral("pathtofolder"), QStringLiteral("folder?"));
        m_state->messages.insert(QStringLiteral("pathtofile"), QStringLiteral("file?"));
        m_added.clear();
        m_loads = 0;
    }
    void cleanup() { delete m_window; }

    // --- the window as the language files address it ---
    void namesAndTexts()
    {
        open();
        QCOMPARE(m_window->objectName(), QStringLiteral("frmdir"));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Przeglądaj w poszukiwaniu folderu:"));
        QVERIFY(control<QLabel>("lblfile")->text().startsWith(QStringLiteral("Wybierz folder w którym")));
        QVERIFY(drive());
        QVERIFY(dir());
        QCOMPARE(control<QPushButton>("cmdok")->text(), QStringLiteral("OK"));
        QCOMPARE(control<QPushButton>("cmdcancel")->text(), QStringLiteral("Anuluj"));
        QCOMPARE(m_loads, 1);
    }

    void tabOrderStartsInFolderList()
    {
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        const QStringList order = test::tabWalk(4);
        QCOMPARE(order, (QStringList{"Dir", "cmdok", "cmdcancel", "Drive"}));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Dir"));
    }

    // --- where the chooser opens ---
    void opensOnSecondDrive()
    {
        test::MessageBoxes boxes;
        open();
        QCOMPARE(drive()->currentIndex(), 1);
        QCOMPARE(dir()->path(), m_homePath);
        QCOMPARE(dir()->highlightedPath(), m_homePath);
        QVERIFY(boxes.shown().isEmpty());
    }

    void opensOnSingleDrive()
    {
        m_drives = {{m_homePath, m_homePath}};
        open();
        QCOMPARE(drive()->currentIndex(), 0);
        QCOMPARE(dir()->path(), m_homePath);
    }

    void opensOnLastFolderAndItsDrive()
    {
        m_state->lastFolder = m_usbPath + QStringLiteral("/Pliki");
        open();
        QCOMPARE(drive()->currentIndex(), 2);
        QCOMPARE(dir()->path(), m_state->lastFolder);
        QCOMPARE(dir()->highlightedPath(), m_state->lastFolder);
    }

    void lastFolderGoneStaysOnItsDrive()
    {
        test::MessageBoxes boxes;
        m_state->lastFolder = m_homePath + QStringLiteral("/removed");
        open();
        QCOMPARE(drive()->currentIndex(), 1);
        QCOMPARE(dir()->path(), m_homePath);
        QVERIFY(boxes.shown().isEmpty());
    }

    // --- a drive that cannot be opened ---
    void unreadyDriveFallsBackToSecond()
    {
        m_drives[2] = {QStringLiteral("/media/usb [kingston]"), m_missing};
        test::MessageBoxes boxes;
        open();
        drive()->setCurrentIndex(2);
        QCOMPARE(boxes.texts(), QStringList{kWithout1 + QStringLiteral("/MEDIA/USB [KINGSTON]/") + kWithout2});
        QCOMPARE(boxes.shown().first().icon, msgbox::Icon::Critical);
        QCOMPARE(drive()->currentIndex(), 1);
        QCOMPARE(dir()->path(), m_homePath);
    }

    void lastFolderOnUnreadyDriveFallsBack()
    {
        m_drives[2] = {m_missing, m_missing};
        m_state->lastFolder = m_missing + QStringLiteral("/Pliki");
        test::MessageBoxes boxes;
        open();
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(drive()->currentIndex(), 1);
        QCOMPARE(dir()->path(), m_homePath);
    }

    // The fallback itself failing must not loop: one message and nothing
    // highlighted, so OK (and Enter, which stands for it) does nothing until
    // a folder is highlighted.
    void unreadyFallbackLeavesNothingHighlighted()
    {
        m_drives = {{QStringLiteral("/"), QStringLiteral("/")}, {m_missing, m_missing}};
        test::MessageBoxes boxes;
        open();
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(drive()->currentIndex(), 1);
        QCOMPARE(dir()->highlightedPath(), QString());
        boxes.clear();

        auto *ok = control<QPushButton>("cmdok");
        QVERIFY(!ok->isEnabled());
        m_window->confirm();
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(!m_window->findChild<FileNameWindow *>());
        dir()->setPath(m_homePath);
        QVERIFY(ok->isEnabled());
        dir()->clearSelection();
        QVERIFY(!ok->isEnabled());
    }

    // --- OK, Cancel and the keys ---
    void okOpensFileWindowWithHighlightedFolder()
    {
        open();
        dir()->setPath(m_homePath + QStringLiteral("/Pobrane"));
        test::whenModal<FileNameWindow>([this](FileNameWindow *file) {
            QCOMPARE(file->findChild<QLineEdit *>(QStringLiteral("txtdir"))->text(), m_homePath + "/Pobrane");
            file->findChild<QLineEdit *>(QStringLiteral("txtfile"))->setText(QStringLiteral("plik.zip"));
            file->confirm();
        });
        m_window->confirm();
        QCOMPARE(m_added, QStringList{m_homePath + QStringLiteral("/Pobrane/plik.zip")});
        QCOMPARE(m_state->lastFolder, m_homePath + QStringLiteral("/Pobrane"));
        QTRY_VERIFY(m_window.isNull());
    }

    void fileWindowCancelReturnsWithEmptyNameNextTime()
    {
        open();
        test::whenModal<FileNameWindow>([](FileNameWindow *file) {
            file->findChild<QLineEdit *>(QStringLiteral("txtfile"))->setText(QStringLiteral("x"));
            file->cancel();
        });
        m_window->confirm();
        QVERIFY(!m_window.isNull());
        QCOMPARE(dir()->highlightedPath(), m_homePath);
        QCOMPARE(m_state->lastFolder, m_homePath);

        QString nameOnReopen = QStringLiteral("unset");
        test::whenModal<FileNameWindow>([&nameOnReopen](FileNameWindow *file) {
            nameOnReopen = file->findChild<QLineEdit *>(QStringLiteral("txtfile"))->text();
            file->cancel();
        });
        m_window->confirm();
        QCOMPARE(nameOnReopen, QString());
        QVERIFY(m_added.isEmpty());
    }

    void cancelKeepsLastFolder()
    {
        m_state->lastFolder = m_usbPath;
        open();
        dir()->setPath(m_usbPath + QStringLiteral("/Pliki"));
        m_window->cancel();
        QCOMPARE(m_state->lastFolder, m_usbPath);
        QTRY_VERIFY(m_window.isNull());
    }

    void enterInFolderListActsAsOk()
    {
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        bool opened = false;
        test::whenModal<FileNameWindow>([&opened](FileNameWindow *file) {
            opened = true;
            file->cancel();
        });
        QTest::keyClick(dir(), Qt::Key_Return);
        QVERIFY(opened);
        QCOMPARE(dir()->path(), m_homePath);
    }

    void escapeDoesNothing()
    {
        open();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTest::keyClick(dir(), Qt::Key_Escape);
        QTest::keyClick(m_window, Qt::Key_Escape);
        QVERIFY(m_window->isVisible());
    }
};

QTEST_MAIN(TestFrmdir)
#include "test_folderchooser.moc"
