// Real writers among 2000 processes of 50 descriptors each, started last:
// whatever name a writer opened the file by, whether /proc shows it or not,
// and whoever asks, the file never counts as complete while it is open for
// writing, and counts once the writer has closed it.
#include "core/openwriters.h"
#include "core/presenceprobe.h"
#include "support/heldprocess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <thread>

using namespace quendral;

namespace {

constexpr uid_t kNobody = 65534;

// Runs `step` on a thread of its own with the credentials of `uid` alone (on
// Linux they belong to each thread), so that the test's root user can also
// ask as an ordinary user.
template <typename Step> void as(uid_t uid, Step step)
{
    std::thread thread([&] {
        if (uid != ::geteuid() &&
            (::syscall(SYS_setgroups, 0, nullptr) != 0 || ::syscall(SYS_setresgid, uid, uid, uid) != 0 ||
             ::syscall(SYS_setresuid, uid, uid, uid) != 0))
            qFatal("cannot take uid %u", unsigned(uid));
        step();
    });
    thread.join();
}

} // namespace

class TestWriterCrowd : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::HeldProcess> m_crowd;

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("asks as another user, which needs root");
        m_crowd = std::make_unique<test::HeldProcess>(QStringList{"crowd", "2000", "50"});
    }
    void cleanupTestCase() { m_crowd.reset(); }

    void neverCompleteWhileWritten_data()
    {
        QTest::addColumn<QString>("opened");  // the name the writer opens
        QTest::addColumn<bool>("undumpable"); // hidden from /proc readers but root
        QTest::addColumn<uid_t>("asker");     // who checks
        QTest::addColumn<uid_t>("owner");     // whose file it is
        QTest::addColumn<bool>("lease");      // the asker may take a lease on it

        QTest::newRow("own name") << "plik.zip" << false << uid_t(0) << uid_t(0) << true;
        QTest::newRow("hard link") << "link.bin" << false << uid_t(0) << uid_t(0) << true;
        QTest::newRow("non-dumpable") << "plik.zip" << true << uid_t(0) << uid_t(0) << true;
        QTest::newRow("another user's writer") << "link.bin" << true << kNobody << kNobody << true;
        QTest::newRow("another owner's file") << "plik.zip" << true << kNobody << uid_t(0) << false;
    }
    void neverCompleteWhileWritten()
    {
        QFETCH(QString, opened);
        QFETCH(bool, undumpable);
        QFETCH(uid_t, asker);
        QFETCH(uid_t, owner);
        QFETCH(bool, lease);

        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const QString file = dir.filePath(QStringLiteral("plik.zip"));
        QFile data(file);
        QVERIFY(data.open(QIODevice::WriteOnly) && data.write("data") == 4);
        data.close();
        QVERIFY(::chown(QFile::encodeName(file).constData(), owner, owner) == 0);
        QVERIFY(::link(QFile::encodeName(file).constData(), QFile::encodeName(dir.filePath("link.bin")).constData()) ==
                0);

        auto writer = std::make_unique<test::HeldProcess>(QStringList{"write", dir.filePath(opened)} +
                                                          (undumpable ? QStringList{"undumpable"} : QStringList{}));
        PresenceProbe probe;
        as(asker, [&] {
            for (int tries = 0; tries < 3; ++tries) {
                QVERIFY(!probe.allFound({file}));
                // The look without leases either sees the writer or says it
                // cannot tell.
                const auto scanned =
                    openwriters::scan({file}, std::chrono::steady_clock::now() + std::chrono::seconds(1));
                QVERIFY(scanned.writing.contains(file) || scanned.unsure.contains(file));
            }
        });
        writer->close();
        // Without a lease, other users' processes stay unreadable: complete
        // only once a fresh probe stops waiting for a settled answer.
        as(asker, [&] {
            PresenceProbe fresh;
            for (int calls = 1; !lease && calls < PresenceProbe::kUnsureLimit; ++calls)
                QVERIFY(!fresh.allFound({file}));
            QVERIFY(fresh.allFound({file}));
        });
    }
};

QTEST_GUILESS_MAIN(TestWriterCrowd)
#include "test_writercrowd.moc"
