#include "core/presence.h"
#include "core/presenceprobe.h"
#include "support/fakes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace quendral;

class TestPresence : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    void write(const QString &name, const QByteArray &data = "data") const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
    }

private slots:
    // Every test starts in an empty folder of its own.
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // --- wildcard matching ---
    void wildcardMatch_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("star suffix") << "*.zip"
                                     << "plik.zip" << true;
        QTest::newRow("star needs suffix") << "*.zip"
                                           << "plik.zip.txt" << false;
        QTest::newRow("star alone, empty name") << "*"
                                                << "" << true;
        QTest::newRow("question is one character") << "a?c"
                                                   << "abc" << true;
        QTest::newRow("question is not zero characters") << "a?c"
                                                         << "ac" << false;
        QTest::newRow("backtracking over repeats") << "a*b*c"
                                                   << "aXbYbZc" << true;
        QTest::newRow("backtracking fails") << "a*b*c"
                                            << "aXbYbZ" << false;
        QTest::newRow("brackets are literal") << "[ab].txt"
                                              << "a.txt" << false;
        QTest::newRow("brackets match themselves") << "[ab].txt"
                                                   << "[ab].txt" << true;
        QTest::newRow("letter case counts") << "*.ZIP"
                                            << "plik.zip" << false;
        QTest::newRow("trailing stars") << "plik**"
                                        << "plik" << true;
    }
    void wildcardMatch()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(presence::wildcardMatch(pattern, name), matches);
    }

    void hasWildcardLooksAtTheNamePartOnly()
    {
        QVERIFY(presence::hasWildcard(QStringLiteral("/d/*.zip")));
        QVERIFY(presence::hasWildcard(QStringLiteral("/d/plik?.zip")));
        QVERIFY(!presence::hasWildcard(QStringLiteral("/d*/plik.zip")));
    }

    // --- what counts as present at an exact path ---
    void ordinaryFileIsFound()
    {
        write(QStringLiteral("plik.zip"));
        QVERIFY(presence::found(path(QStringLiteral("plik.zip"))));
    }
    void missingFileIsNotFound() { QVERIFY(!presence::found(path(QStringLiteral("plik.zip")))); }
    void emptyPlaceholderIsNotFound()
    {
        write(QStringLiteral("plik.zip"), QByteArray());
        QVERIFY(!presence::found(path(QStringLiteral("plik.zip"))));
    }
    void hiddenFileIsNotFound()
    {
        write(QStringLiteral(".plik.zip"));
        QVERIFY(!presence::found(path(QStringLiteral(".plik.zip"))));
    }
    void folderIsNotFound()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("plik.zip")));
        QVERIFY(!presence::found(path(QStringLiteral("plik.zip"))));
    }
    void linkToFileIsFoundLinkToFolderOrNothingIsNot()
    {
        write(QStringLiteral("target"));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
        QVERIFY(QFile::link(path(QStringLiteral("target")), path(QStringLiteral("tofile"))));
        QVERIFY(QFile::link(path(QStringLiteral("folder")), path(QStringLiteral("tofolder"))));
        QVERIFY(QFile::link(path(QStringLiteral("gone")), path(QStringLiteral("dangling"))));
        QVERIFY(presence::found(path(QStringLiteral("tofile"))));
        QVERIFY(!presence::found(path(QStringLiteral("tofolder"))));
        QVERIFY(!presence::found(path(QStringLiteral("dangling"))));
    }
    void exactPartialNameStillCounts()
    {
        // Only wildcards skip unfinished downloads; a name typed in full is the user's choice.
        write(QStringLiteral("plik.zip.part"));
        QVERIFY(presence::found(path(QStringLiteral("plik.zip.part"))));
    }
    void pathsWithoutAName()
    {
        QVERIFY(!presence::found(QString()));
        QVERIFY(!presence::found(m_dir->path() + u'/'));
    }

    // --- wildcard searches ---
    void wildcardFindsAnyMatchingFile()
    {
        write(QStringLiteral("film.avi"));
        write(QStringLiteral("plik-2.zip"));
        QVERIFY(presence::found(path(QStringLiteral("*.zip"))));
        QVERIFY(presence::found(path(QStringLiteral("plik-?.zip"))));
        QVERIFY(!presence::found(path(QStringLiteral("*.rar"))));
    }
    void wildcardSkipsFoldersHiddenAndEmptyFiles()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.zip")));
        write(QStringLiteral(".hidden.zip"));
        write(QStringLiteral("empty.zip"), QByteArray());
        QVERIFY(!presence::found(path(QStringLiteral("*.zip"))));
        QVERIFY(!presence::found(path(QStringLiteral("*"))));
    }
    void wildcardSkipsDownloadsInProgress()
    {
        write(QStringLiteral("plik.zip.part"));
        write(QStringLiteral("plik.zip.crdownload"));
        write(QStringLiteral("Other.CRDOWNLOAD"));
        QVERIFY(!presence::found(path(QStringLiteral("plik.zip*"))));
        QVERIFY(!presence::found(path(QStringLiteral("*"))));
        write(QStringLiteral("plik.zip"));
        // The markers beside it hold the finished name back until they go.
        QVERIFY(!presence::found(path(QStringLiteral("plik.zip*"))));
        QVERIFY(QFile::remove(path(QStringLiteral("plik.zip.part"))));
        QVERIFY(QFile::remove(path(QStringLiteral("plik.zip.crdownload"))));
        QVERIFY(presence::found(path(QStringLiteral("plik.zip*"))));
    }
    void wildcardInFolderPartIsLiteral()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("a1")));
        write(QStringLiteral("a1/plik.zip"));
        QVERIFY(!presence::found(path(QStringLiteral("a?/plik.zip"))));
        QVERIFY(!presence::found(path(QStringLiteral("a?/*.zip"))));
    }
    void wildcardInMissingFolder() { QVERIFY(!presence::found(path(QStringLiteral("nowhere/*.zip")))); }

    // --- the bounded probe ---
    void rulesOverPlainAnswers()
    {
        PresenceProbe probe(test::fakePresence([](const QString &p) { return p.startsWith(u'+'); }));
        QVERIFY(probe.allFound({QStringLiteral("+a"), QStringLiteral("+b")}));
        QVERIFY(!probe.allFound({QStringLiteral("+a"), QStringLiteral("-b"), QStringLiteral("+c")}));
        QVERIFY(!probe.allFound({}));
        QVERIFY(probe.anyFound({QStringLiteral("-a"), QStringLiteral("+b")}));
        QVERIFY(!probe.anyFound({QStringLiteral("-a"), QStringLiteral("-b")}));
        QVERIFY(!probe.anyFound({}));
    }

    void hungPathCountsAsNotFoundWithinTheLimit()
    {
        // A test that hangs on "/mnt/dead" until released, as on an unreachable mount.
        QSemaphore release;
        std::atomic<int> deadTests = 0;
        PresenceProbe probe(test::fakePresence([&](const QString &p) {
                                if (p != QLatin1String("/mnt/dead"))
                                    return p.startsWith(u'+');
                                ++deadTests;
                                release.acquire();
                                return true;
                            }),
                            std::chrono::milliseconds(300));

        QElapsedTimer clock;
        clock.start();
        QVERIFY(!probe.allFound({QStringLiteral("+a"), QStringLiteral("/mnt/dead")}));
        QVERIFY(clock.elapsed() < 5000);
        // The any rule still finds the answering path.
        QVERIFY(probe.anyFound({QStringLiteral("/mnt/dead"), QStringLiteral("+b")}));
        QVERIFY(!probe.anyFound({QStringLiteral("/mnt/dead"), QStringLiteral("-b")}));
        // While the first test hangs, no second one is started for that path.
        QCOMPARE(deadTests.load(), 1);

        // Once the mount answers, so does the path.
        release.release(1000);
        QVERIFY(probe.allFound({QStringLiteral("/mnt/dead")}));
        QVERIFY(deadTests.load() <= 2);
    }

    void testStillRunningFromAnEarlierCallIsAwaited()
    {
        QSemaphore release;
        PresenceProbe probe(test::fakePresence([&](const QString &p) {
                                if (p == QLatin1String("/slow/x"))
                                    release.acquire();
                                return true;
                            }),
                            std::chrono::seconds(20));
        // Answered by "/fast/x" while "/slow/x" is still being tested.
        QVERIFY(probe.anyFound({QStringLiteral("/fast/x"), QStringLiteral("/slow/x")}));
        release.release(1000);
        // Its answer is waited for, not taken as "not found".
        QVERIFY(probe.allFound({QStringLiteral("/slow/x")}));
    }

    void repeatedPathIsTestedOnce()
    {
        std::atomic<int> tests = 0;
        PresenceProbe probe(test::fakePresence([&](const QString &) {
            ++tests;
            return true;
        }));
        QVERIFY(probe.allFound({QStringLiteral("/x"), QStringLiteral("/x"), QStringLiteral("/x")}));
        QCOMPARE(tests.load(), 1);
    }

    void foundInAnswersEachNameInOrder()
    {
        write(QStringLiteral("a.zip"));
        write(QStringLiteral("b.rar"));
        const std::vector<bool> answers = presence::foundIn(
            m_dir->path() + u'/', {QStringLiteral("*.rar"), QStringLiteral("c.zip"), QStringLiteral("a.zip"),
                                   QStringLiteral("*.txt"), QStringLiteral("?.zip")});
        QCOMPARE(answers, std::vector<bool>({true, false, true, false, true}));
    }

    void realFileSystemThroughTheProbe()
    {
        write(QStringLiteral("a.zip"));
        PresenceProbe probe;
        QVERIFY(probe.allFound({path(QStringLiteral("a.zip")), path(QStringLiteral("*.zip"))}));
        QVERIFY(!probe.allFound({path(QStringLiteral("a.zip")), path(QStringLiteral("b.zip"))}));
    }
};

QTEST_GUILESS_MAIN(TestPresence)
#include "test_presence.moc"
