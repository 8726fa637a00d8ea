#include "actions/sound_linux.h"

#include "actions/actionwindows.h"
#include "actions/hangupcountdown.h"
#include "settings/appstate.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"

#include "support/testsupport.h"
#include "tone.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quendral;
using namespace quendral::test;
using namespace std::chrono_literals;

namespace {

// Records the test server's null sink while it lives: everything played
// through the server ends up in the file.
class Recording
{
public:
    explicit Recording(const QString &path)
        : m_path(path)
    {
        m_process.start(QStringLiteral("parecord"),
                        {QStringLiteral("--latency-msec=20"), QStringLiteral("-d"), QStringLiteral("test.monitor"),
                         QStringLiteral("--file-format=wav"), path});
    }

    // True once the sink's silence is flowing into the file, so that nothing
    // played afterwards is missed.
    bool started()
    {
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            if (QFileInfo(m_path).size() > 8192)
                return true;
            m_process.waitForReadyRead(10);
        }
        return false;
    }

    bool finish()
    {
        m_process.terminate();
        return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit;
    }

private:
    QString m_path;
    QProcess m_process;
};

// Runs `step` while the null sink is recorded into `path`; false when the
// recorder did not start or stop cleanly.
bool recordWhile(const QString &path, const std::function<void()> &step)
{
    Recording recording(path);
    if (!recording.started())
        return false;
    step();
    return recording.finish();
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

double peak(const QString &recording)
{
    const QString stat = run(QStringLiteral("sox"), {recording, QStringLiteral("-n"), QStringLiteral("stat")});
    const auto match = QRegularExpression(QStringLiteral("Maximum amplitude:\\s*([0-9.]+)")).match(stat);
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

// How long the recording sounds, silence at both ends cut off.
double soundingSeconds(const QString &recording)
{
    const QString trimmed = recording + QStringLiteral(".trimmed.wav");
    const QString below = QStringLiteral("0.5%");
    run(QStringLiteral("sox"), {recording, trimmed, QStringLiteral("silence"), QStringLiteral("1"),
                                QStringLiteral("0.001"), below, QStringLiteral("reverse"), QStringLiteral("silence"),
                                QStringLiteral("1"), QStringLiteral("0.001"), below, QStringLiteral("reverse")});
    return run(QStringLiteral("soxi"), {QStringLiteral("-D"), trimmed}).trimmed().toDouble();
}

qint64 timed(const std::function<void()> &step)
{
    QElapsedTimer clock;
    clock.start();
    step();
    return clock.elapsed();
}

// A socket that takes connections and never answers, as a hung server does.
class FrozenServer
{
public:
    explicit FrozenServer(const QString &path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        m_listening = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                      ::listen(m_fd, 8) == 0;
    }
    ~FrozenServer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FrozenServer(const FrozenServer &) = delete;
    FrozenServer &operator=(const FrozenServer &) = delete;

    bool listening() const { return m_listening; }

private:
    int m_fd = -1;
    bool m_listening = false;
};

// Points libpulse at another server for the players made while it lives.
class ServerOverride
{
public:
    explicit ServerOverride(const QString &socket)
        : m_saved(qgetenv("PULSE_SERVER"))
    {
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
    }
    ~ServerOverride() { qputenv("PULSE_SERVER", m_saved); }

private:
    QByteArray m_saved;
};

// The threads that bear the program's own name: those started without one,
// as the sound's worker is (Qt names its own).
qsizetype unnamedThreads()
{
    const auto nameOf = [](const QString &folder) {
        QFile comm(folder + QStringLiteral("/comm"));
        return comm.open(QIODevice::ReadOnly) ? comm.readAll() : QByteArray();
    };
    const QByteArray own = nameOf(QStringLiteral("/proc/self"));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    qsizetype count = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        count += nameOf(tasks.filePath(task)) == own;
    return count;
}

} // namespace

// The sound server of scripts/test-env.sh; on a CI machine its absence is a
// fault of the set-up, elsewhere the sound tests are skipped.
#define NEED_SOUND_SERVER()                                                                                            \
    do {                                                                                                               \
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {                                                             \
            if (!qEnvironmentVariableIsEmpty("CI"))                                                                    \
                QFAIL("no sound server: PULSE_SERVER is not set");                                                     \
            QSKIP("no sound server: run the tests through scripts/test-env.sh");                                       \
        }                                                                                                              \
    } while (false)

class TestCanberraSound : public QObject
{
    Q_OBJECT

private:
    QString m_beep = sourceDir() + QStringLiteral("/resources/beep.wav");

private slots:
    void theTickSoundComesOutWhole()
    {
        NEED_SOUND_SERVER();
        ProgramFolder folder;
        const QString recorded = folder.file(QStringLiteral("rec.wav"));
        CanberraSoundPlayer player;
        qint64 waited = 0;
        QVERIFY(recordWhile(recorded, [&] { waited = timed([&] { player.playSync(m_beep); }); }));

        QVERIFY2(peak(recorded) > 0.2, "no sound came out");
        const double heard = soundingSeconds(recorded);
        qInfo("tick: %.3f s heard, caller held %lld ms", heard, waited);
        QVERIFY2(heard > 0.06 && heard < 0.13, qPrintable(QString::number(heard)));
        QVERIFY2(waited >= 80 && waited < 1000, qPrintable(QString::number(waited)));
    }

    void theCompletionSoundComesOutWholeAndIsWaitedFor()
    {
        NEED_SOUND_SERVER();
        ProgramFolder folder;
        const QString sound = folder.file(QStringLiteral("done.wav"));
        const QString recorded = folder.file(QStringLiteral("rec.wav"));
        QVERIFY(writeFile(sound, toneWav(600, 44100)));
        CanberraSoundPlayer player;
        qint64 waited = 0;
        QVERIFY(recordWhile(recorded, [&] { waited = timed([&] { player.playSync(sound); }); }));

        QVERIFY2(peak(recorded) > 0.2, "no sound came out");
        const double heard = soundingSeconds(recorded);
        qInfo("completion sound: %.3f s heard, caller held %lld ms", heard, waited);
        QVERIFY2(heard > 0.57 && heard < 0.65, qPrintable(QString::number(heard)));
        QVERIFY2(waited >= 590 && waited < 1500, qPrintable(QString::number(waited)));
    }

    void theNextSoundStartsOnlyAfterTheFirstEnded()
    {
        // Back to back: had the first call returned early, the two sounds
        // would overlap and the recording would sound shorter than both.
        NEED_SOUND_SERVER();
        ProgramFolder folder;
        const QString sound = folder.file(QStringLiteral("done.wav"));
        const QString recorded = folder.file(QStringLiteral("rec.wav"));
        QVERIFY(writeFile(sound, toneWav(400, 44100)));
        CanberraSoundPlayer player;
        QVERIFY(recordWhile(recorded, [&] {
            player.playSync(sound);
            player.playSync(sound);
        }));

        const double heard = soundingSeconds(recorded);
        qInfo("two sounds back to back: %.3f s heard", heard);
        QVERIFY2(heard > 0.78 && heard < 1.1, qPrintable(QString::number(heard)));
    }

    void aCountdownSecondLastsAsLongAsItsTick()
    {
        // A tick sound longer than the usual click, to make the stretch plain.
        NEED_SOUND_SERVER();
        ProgramFolder folder;
        const QString recorded = folder.file(QStringLiteral("rec.wav"));
        QVERIFY(writeFile(folder.file(QStringLiteral("beep.wav")), toneWav(300, 44100)));
        AppState state(folder.path());
        CanberraSoundPlayer player;
        FakeDialup dialup;
        FakePower power;
        FakeNotifier notifier;
        ActionWindows windows({state, player, [](QWidget *) {}}, dialup, power, notifier);
        auto *window = qobject_cast<HangUpCountdown *>(windows.showHangUp(15));
        QVERIFY(window);
        qint64 waited = 0;
        QString shownAfter;
        QVERIFY(recordWhile(recorded, [&] {
            waited = timed([&] { window->countSecond(); });
            shownAfter = window->findChild<QLabel *>(QStringLiteral("lbls"))->text();
        }));
        delete window;

        const double heard = soundingSeconds(recorded);
        qInfo("countdown tick: %.3f s heard, tick held %lld ms", heard, waited);
        QCOMPARE(shownAfter, QStringLiteral("14"));
        QVERIFY2(heard > 0.27 && heard < 0.33, qPrintable(QString::number(heard)));
        QVERIFY2(waited >= 290, qPrintable(QString::number(waited)));
    }

    void theLibraryIsLoadedForTheFirstSoundAndLetGoWhenIdle()
    {
        NEED_SOUND_SERVER();
        const auto loaded = [] {
            QFile maps(QStringLiteral("/proc/self/maps"));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/libcanberra.so");
        };
        CanberraSoundPlayer player(2000ms, 300ms);
        QVERIFY(!loaded());
        player.playSync(m_beep);
        QVERIFY(loaded());
        QTRY_VERIFY_WITH_TIMEOUT(!loaded(), 5000);

        // The next sound loads it again, and is heard.
        ProgramFolder folder;
        const QString recorded = folder.file(QStringLiteral("rec.wav"));
        QVERIFY(recordWhile(recorded, [&] { player.playSync(m_beep); }));
        QVERIFY2(peak(recorded) > 0.2, "no sound came out");

        // libcanberra never frees what a theme sound's look-up keeps: from the
        // first default sound on, it stays loaded. (Runs before the tests of
        // the default sound, which would keep it loaded from the start.)
        QTRY_VERIFY_WITH_TIMEOUT(!loaded(), 5000);
        player.playSync(folder.file(QStringLiteral("gone.wav")));
        QTest::qWait(1000);
        QVERIFY(loaded());
    }

    void aMissingFilePlaysTheDefaultSound_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not playable") << QByteArray("this is not a sound");
    }
    void aMissingFilePlaysTheDefaultSound()
    {
        QFETCH(QByteArray, content);
        NEED_SOUND_SERVER();
        ProgramFolder folder;
        const QString path = folder.file(QStringLiteral("gone.wav"));
        if (!content.isEmpty())
            QVERIFY(writeFile(path, content));
        const QString recorded = folder.file(QStringLiteral("rec.wav"));
        CanberraSoundPlayer player;
        qint64 waited = 0;
        QVERIFY(recordWhile(recorded, [&] { waited = timed([&] { player.playSync(path); }); }));

        QVERIFY2(peak(recorded) > 0.05, "the default sound did not come out");
        QVERIFY(waited < 3000);
    }

    // A program that plays no sound keeps no thread for it; the first sound
    // starts the one that serves every later sound.
    void theWorkerThreadStartsWithTheFirstSound_data()
    {
        QTest::addColumn<int>("sounds");
        QTest::addColumn<int>("threads");
        QTest::newRow("no sound") << 0 << 0;
        QTest::newRow("one sound") << 1 << 1;
        QTest::newRow("three sounds") << 3 << 1;
    }
    void theWorkerThreadStartsWithTheFirstSound()
    {
        QFETCH(int, sounds);
        QFETCH(int, threads);
        ProgramFolder folder;
        const ServerOverride none(folder.file(QStringLiteral("no-such-socket")));
        const qsizetype before = unnamedThreads();
        {
            CanberraSoundPlayer player;
            for (int n = 0; n < sounds; ++n)
                player.playSync(m_beep);
            QCOMPARE(unnamedThreads() - before, threads);
        }
        QTRY_COMPARE(unnamedThreads(), before);
    }

    void withoutAServerItIsSilentAndFast()
    {
        ProgramFolder folder;
        const ServerOverride none(folder.file(QStringLiteral("no-such-socket")));
        const LogRecorder log;
        CanberraSoundPlayer player;
        QVERIFY(timed([&] { player.playSync(m_beep); }) < 500);
        QVERIFY(timed([&] { player.playSync(m_beep); }) < 500);
        player.playSync(m_beep);
        // Told once for the cause, not once per countdown second.
        QCOMPARE(log.warnings("quendral.sound").filter(QStringLiteral("Opening the sound server failed")).size(), 1);
    }

    void aFrozenServerHoldsTheCallerNoLongerThanTheBound()
    {
        ProgramFolder folder;
        const FrozenServer frozen(folder.file(QStringLiteral("frozen")));
        QVERIFY(frozen.listening());
        const ServerOverride hung(folder.file(QStringLiteral("frozen")));
        auto player = std::make_unique<CanberraSoundPlayer>(300ms);

        const qint64 first = timed([&] { player->playSync(m_beep); });
        QVERIFY2(first >= 300 && first < 1000, qPrintable(QString::number(first)));
        // The worker is still held: the next sounds are skipped at once.
        QVERIFY(timed([&] { player->playSync(m_beep); }) < 50);
        QVERIFY(timed([&] { player.reset(); }) < 50);
    }
};

QTEST_MAIN(TestCanberraSound)
#include "test_canberrasound.moc"
