#include "engine/presence.h"
#include "engine/presenceprobe.h"
#include "engine/remotefolder.h"
#include "support/fakes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

using namespace quendral;

namespace {

// Folders below `mount` play a network mount; all others are local.
PresenceProbe::MayBlock mountedUnder(const QString &mount)
{
    return [mount](const QString &folder) { return folder.startsWith(mount); };
}

// Which folder and names each test was asked about, and on which thread.
struct Asked
{
    QString folder;
    QStringList names;
    std::thread::id thread;
};

class Recorder
{
public:
    PresenceProbe::Test test()
    {
        return [this](const QString &folder, const QStringList &names) {
            std::vector<presence::Answer> answers;
            for (const QString &name : names)
                answers.push_back(name.startsWith(u'+') || name.startsWith(u'*') ? presence::Answer::Yes
                                                                                 : presence::Answer::No);
            const std::lock_guard lock(m_mutex);
            m_asked.push_back({folder, names, std::this_thread::get_id()});
            return answers;
        };
    }
    std::vector<Asked> asked() const
    {
        const std::lock_guard lock(m_mutex);
        return m_asked;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Asked> m_asked;
};

} // namespace

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
        QTest::newRow("ends overlap") << "a*a"
                                      << "a" << false;
        QTest::newRow("no star, longer name") << "abc"
                                              << "abcd" << false;
    }
    // Every pattern of up to four of "a", "b", "?", "*" against every name
    // of up to five of "a", "b", beside a plain recursive matcher.
    void wildcardMatchAgreesWithTheDefinition()
    {
        const std::function<bool(QStringView, QStringView)> reference = [&](QStringView p, QStringView n) {
            if (p.isEmpty())
                return n.isEmpty();
            if (p.front() == u'*')
                return reference(p.mid(1), n) || (!n.isEmpty() && reference(p, n.mid(1)));
            return !n.isEmpty() && (p.front() == u'?' || p.front() == n.front()) && reference(p.mid(1), n.mid(1));
        };
        const auto all = [](const QString &letters, int longest) {
            QStringList words{QString()};
            for (qsizetype from = 0; from < words.size(); ++from) {
                if (words[from].size() < longest) {
                    for (const QChar letter : letters)
                        words.append(words[from] + letter);
                }
            }
            return words;
        };
        const QStringList names = all(QStringLiteral("ab"), 5);
        for (const QString &pattern : all(QStringLiteral("ab?*"), 4)) {
            for (const QString &name : names)
                QVERIFY2(presence::wildcardMatch(pattern, name) == reference(pattern, name),
                         qPrintable(pattern + u' ' + name));
        }
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

    // What the user's command is handed: a name as it is, a pattern as every
    // file it matched that has arrived, in name order, each file once.
    void matchedFiles_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("exact name") << QStringList{"b.zip"} << QStringList{"b.zip"};
        QTest::newRow("pattern") << QStringList{"*.zip"} << QStringList{"a.zip", "b.zip", "c.zip"};
        QTest::newRow("pattern and a name it matches")
            << QStringList{"b.zip", "?.zip"} << QStringList{"b.zip", "a.zip", "c.zip"};
        QTest::newRow("two patterns") << QStringList{"a*", "*.zip"} << QStringList{"a.zip", "b.zip", "c.zip"};
        QTest::newRow("not partial, empty, hidden or folders")
            << QStringList{"*"} << QStringList{"a.zip", "b.zip", "c.zip", "d.txt"};
        QTest::newRow("nothing matched") << QStringList{"*.rar"} << QStringList{};
    }
    void matchedFiles()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, files);
        for (const char *name : {"c.zip", "a.zip", "b.zip", "d.txt", "e.zip.part", ".h.zip"})
            write(QLatin1String(name));
        write(QStringLiteral("empty.zip"), QByteArray());
        write(QStringLiteral("f.zip"));
        write(QStringLiteral("f.zip.crdownload"));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.zip")));
        entries.replaceInStrings(QRegularExpression(QStringLiteral("^")), m_dir->path() + u'/');
        files.replaceInStrings(QRegularExpression(QStringLiteral("^")), m_dir->path() + u'/');
        QCOMPARE(presence::matchedFiles(entries), files);
    }

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
                            std::chrono::milliseconds(300), mountedUnder(QStringLiteral("/mnt/")));

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
                            std::chrono::seconds(20), mountedUnder(QStringLiteral("/slow/")));
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

    // Names starting with "+" are there, "-" are not; wildcards always are.
    void exactNamesSettleTheRuleBeforeAnyFolderIsListed_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("network");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("met");
        QTest::addColumn<bool>("listed");

        const QStringList oneMissing = {QStringLiteral("/a/+x"), QStringLiteral("/b/*.zip"), QStringLiteral("/a/-y")};
        const QStringList allThere = {QStringLiteral("/a/+x"), QStringLiteral("/b/*.zip"), QStringLiteral("/c/+y")};
        const QStringList oneThere = {QStringLiteral("/b/*.zip"), QStringLiteral("/a/-x"), QStringLiteral("/c/+y")};
        for (const QString &network : {QStringLiteral("/nowhere/"), QStringLiteral("/")}) {
            const QString where = network == QLatin1String("/") ? QStringLiteral("network") : QStringLiteral("local");
            QTest::addRow("all, exact name missing, %s", qPrintable(where))
                << true << network << oneMissing << false << false;
            QTest::addRow("all, every exact name there, %s", qPrintable(where))
                << true << network << allThere << true << true;
            QTest::addRow("any, an exact name there, %s", qPrintable(where))
                << false << network << oneThere << true << false;
        }
    }

    void exactNamesSettleTheRuleBeforeAnyFolderIsListed()
    {
        QFETCH(bool, all);
        QFETCH(QString, network);
        QFETCH(QStringList, paths);
        QFETCH(bool, met);
        QFETCH(bool, listed);

        Recorder recorder;
        PresenceProbe probe(recorder.test(), std::chrono::seconds(20), mountedUnder(network));
        QCOMPARE(all ? probe.allFound(paths) : probe.anyFound(paths), met);
        bool anyListed = false;
        for (const Asked &asked : recorder.asked())
            anyListed = anyListed || asked.names.join(QString()).contains(u'*');
        QCOMPARE(anyListed, listed);
    }

    // The first look finds names starting with "+" or "~"; the close look
    // finds only "+", as if "~" were still being written.
    void closeLookOnlyOnceTheFirstLookMeetsTheRule_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("met");
        QTest::addColumn<bool>("closeAsked");

        QTest::newRow("all, one missing") << true << QStringList{"/a/+x", "/b/~y", "/a/-z"} << false << false;
        QTest::newRow("all, every one there") << true << QStringList{"/a/+x", "/b/+y"} << true << true;
        QTest::newRow("all, one being written") << true << QStringList{"/a/+x", "/b/~y"} << false << true;
        QTest::newRow("any, none there") << false << QStringList{"/a/-x", "/b/-y"} << false << false;
        QTest::newRow("any, only one being written") << false << QStringList{"/a/~x", "/a/-y"} << false << true;
        QTest::newRow("any, one there") << false << QStringList{"/a/~x", "/b/+y"} << true << true;
    }

    void closeLookOnlyOnceTheFirstLookMeetsTheRule()
    {
        QFETCH(bool, all);
        QFETCH(QStringList, paths);
        QFETCH(bool, met);
        QFETCH(bool, closeAsked);

        std::atomic<int> closeLooks = 0;
        const auto name = [](const QString &p) { return presence::splitPath(p).second; };
        PresenceProbe probe(
            test::fakePresence([&](const QString &p) { return name(p).startsWith(u'+') || name(p).startsWith(u'~'); }),
            std::chrono::seconds(20), mountedUnder(QStringLiteral("/b/")), test::fakePresence([&](const QString &p) {
                ++closeLooks;
                return name(p).startsWith(u'+');
            }));
        QCOMPARE(all ? probe.allFound(paths) : probe.anyFound(paths), met);
        QCOMPARE(closeLooks.load() > 0, closeAsked);
    }

    // The close look answers "+" Yes, "~" No (being written), "?" Unsure.
    void unsureIsNotYetUpToTheLimit_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("before"); // each call below the limit
        QTest::addColumn<bool>("at");     // the call at the limit
        QTest::newRow("all, one unsure") << true << QStringList{"/a/+x", "/a/?y"} << false << true;
        QTest::newRow("all, unsure and written") << true << QStringList{"/a/?x", "/a/~y"} << false << false;
        QTest::newRow("any, only unsure") << false << QStringList{"/a/?x", "/a/~y"} << false << true;
        QTest::newRow("any, one there") << false << QStringList{"/a/?x", "/a/+y"} << true << true;
    }
    void unsureIsNotYetUpToTheLimit()
    {
        QFETCH(bool, all);
        QFETCH(QStringList, paths);
        QFETCH(bool, before);
        QFETCH(bool, at);
        using enum presence::Answer;
        PresenceProbe probe(test::fakePresence([](const QString &) { return true; }), std::chrono::seconds(20),
                            mountedUnder(QStringLiteral("/net/")), [](const QString &, const QStringList &names) {
                                std::vector<presence::Answer> answers;
                                for (const QString &name : names)
                                    answers.push_back(name[0] == u'+' ? Yes : name[0] == u'?' ? Unsure : No);
                                return answers;
                            });
        const auto ask = [&](const QStringList &asked) { return all ? probe.allFound(asked) : probe.anyFound(asked); };
        for (int call = 1; call < PresenceProbe::kUnsureLimit; ++call)
            QCOMPARE(ask(paths), before);
        QCOMPARE(ask(paths), at);
        QVERIFY(ask({QStringLiteral("/a/+z")})); // settled: the count starts afresh
        QCOMPARE(ask(paths), before);
    }

    // The close look answers, call by call, "u" Unsure, "o" Unfinished (the
    // look for writers goes on at the next call), "-" No, "+" Yes.
    void unfinishedDecidesNothing_data()
    {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("met");
        QTest::newRow("never through every process") << QString(25, u'o') << QString(25, u'0');
        QTest::newRow("unsure counted across it") << "uuuuuooooouuuuu"
                                                  << "000000000000001";
        QTest::newRow("a writer found at the end") << "ooo-oo+"
                                                   << "0000001";
    }
    void unfinishedDecidesNothing()
    {
        QFETCH(QString, answers);
        using enum presence::Answer;
        qsizetype call = 0;
        PresenceProbe probe(
            test::fakePresence([](const QString &) { return true; }), std::chrono::seconds(20),
            mountedUnder(QStringLiteral("/net/")), [&](const QString &, const QStringList &) {
                const QChar given = answers[call++];
                return std::vector{given == u'u' ? Unsure : given == u'o' ? Unfinished : given == u'+' ? Yes : No};
            });
        QString met;
        while (call < answers.size())
            met += probe.allFound({QStringLiteral("/a/x")}) ? u'1' : u'0';
        QTEST(met, "met");
    }

    // Names that are not UTF-8 are listed, matched and asked about by their
    // own bytes.
    void namesThatAreNotUtf8_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<bool>("found");
        QTest::newRow("Latin-1 name") << QByteArray("caf\xe9.zip") << "*.zip" << false << false << true;
        QTest::newRow("stray bytes, one ? each") << QByteArray("\x80\xff.zip") << "??.zip" << false << false << true;
        QTest::newRow("being written") << QByteArray("caf\xe9.zip") << "caf*" << true << false << false;
        QTest::newRow("partial beside it") << QByteArray("caf\xe9.zip") << "*" << false << true << false;
        QTest::newRow("UTF-8 name") << QByteArray("za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87.zip") << "za*.zip" << false
                                    << false << true;
    }
    void namesThatAreNotUtf8()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, entry);
        QFETCH(bool, written);
        QFETCH(bool, partial);
        const QByteArray folder = QFile::encodeName(m_dir->path()) + '/';
        const auto create = [&](const QByteArray &name) {
            const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            return fd >= 0 && ::write(fd, "data", 4) == 4 ? fd : -1;
        };
        int fd = create(file);
        QVERIFY(fd >= 0);
        const auto close = qScopeGuard([&] { ::close(fd); });
        if (!written)
            ::close(std::exchange(fd, -1));
        if (partial) {
            const int marker = create(file + ".part");
            QVERIFY(marker >= 0);
            ::close(marker);
        }
        QTEST(presence::found(path(entry)), "found");
        // The quiet condition's look: a download at work.
        QCOMPARE(presence::atWork(m_dir->path()), written || partial);
    }

    void localFoldersStayHereNetworkFoldersShareOneWorker()
    {
        Recorder recorder;
        PresenceProbe probe(recorder.test(), std::chrono::seconds(20), mountedUnder(QStringLiteral("/net/")));
        const QStringList paths = {QStringLiteral("/home/+a"), QStringLiteral("/net/one/+b"),
                                   QStringLiteral("/net/two/+c"), QStringLiteral("/network/+d")};
        QVERIFY(probe.allFound(paths));
        QVERIFY(probe.allFound(paths));

        std::set<std::thread::id> workers;
        for (const Asked &asked : recorder.asked()) {
            const bool network = asked.folder.startsWith(QLatin1String("/net/"));
            QVERIFY2(network == (asked.thread != std::this_thread::get_id()), qPrintable(asked.folder));
            if (network)
                workers.insert(asked.thread);
        }
        QCOMPARE(recorder.asked().size(), std::size_t(8));
        QCOMPARE(workers.size(), std::size_t(1));
    }

    // --- telling network folders from local ones ---
    void networkFoldersByTheMountTable_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("mayBlock");

        QTest::newRow("local folder") << QStringLiteral("local/") << false;
        QTest::newRow("name that only begins like a mount") << QStringLiteral("sharex/") << false;
        QTest::newRow("missing local folder") << QStringLiteral("local/gone/") << false;
        QTest::newRow("network mount") << QStringLiteral("share/") << true;
        QTest::newRow("below a network mount") << QStringLiteral("share/deep/") << true;
        QTest::newRow("user-space mount, blank in its name") << QStringLiteral("my share/") << true;
        QTest::newRow("link into a network mount") << QStringLiteral("local/into/") << true;
        QTest::newRow("link within local folders") << QStringLiteral("local/around/") << false;
        QTest::newRow("parent step into a network mount") << QStringLiteral("local/../share/") << true;
    }

    void networkFoldersByTheMountTable()
    {
        QFETCH(QString, folder);
        QFETCH(bool, mayBlock);

        const QString root = QDir(m_dir->path()).canonicalPath();
        QDir dir(root);
        QVERIFY(dir.mkpath(QStringLiteral("local")) && dir.mkpath(QStringLiteral("sharex")));
        QVERIFY(QFile::link(QStringLiteral("../share/sub"), root + QStringLiteral("/local/into")));
        QVERIFY(QFile::link(root + QStringLiteral("/sharex"), root + QStringLiteral("/local/around")));
        const QByteArray escaped = QFile::encodeName(root).replace(" ", "\\040");
        write(QStringLiteral("mountinfo"), "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                           "40 22 0:50 / " +
                                               escaped +
                                               "/share rw - nfs4 server:/x rw\n"
                                               "41 22 0:51 / " +
                                               escaped + "/my\\040share rw - fuse.sshfs host: rw\n");

        RemoteFolders folders(path(QStringLiteral("mountinfo")));
        QCOMPARE(folders.mayBlock(root + u'/' + folder), mayBlock);
    }

    void foundInAnswersEachNameInOrder()
    {
        write(QStringLiteral("a.zip"));
        write(QStringLiteral("b.rar"));
        using enum presence::Answer;
        const std::vector<presence::Answer> answers = presence::foundIn(
            m_dir->path() + u'/', {QStringLiteral("*.rar"), QStringLiteral("c.zip"), QStringLiteral("a.zip"),
                                   QStringLiteral("*.txt"), QStringLiteral("?.zip")});
        QCOMPARE(answers, std::vector<presence::Answer>({Yes, No, Yes, No, Yes}));
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
