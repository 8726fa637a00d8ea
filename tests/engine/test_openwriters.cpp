// The last look of the presence test: download programs' partial markers and
// processes that still have a file open for writing, among many or not,
// whatever name they opened it by and whoever asks.
#include "engine/openwriters.h"
#include "engine/presence.h"
#include "engine/presenceprobe.h"
#include "support/forked.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <thread>

using namespace quendral;
using namespace std::chrono_literals;

namespace {

// A child process holding `file` open with `flags` until it is ended.
test::Forked holding(const QString &file, int flags = O_WRONLY | O_APPEND, bool undumpable = false)
{
    return test::Forked(1, [path = QFile::encodeName(file), flags, undumpable] {
        return ::open(path.constData(), flags) >= 0 && (!undumpable || ::prctl(PR_SET_DUMPABLE, 0) == 0);
    });
}

// Runs `step` on a thread with the credentials of `uid` (Linux keeps them per
// thread), so that root can also ask as an ordinary user.
template <typename Step> void as(uid_t uid, Step step)
{
    std::thread([&] {
        if (uid != 0 && (::syscall(SYS_setgroups, 0, nullptr) != 0 || ::syscall(SYS_setresgid, uid, uid, uid) != 0 ||
                         ::syscall(SYS_setresuid, uid, uid, uid) != 0))
            qFatal("cannot take uid %u", unsigned(uid));
        step();
    }).join();
}

// Gives a forked process `uid` for good, inspectable by that user as an
// ordinary process of theirs (a change of user makes it non-dumpable).
bool become(uid_t uid)
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(uid, uid, uid) == 0 && ::setresuid(uid, uid, uid) == 0 &&
           ::prctl(PR_SET_DUMPABLE, 1) == 0;
}

std::chrono::steady_clock::time_point soon()
{
    return std::chrono::steady_clock::now() + 5s;
}

} // namespace

class TestOpenWriters : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    void write(const QString &name, const QByteArray &data = "data") const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
    }
    bool found(const QString &name) const { return presence::found(path(name)); }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // --- partial markers ---
    void markerHoldsTheFileBack_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("marker");
        for (const char *entry : {"plik.zip", "*.zip", "plik.*"}) {
            for (const char *marker : {".part", ".crdownload", ".aria2", ".!qB"})
                QTest::addRow("%s, %s", entry, marker) << QString::fromLatin1(entry) << QString::fromLatin1(marker);
        }
    }
    void markerHoldsTheFileBack()
    {
        QFETCH(QString, entry);
        QFETCH(QString, marker);
        write(QStringLiteral("plik.zip"));
        // Even an empty marker counts: aria2's control file may be empty at first.
        write(QStringLiteral("plik.zip") + marker, "");
        QVERIFY(!found(entry));
        QVERIFY(QFile::remove(path(QStringLiteral("plik.zip") + marker)));
        QVERIFY(found(entry));
    }

    void markerFilesNeverMatchAPattern()
    {
        for (const char *marker : {"a.zip.part", "a.zip.crdownload", "a.zip.aria2", "a.zip.!qB"})
            write(QString::fromLatin1(marker));
        QVERIFY(!found(QStringLiteral("*")));
        QVERIFY(!found(QStringLiteral("a.zip*")));
    }

    // --- open writers ---
    void onlyWritersHoldTheFileBack_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("holds");
        QTest::newRow("appending") << (O_WRONLY | O_APPEND) << true;
        QTest::newRow("truncating") << (O_WRONLY | O_TRUNC) << true;
        QTest::newRow("reading and writing") << O_RDWR << true;
        QTest::newRow("reading") << O_RDONLY << false;
    }
    void onlyWritersHoldTheFileBack()
    {
        QFETCH(int, flags);
        QFETCH(bool, holds);
        write(QStringLiteral("plik.zip"));
        test::Forked holder = holding(path(QStringLiteral("plik.zip")), flags);
        // O_TRUNC empties the file as it opens it; the download writes on.
        write(QStringLiteral("plik.zip"));
        const QStringList files = {path(QStringLiteral("plik.zip"))};
        QCOMPARE(openwriters::writing(files, soon()).writing.size(), holds ? 1 : 0);
        QCOMPARE(openwriters::scan(files, soon()).writing.size(), holds ? 1 : 0);
        QCOMPARE(found(QStringLiteral("plik.zip")), !holds);
        QCOMPARE(found(QStringLiteral("*.zip")), !holds);
        holder.end();
        QVERIFY(found(QStringLiteral("plik.zip")));
        QVERIFY(found(QStringLiteral("*.zip")));
    }

    void aPatternIsFoundByAnotherCompleteFile()
    {
        write(QStringLiteral("a.zip"));
        write(QStringLiteral("b.zip"));
        const test::Forked a = holding(path(QStringLiteral("a.zip")));
        test::Forked b = holding(path(QStringLiteral("b.zip")));
        QVERIFY(!found(QStringLiteral("*.zip")));
        b.end();
        using enum presence::Answer;
        const std::vector<presence::Answer> answers = presence::foundIn(
            m_dir->path() + u'/', {QStringLiteral("a.zip"), QStringLiteral("*.zip"), QStringLiteral("b.zip")});
        QCOMPARE(answers, std::vector<presence::Answer>({No, Yes, Yes}));
    }

    void aLinkedEntryIsHeldBackByItsTargetsWriter()
    {
        write(QStringLiteral("elsewhere/real.zip"));
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/real.zip")), path(QStringLiteral("plik.zip"))));
        test::Forked holder = holding(path(QStringLiteral("elsewhere/real.zip")));
        QVERIFY(!found(QStringLiteral("plik.zip")));
        holder.end();
        QVERIFY(found(QStringLiteral("plik.zip")));
    }

    void ownWritesCountToo()
    {
        write(QStringLiteral("plik.zip"));
        QFile file(path(QStringLiteral("plik.zip")));
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(!found(QStringLiteral("plik.zip")));
        file.close();
        QVERIFY(found(QStringLiteral("plik.zip")));
    }

    // --- real writers started after 2000 processes of 50 descriptors ---
    void neverCompleteWhileWrittenAmongACrowd_data()
    {
        QTest::addColumn<QString>("opened"); // the name the writer opens
        QTest::addColumn<bool>("undumpable");
        QTest::addColumn<uid_t>("asker");
        QTest::addColumn<uid_t>("owner");
        const uid_t nobody = 65534;
        QTest::newRow("own name") << "plik.zip" << false << uid_t(0) << uid_t(0);
        QTest::newRow("hard link") << "link.bin" << false << uid_t(0) << uid_t(0);
        QTest::newRow("non-dumpable") << "plik.zip" << true << uid_t(0) << uid_t(0);
        QTest::newRow("another user's writer") << "link.bin" << true << nobody << nobody;
        QTest::newRow("another owner's file") << "plik.zip" << true << nobody << uid_t(0);
    }
    void neverCompleteWhileWrittenAmongACrowd()
    {
        QFETCH(QString, opened);
        QFETCH(bool, undumpable);
        QFETCH(uid_t, asker);
        QFETCH(uid_t, owner);
        const bool lease = asker == 0 || asker == owner; // root has CAP_LEASE
        if (::geteuid() != 0)
            QSKIP("asks as another user, which needs root");
        const test::Forked crowd(
            2000, [] { return true; }, 50);
        write(QStringLiteral("plik.zip"));
        const QString file = path(QStringLiteral("plik.zip"));
        const QByteArray name = QFile::encodeName(file);
        QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755) == 0 &&
                ::chown(name.constData(), owner, owner) == 0 &&
                ::link(name.constData(), QFile::encodeName(path(QStringLiteral("link.bin"))).constData()) == 0);

        test::Forked writer = holding(path(opened), O_WRONLY | O_APPEND, undumpable);
        as(asker, [&] {
            PresenceProbe probe;
            for (int tries = 0; tries < 3; ++tries) {
                QVERIFY(!probe.allFound({file}));
                // Without leases: the writer is seen, or the look cannot tell.
                const auto seen = openwriters::scan({file}, soon());
                QVERIFY(seen.writing.contains(file) || seen.unsure.contains(file) || seen.unfinished.contains(file));
            }
        });
        writer.end();
        // Without a lease nothing settles: complete once the probe stops waiting.
        as(asker, [&] {
            PresenceProbe probe;
            for (int calls = 1; !lease && calls < PresenceProbe::kUnsureLimit; ++calls)
                QVERIFY(!probe.allFound({file}));
            QVERIFY(probe.allFound({file}));
        });
    }

    // --- 6000 busy processes, no lease, a writer that can be read: the look
    // runs out of time, goes on at the next call, and never lets the file
    // complete while it is written ---
    void neverCompleteWhileWrittenOnABusyMachineWithoutLeases()
    {
        if (::geteuid() != 0)
            QSKIP("asks as another user, which needs root");
        const uid_t nobody = 65534;
        write(QStringLiteral("plik.zip"));
        const QString file = path(QStringLiteral("plik.zip"));
        // Root's file: no lease for anyone else.
        QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755) == 0 &&
                ::chmod(QFile::encodeName(file).constData(), 0666) == 0);
        test::Forked crowd(
            6000, [] { return become(nobody); }, 100);
        test::Forked writer(1, [name = QFile::encodeName(file)] {
            return become(nobody) && ::open(name.constData(), O_WRONLY | O_APPEND) >= 0;
        });
        as(nobody, [&] {
            openwriters::Progress progress;
            openwriters::Writers seen;
            int looks = 0;
            do {
                seen = openwriters::writing({file}, std::chrono::steady_clock::now() + 200ms, &progress);
            } while (++looks < 200 && !seen.unfinished.isEmpty());
            QVERIFY2(looks > 1, "the look never ran out of time: not busy enough to tell");
            QCOMPARE(seen.writing, QSet<QString>{file});
            PresenceProbe probe;
            for (int calls = 0; calls < 2 * PresenceProbe::kUnsureLimit + 2; ++calls)
                QVERIFY2(!probe.allFound({file}), qPrintable(QString::number(calls)));
        });
        writer.end();
        crowd.end();
        // Root's processes stay unreadable: complete once the probe stops waiting.
        as(nobody, [&] {
            PresenceProbe probe;
            int calls = 1;
            while (!probe.allFound({file}) && calls < 3 * PresenceProbe::kUnsureLimit)
                ++calls;
            QCOMPARE(calls, int(PresenceProbe::kUnsureLimit));
        });
    }

    // --- FUSE: a lease is granted while the folder behind the mount is
    // written, so the descriptors are looked at ---
    void fuseMountsAreNotLeftToLeases_data()
    {
        QTest::addColumn<bool>("throughMount");
        QTest::newRow("writer of the folder behind") << false;
        QTest::newRow("writer through the mount") << true;
    }
    void fuseMountsAreNotLeftToLeases()
    {
        QFETCH(bool, throughMount);
        const QString bindfs = QStandardPaths::findExecutable(QStringLiteral("bindfs"));
        if (bindfs.isEmpty())
            QSKIP("bindfs is not installed");
        QVERIFY(QDir().mkpath(path(QStringLiteral("behind"))) && QDir().mkpath(path(QStringLiteral("mount"))));
        write(QStringLiteral("behind/plik.zip"));
        if (QProcess::execute(bindfs, {path(QStringLiteral("behind")), path(QStringLiteral("mount"))}) != 0)
            QSKIP("no FUSE mount can be made here");
        const auto unmount = qScopeGuard([&] {
            QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), path(QStringLiteral("mount"))});
        });
        test::Forked writer =
            holding(path(throughMount ? QStringLiteral("mount/plik.zip") : QStringLiteral("behind/plik.zip")));
        const auto answers = [&] {
            return presence::foundIn(path(QStringLiteral("mount/")),
                                     {QStringLiteral("plik.zip"), QStringLiteral("*.zip")});
        };
        using enum presence::Answer;
        QCOMPARE(answers(), std::vector({No, No}));
        writer.end();
        // Where some process cannot be read (another user's, or root's in a
        // container), no writer seen is all the look can tell.
        for (const presence::Answer answer : answers())
            QVERIFY(answer == Yes || answer == Unsure);
    }

    // --- the look without leases, on a /proc laid out by hand ---
    void scanReadsFlagsAndFailsClosed()
    {
        write(QStringLiteral("plik.zip"));
        // A writer may hold the file under another name.
        QVERIFY(::link(QFile::encodeName(path(QStringLiteral("plik.zip"))).constData(),
                       QFile::encodeName(path(QStringLiteral("other.bin"))).constData()) == 0);
        const QString proc = path(QStringLiteral("proc/"));
        const auto process = [&](const char *pid, const char *flags) {
            QVERIFY(QDir().mkpath(proc + QLatin1String(pid) + QStringLiteral("/fd")));
            QVERIFY(QDir().mkpath(proc + QLatin1String(pid) + QStringLiteral("/fdinfo")));
            QVERIFY(
                QFile::link(path(QStringLiteral("other.bin")), proc + QLatin1String(pid) + QStringLiteral("/fd/7")));
            QFile info(proc + QLatin1String(pid) + QStringLiteral("/fdinfo/7"));
            QVERIFY(info.open(QIODevice::WriteOnly));
            info.write(QByteArray("pos:\t0\nflags:\t") + flags + "\nmnt_id:\t25\n");
        };
        const QStringList files = {path(QStringLiteral("plik.zip"))};
        const auto scan = [&](std::chrono::steady_clock::time_point deadline = soon()) {
            return openwriters::scan(files, deadline, proc);
        };
        process("100", "0100000"); // read only
        QVERIFY(scan().writing.isEmpty() && scan().unsure.isEmpty());
        // A process whose descriptors cannot be read may be the writer.
        QVERIFY(QDir().mkpath(proc + QStringLiteral("150")));
        write(QStringLiteral("proc/150/fd"));
        QVERIFY(scan().writing.isEmpty() && scan().unsure.contains(files.first()));
        process("200", "02100001"); // write only
        QCOMPARE(scan().writing, QSet<QString>{files.first()});
        QVERIFY(scan().unsure.isEmpty());
        // Past its deadline the scan has not finished; without /proc it
        // cannot tell.
        QVERIFY(scan(std::chrono::steady_clock::now()).unfinished.contains(files.first()));
        QVERIFY(openwriters::scan(files, soon(), path(QStringLiteral("noproc"))).unsure.contains(files.first()));
        // A folder or a missing file: nothing to find.
        const auto none = openwriters::scan({m_dir->path(), path(QStringLiteral("gone.zip"))}, soon(), proc);
        QVERIFY(none.writing.isEmpty() && none.unsure.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOpenWriters)
#include "test_openwriters.moc"
