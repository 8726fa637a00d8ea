// Paths Qt hands out with "/" are shown and stored with "\"; the drive list
// writes a drive letter as the folder list does.
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
        QTest::newRow("entry in the file") << PathOf([](const QString &folder) {
            watchlist::write(IniFile(folder + "/Settings.ini"), {folder + "/film.iso"});
            QFile file(folder + "/Settings.ini");
            const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return QString::fromUtf8(text.mid(text.indexOf("file0=") + 6).split('\n').constFirst().trimmed());
        });
        QTest::newRow("entry read") << PathOf([](const QString &folder) {
            IniFile(folder + "/Settings.ini").WriteIni("Files", "file0", folder + "/film.iso");
            return watchlist::read(IniFile(folder + "/Settings.ini")).value(0);
        });
        QTest::newRow("folder chosen") << PathOf([](const QString &folder) {
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
        const QString path = pathOf(dir.path());
        QVERIFY2(path.contains(u'\\') && !path.contains(u'/'), qPrintable(path));
    }

    void drivesAreWrittenAsTheFolderListWritesThem()
    {
        const DriveEntry drive = systemDrives().value(0);
        FolderList list;
        QVERIFY(list.setPath(drive.path));
        QCOMPARE(drive.text.left(2), list.item(0)->text().left(2));
        QCOMPARE(drive.text.left(2), drive.text.left(2).toUpper());
    }
};

QTEST_MAIN(TestWindowsPaths)
#include "test_windows_paths.moc"
