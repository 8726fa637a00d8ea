#include "watchlist/drives.h"

#include <QDir>
#include <QTest>

using namespace quendral;

class TestDrives : public QObject
{
    Q_OBJECT

private slots:
    // The chooser opens on the second entry: it must be the home folder.
    void rootFirstThenHome()
    {
        const QList<DriveEntry> drives = systemDrives();
        QVERIFY(drives.size() >= 2);
        QCOMPARE(drives[0].path, QStringLiteral("/"));
        QCOMPARE(drives[0].text, QStringLiteral("/"));
        QCOMPARE(drives[1].path, QDir::homePath());
        QCOMPARE(drives[1].text, QDir::homePath());
    }
};

QTEST_MAIN(TestDrives)
#include "test_drives.moc"
