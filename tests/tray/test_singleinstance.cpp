#include "tray/singleinstance.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

using quendral::SingleInstance;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString program(const QString &name = QStringLiteral("quendral")) const { return m_dir.filePath(name); }

    // The id of a process that has just ended.
    static qint64 deadProcessId()
    {
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
        shell.waitForFinished();
        return shell.readAllStandardOutput().trimmed().toLongLong();
    }

private slots:
    void init()
    {
        QFile file(program());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void cleanup() { QFile::remove(SingleInstance::lockPathFor(program())); }

    void theLockLivesInTheRuntimeFolder()
    {
        const QString lock = SingleInstance::lockPathFor(program());
        QVERIFY(lock.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/'));
        SingleInstance first(program());
        QVERIFY(first.acquire());
        QVERIFY(QFile::exists(lock));
    }

    void aSecondCopyOfTheSameProgramIsRefused()
    {
        SingleInstance first(program());
        SingleInstance second(program());
        QVERIFY(first.acquire());
        QVERIFY(!second.acquire());
        QVERIFY(first.acquire()); // asking again keeps the lock
    }

    void anotherProgramFileRunsBesideIt()
    {
        QFile other(program(QStringLiteral("copy-of-quendral")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        SingleInstance first(program());
        SingleInstance second(other.fileName());
        QVERIFY(first.acquire());
        QVERIFY(second.acquire());
    }

    void theSameFileReachedThroughALinkIsTheSameProgram()
    {
        const QString link = program(QStringLiteral("link-to-quendral"));
        QVERIFY(QFile::link(program(), link));
        SingleInstance first(program());
        SingleInstance second(link);
        QVERIFY(first.acquire());
        QVERIFY(!second.acquire());
    }

    void theNextCopyStartsOnceTheFirstHasEnded()
    {
        auto first = std::make_unique<SingleInstance>(program());
        QVERIFY(first->acquire());
        first.reset();
        SingleInstance next(program());
        QVERIFY(next.acquire());
    }

    void aLockLeftByACrashedCopyIsTakenOver()
    {
        // What a copy killed while running leaves behind: the lock file naming
        // its process, which no longer exists.
        const qint64 pid = deadProcessId();
        QVERIFY(pid > 0);
        QFile lock(SingleInstance::lockPathFor(program()));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nquendral\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();

        SingleInstance next(program());
        QVERIFY(next.acquire());
    }

    // A runtime folder that is not the user's alone is never used; the lock
    // goes to a private folder in the cache folder instead, or to one of our
    // own inside it when that was left open to reading.
    void noSharedFolderForTheLock_data()
    {
        QTest::addColumn<bool>("unset");
        QTest::addColumn<bool>("cacheOpen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("runtime folder unset") << true << false << "quendral";
        QTest::newRow("runtime folder open to others") << false << false << "quendral";
        QTest::newRow("cache folder left at 0755") << true << true << "quendral/locks";
    }
    void noSharedFolderForTheLock()
    {
        QFETCH(bool, unset);
        QFETCH(bool, cacheOpen);
        QFETCH(QString, expected);
        const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + "/quendral";
        QVERIFY(QDir().mkpath(cache));
        QVERIFY(
            QFile::setPermissions(cache, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             (cacheOpen ? QFile::ReadOther | QFile::ExeOther : QFile::Permissions())));
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        QTemporaryDir open;
        QFile::setPermissions(open.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                               QFile::WriteOther | QFile::ExeOther);
        if (unset)
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", open.path().toUtf8());
        const QString lock = SingleInstance::lockPathFor(program());
        SingleInstance first(program());
        const bool acquired = first.acquire();
        SingleInstance second(program());
        const bool secondAcquired = second.acquire();
        qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(QFileInfo(lock).absolutePath(), qEnvironmentVariable("XDG_CACHE_HOME") + u'/' + expected);
        QCOMPARE(QFileInfo(QFileInfo(lock).absolutePath()).permissions() & 0x0077, QFileDevice::Permissions());
        QVERIFY(acquired);
        QVERIFY(!secondAcquired);
    }

    // A lock file naming no process, left by a crash, does not block a start.
    void aLockNamingNoProcessIsTakenOver_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\xFF\xFE garbage");
    }
    void aLockNamingNoProcessIsTakenOver()
    {
        QFETCH(QByteArray, contents);
        QFile lock(SingleInstance::lockPathFor(program()));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(contents);
        lock.flush();
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        lock.close();
        SingleInstance next(program());
        QVERIFY(next.acquire());
    }

    void aLongRunningCopyKeepsItsLock()
    {
        SingleInstance first(program());
        QVERIFY(first.acquire());
        QFile lock(SingleInstance::lockPathFor(program()));
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        lock.close();

        SingleInstance second(program());
        QVERIFY(!second.acquire());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
