#include "base/logfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace quendral;

class TestLogFile : public QObject
{
    Q_OBJECT

private slots:
    // The log stays small: a full file moves aside, the oldest is dropped,
    // and the recent lines read across the files, oldest first.
    void rotatesAndReadsBackTheRecentLines_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<int>("keptFiles");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("firstRead");
        QTest::newRow("nothing yet") << 0 << 1000 << 3 << 10 << 0 << -1;
        QTest::newRow("one file") << 5 << 1000 << 3 << 10 << 1 << 0;
        QTest::newRow("fewer than written") << 5 << 1000 << 3 << 2 << 1 << 3;
        QTest::newRow("across two files") << 12 << 100 << 3 << 12 << 2 << 0;
        QTest::newRow("oldest dropped") << 40 << 100 << 3 << 40 << 3 << 11;
        QTest::newRow("a single file") << 40 << 100 << 1 << 40 << 1 << 33;
    }
    void rotatesAndReadsBackTheRecentLines()
    {
        QFETCH(int, lines);
        QFETCH(int, maxBytes);
        QFETCH(int, keptFiles);
        QFETCH(int, asked);
        QFETCH(int, files);
        QFETCH(int, firstRead);
        QTemporaryDir dir;
        // In a folder not made yet, as the user's data folder at a first start.
        LogFile log(dir.filePath(QStringLiteral("data/quendral.log")), maxBytes, keptFiles);
        // Nine bytes a line: eleven lines fit a 100-byte file.
        for (int n = 0; n < lines; ++n)
            log.append(QStringLiteral("line %1").arg(n, 3, 10, QLatin1Char('0')));
        const QStringList names = QDir(dir.filePath(QStringLiteral("data"))).entryList(QDir::Files);
        QCOMPARE(names.size(), files);
        for (const QString &name : names)
            QVERIFY(QFileInfo(dir.filePath(QStringLiteral("data/") + name)).size() <= maxBytes);
        const QStringList read = log.recentLines(asked);
        if (firstRead < 0) {
            QVERIFY(read.isEmpty());
            return;
        }
        QCOMPARE(read.size(), lines - firstRead);
        for (qsizetype n = 0; n < read.size(); ++n)
            QCOMPARE(read[n], QStringLiteral("line %1").arg(firstRead + n, 3, 10, QLatin1Char('0')));
    }

    // Once installed, the program's messages land in the log with their
    // category; a line break stays inside its line.
    void takesTheProgramsMessages()
    {
        QTemporaryDir dir;
        LogFile log(dir.filePath(QStringLiteral("quendral.log")));
        LogFile::install(&log);
        qWarning("first\nsecond");
        LogFile::install(nullptr);
        qWarning("not logged");
        const QStringList read = log.recentLines(10);
        QCOMPARE(read.size(), 1);
        QVERIFY(read[0].endsWith(QLatin1String(" W default: first\\nsecond")));
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "test_logfile.moc"
