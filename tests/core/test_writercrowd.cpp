// Real writers started after 2000 processes of 50 descriptors each: whatever
// name a writer opened the file by, whether /proc shows it, and whoever asks,
// the file never counts as complete while it is open for writing.
#include "core/openwriters.h"
#include "core/presenceprobe.h"
#include "support/forked.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

using namespace quendral;

namespace {

// Runs `step` on a thread with the credentials of `uid` (Linux keeps them
// per thread), so that root can also ask as an ordinary user.
template <typename Step> void as(uid_t uid, Step step)
{
    std::thread([&] {
        if (uid != 0 && (::syscall(SYS_setgroups, 0, nullptr) != 0 || ::syscall(SYS_setresgid, uid, uid, uid) != 0 ||
                         ::syscall(SYS_setresuid, uid, uid, uid) != 0))
            qFatal("cannot take uid %u", unsigned(uid));
        step();
    }).join();
}

} // namespace

class TestWriterCrowd : public QObject
{
    Q_OBJECT

private slots:
    void neverCompleteWhileWritten_data()
    {
        QTest::addColumn<QString>("opened"); // the name the writer opens
        QTest::addColumn<bool>("undumpable");
        QTest::addColumn<uid_t>("asker");
        QTest::addColumn<uid_t>("owner");
        QTest::addColumn<bool>("lease"); // whether the asker may take one

        const uid_t nobody = 65534;
        QTest::newRow("own name") << "plik.zip" << false << uid_t(0) << uid_t(0) << true;
        QTest::newRow("hard link") << "link.bin" << false << uid_t(0) << uid_t(0) << true;
        QTest::newRow("non-dumpable") << "plik.zip" << true << uid_t(0) << uid_t(0) << true;
        QTest::newRow("another user's writer") << "link.bin" << true << nobody << nobody << true;
        QTest::newRow("another owner's file") << "plik.zip" << true << nobody << uid_t(0) << false;
    }
    void neverCompleteWhileWritten()
    {
        QFETCH(QString, opened);
        QFETCH(bool, undumpable);
        QFETCH(uid_t, asker);
        QFETCH(uid_t, owner);
        QFETCH(bool, lease);
        if (::geteuid() != 0)
            QSKIP("asks as another user, which needs root");
        const test::Forked crowd(
            2000, [] { return true; }, 50);

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plik.zip"));
        QFile data(file);
        QVERIFY(data.open(QIODevice::WriteOnly) && data.write("data") == 4);
        data.close();
        const QByteArray name = QFile::encodeName(file);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0 &&
                ::chown(name.constData(), owner, owner) == 0 &&
                ::link(name.constData(), QFile::encodeName(dir.filePath("link.bin")).constData()) == 0);

        const QByteArray target = QFile::encodeName(dir.filePath(opened));
        test::Forked writer(1, [&] {
            return ::open(target.constData(), O_WRONLY | O_APPEND) >= 0 &&
                   (!undumpable || ::prctl(PR_SET_DUMPABLE, 0) == 0);
        });
        as(asker, [&] {
            PresenceProbe probe;
            for (int tries = 0; tries < 3; ++tries) {
                QVERIFY(!probe.allFound({file}));
                // Without leases: the writer is seen, or the look cannot tell.
                const auto seen = openwriters::scan({file}, std::chrono::steady_clock::now() + std::chrono::seconds(1));
                QVERIFY(seen.writing.contains(file) || seen.unsure.contains(file));
            }
        });
        writer.end();
        // Without a lease, nothing settles: complete once the probe stops waiting.
        as(asker, [&] {
            PresenceProbe probe;
            for (int calls = 1; !lease && calls < PresenceProbe::kUnsureLimit; ++calls)
                QVERIFY(!probe.allFound({file}));
            QVERIFY(probe.allFound({file}));
        });
    }
};

QTEST_GUILESS_MAIN(TestWriterCrowd)
#include "test_writercrowd.moc"
