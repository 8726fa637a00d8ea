// Paths on Windows: whatever Qt hands out with "/", what the watch-list
// windows show and what the store keeps use "\", and the drive list and the
// folder list write a drive letter alike.
#include "settings/inifile.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"
#include "watchlist/drives.h"
#include "watchlist/folderlist.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace quendral;

using PathOf = std::function<QString(const QString &folder)>;
Q_DECLARE_METATYPE(PathOf)

class TestWindowsPaths : public QObject
{
    Q_OBJECT

private slots:
    void shownAndStoredPathsUseBackslashes_data()
    {
        QTest::addColumn<PathOf>("pathOf");
        QTest::newRow("entry joined") << PathOf([](const QString &folder) { return joinPath(folder, "film.iso"); });
        QTest::newRow("entry as stored") << PathOf([](const QString &folder) {
            const IniFile settings(folder + "/Settings.ini");
            watchlist::write(settings, {folder + "/film.iso"});
            QFile file(settings.path());
            file.open(QIODevice::ReadOnly);
            const QByteArray text = file.readAll();
            return QString::fromUtf8(text.mid(text.indexOf("file0=") + 6).split('\n').constFirst().trimmed());
        });
        QTest::newRow("entry read") << PathOf([](const QString &folder) {
            const IniFile settings(folder + "/Settings.ini");
            settings.WriteIni("Files", "file0", folder + "/film.iso");
            return watchlist::read(settings).value(0);
        });
        QTest::newRow("folder highlighted") << PathOf([](const QString &folder) {
            FolderList list;
            list.setPath(folder);
            return list.highlightedPath();
        });
        QTest::newRow("drive in the folder list") << PathOf([](const QString &folder) {
            FolderList list;
            list.setPath(folder);
            return list.item(0)->text();
        });
    }
    void shownAndStoredPathsUseBackslashes()
    {
        QFETCH(PathOf, pathOf);
        QTemporaryDir dir;
        QVERIFY(dir.path().contains(u'/'));
        const QString path = pathOf(dir.path());
        QVERIFY2(path.contains(u'\\') && !path.contains(u'/'), qPrintable(path));
    }

    void drivesAreWrittenAsTheFolderListWritesThem()
    {
        int opened = 0;
        for (const DriveEntry &drive : systemDrives()) {
            FolderList list;
            if (!list.setPath(drive.path))
                continue;
            ++opened;
            QCOMPARE(drive.text.left(2), drive.text.left(2).toUpper());
            QCOMPARE(list.item(0)->text().left(2), drive.text.left(2));
        }
        QVERIFY(opened > 0);
    }
};

QTEST_MAIN(TestWindowsPaths)
#include "test_windows_paths.moc"
