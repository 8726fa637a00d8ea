// Times one monitoring tick over 100 watched paths, half of them wildcards, in
// a folder of 10 000 files. Not a test: run it by hand and read the medians.
//   bench_tick [runs]
#include "core/frmnotunload.h"
#include "core/monitoring.h"
#include "core/presenceprobe.h"
#include "kit/windowfactory.h"
#include "settings/appstate.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quendral;

namespace {

constexpr int kFiles = 10000;
constexpr int kEntries = 100;

QString fileName(int n)
{
    return QStringLiteral("download-%1.bin").arg(n, 5, 10, QLatin1Char('0'));
}

// Exact names and wildcards alternate; `present` picks names that exist.
QStringList watchList(const QString &folder, bool present)
{
    QStringList paths;
    for (int i = 0; i < kEntries; ++i) {
        const int n = present ? (i * 97) % kFiles : kFiles + i;
        const QString number = QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'));
        paths.append(folder + (i % 2 ? QStringLiteral("*-%1.b?n").arg(number) : fileName(n)));
    }
    return paths;
}

void writeSettings(const QString &programFolder, const QStringList &paths)
{
    QFile file(programFolder + QStringLiteral("Settings.ini"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the settings file");
    file.write("[Files]\r\n");
    for (int n = 0; n < paths.size(); ++n)
        file.write(QStringLiteral("file%1=%2\r\n").arg(n).arg(paths[n]).toUtf8());
}

double medianMs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return ns[ns.size() / 2] / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    // Never the user's own settings or display.
    QTemporaryDir home;
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_RUNTIME_DIR", "HOME"})
        qputenv(variable, home.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;

    QTemporaryDir root;
    const QString program = root.path() + QStringLiteral("/program/");
    const QString downloads = root.path() + QStringLiteral("/downloads/");
    QDir().mkpath(program);
    QDir().mkpath(downloads);
    for (int n = 0; n < kFiles; ++n) {
        QFile file(downloads + fileName(n));
        if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
            qFatal("cannot create the download folder");
    }

    AppState state(program);
    WindowFactory factory;
    test::FakeDialup dialup;
    test::FakeSound sound;
    test::FakeCompletionWindows completion;
    test::FakeInhibitor inhibitor;
    test::FakePower power;
    for (const char *key : {"notallfiles", "sound", "infofiles", "autodisconnect", "autocomp_off"})
        state.store.SaveUserSetting(QString::fromLatin1(key), QStringLiteral("0"));
    frmnotunload window(
        state, factory, dialup, sound, completion, inhibitor, power, [] {}, [] {});

    // All rule, every file there: the whole list is tested, then emptied.
    std::vector<qint64> met;
    for (int run = 0; run < runs; ++run) {
        writeSettings(program, watchList(downloads, true));
        QElapsedTimer clock;
        clock.start();
        window.tloop_Timer();
        met.push_back(clock.nsecsElapsed());
    }
    // Any rule, nothing there: every wildcard reads the whole folder.
    state.store.SaveUserSetting(QStringLiteral("notallfiles"), QStringLiteral("1"));
    writeSettings(program, watchList(downloads, false));
    std::vector<qint64> missed;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        window.tloop_Timer();
        missed.push_back(clock.nsecsElapsed());
    }

    // All rule, every file there but the last: the list stays incomplete, yet
    // the files that are there get their last look (markers, /proc).
    state.store.SaveUserSetting(QStringLiteral("notallfiles"), QStringLiteral("0"));
    QStringList nearly = watchList(downloads, true);
    nearly.last() = downloads + fileName(kFiles + 1);
    writeSettings(program, nearly);
    std::vector<qint64> waiting;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        window.tloop_Timer();
        waiting.push_back(clock.nsecsElapsed());
    }
    if (monitoring::last_file_index(state.store) != kEntries - 1)
        qFatal("the incomplete list completed");

    // The presence test alone, every file there, without the settings file.
    const QStringList present = watchList(downloads, true);
    PresenceProbe probe;
    std::vector<qint64> scans;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        if (!monitoring::ruleMet(monitoring::Rule::All, present, probe))
            qFatal("the files were not found");
        scans.push_back(clock.nsecsElapsed());
    }

    std::printf("one tick, %d entries (half wildcards), %d files in the folder, %d runs each\n", kEntries, kFiles,
                runs);
    std::printf("  all rule, every file present (list emptied): median %.1f ms\n", medianMs(met));
    std::printf("  any rule, no file present (full folder scans): median %.1f ms\n", medianMs(missed));
    std::printf("  all rule, all but the last present (incomplete): median %.1f ms\n", medianMs(waiting));
    std::printf("  presence test alone, every file present: median %.1f ms\n", medianMs(scans));
    return 0;
}
