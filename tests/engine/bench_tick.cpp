// Times one monitoring tick over 100 watched paths, half of them wildcards, in
// a folder of 10 000 files, beside the floor that the file system sets: one
// stat per exact name and one folder listing matched against the wildcards.
// Times are CPU time of the whole process (every thread), so other work on a
// busy machine does not count. Not a test: run it by hand or through
// scripts/benchmark.sh and read the medians.
//   bench_tick [runs]
#include "actions/actionwindows.h"
#include "actions/completionsequence.h"
#include "engine/monitor.h"
#include "engine/monitoring.h"
#include "engine/presenceprobe.h"
#include "settings/appstate.h"
#include "settings/watchliststore.h"
#include "support/fakes.h"
#include "support/fakes_actions.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Dated a minute back, as the tick finds a list written well before it:
    // a file changed in the last moments is read afresh each time.
    if (!file.flush() ||
        !file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime))
        qFatal("cannot date the settings file");
}

qint64 cpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The median CPU time of `runs` calls of `step`, in milliseconds; `before`
// runs first each time, uncounted.
double medianMs(int runs, const std::function<void()> &step, const std::function<void()> &before = {})
{
    std::vector<qint64> ns;
    for (int run = 0; run < runs; ++run) {
        if (before)
            before();
        const qint64 start = cpuNs();
        step();
        ns.push_back(cpuNs() - start);
    }
    std::sort(ns.begin(), ns.end());
    return ns[ns.size() / 2] / 1e6;
}

// Greedy matching with one back-tracking point, on the bytes of the name.
bool match(const char *pattern, const char *name)
{
    const char *star = nullptr;
    const char *resume = nullptr;
    while (*name) {
        if (*pattern && (*pattern == '?' || *pattern == *name)) {
            ++pattern;
            ++name;
        } else if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return !*pattern;
}

// What the file system costs at the least: a stat per exact name, one
// listing of the folder matched against the wildcards still unanswered.
bool floorPresence(const QByteArray &folder, const std::vector<QByteArray> &exact,
                   const std::vector<QByteArray> &patterns, bool any)
{
    struct stat info;
    for (const QByteArray &name : exact) {
        const bool there = ::stat((folder + name).constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
        if (any == there)
            return any;
    }
    std::vector<const char *> open;
    for (const QByteArray &pattern : patterns)
        open.push_back(pattern.constData());
    DIR *dir = ::opendir(folder.constData());
    bool hit = false;
    while (dirent *entry = dir && !hit && !open.empty() ? ::readdir(dir) : nullptr) {
        if (entry->d_name[0] == '.')
            continue;
        for (auto it = open.begin(); it != open.end();) {
            if (!match(*it, entry->d_name)) {
                ++it;
                continue;
            }
            hit = any;
            it = open.erase(it);
        }
    }
    if (dir)
        ::closedir(dir);
    return any ? hit : open.empty();
}

// The floor of reading the list: the settings file's bytes.
void floorRead(const QByteArray &file)
{
    char buffer[65536];
    const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}

void row(const char *figure, double ours, double floor)
{
    std::printf("%-58s %10.3f %10.3f %7.2fx\n", figure, ours, floor, ours / floor);
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
    test::FakeDialup dialup;
    test::FakeSound sound;
    test::FakeInhibitor inhibitor;
    test::FakePower power;
    test::FakeNotifier notifier;
    ActionWindows windows({state, sound, [](QWidget *) {}}, dialup, power, notifier);
    for (const char *key : {"notallfiles", "sound", "infofiles", "autodisconnect", "autocomp_off"})
        state.store.SaveUserSetting(QString::fromLatin1(key), QStringLiteral("0"));
    CompletionSequence completion({windows, sound});
    Monitor monitor(state, {dialup, inhibitor, power, completion});

    const auto split = [&](const QStringList &paths, std::vector<QByteArray> &exact,
                           std::vector<QByteArray> &patterns) {
        for (const QString &path : paths) {
            const QByteArray name = QFile::encodeName(presence::splitPath(path).second);
            (presence::hasWildcard(path) ? patterns : exact).push_back(name);
        }
    };
    const QByteArray folder = QFile::encodeName(downloads);

    // All rule, every file there: the whole list is tested, then emptied.
    const QStringList present = watchList(downloads, true);
    const double met = medianMs(
        runs, [&] { monitor.tick(); }, [&] { writeSettings(program, present); });
    // Any rule, nothing there: every wildcard reads the whole folder.
    state.store.SaveUserSetting(QStringLiteral("notallfiles"), QStringLiteral("1"));
    const QStringList absent = watchList(downloads, false);
    writeSettings(program, absent);
    const double missed = medianMs(runs, [&] { monitor.tick(); });

    std::vector<QByteArray> presentExact, presentPatterns, absentExact, absentPatterns;
    split(present, presentExact, presentPatterns);
    split(absent, absentExact, absentPatterns);
    const double metFloor = medianMs(runs, [&] { floorPresence(folder, presentExact, presentPatterns, false); });
    const double missedFloor = medianMs(runs, [&] { floorPresence(folder, absentExact, absentPatterns, true); });

    // All rule, every file there but the last: the list stays incomplete, so
    // the files that are there get no look for open writers.
    state.store.SaveUserSetting(QStringLiteral("notallfiles"), QStringLiteral("0"));
    QStringList nearly = watchList(downloads, true);
    nearly.last() = downloads + fileName(kFiles + 1);
    writeSettings(program, nearly);
    const double waiting = medianMs(runs, [&] { monitor.tick(); });
    if (monitoring::lastFileIndex(state.store) != kEntries - 1)
        qFatal("the incomplete list completed");
    std::vector<QByteArray> nearlyExact, nearlyPatterns;
    split(nearly, nearlyExact, nearlyPatterns);
    const double waitingFloor = medianMs(runs, [&] { floorPresence(folder, nearlyExact, nearlyPatterns, false); });

    // The presence test alone, every file there, without the settings file.
    PresenceProbe probe;
    const double scan = medianMs(runs, [&] {
        if (!monitoring::ruleMet(monitoring::Rule::All, present, probe))
            qFatal("the files were not found");
    });

    // Reading the list of 100 entries.
    const double read = medianMs(runs, [&] { watchlist::read(state.store.settingsFile()); });
    const double readFloor =
        medianMs(runs, [&] { floorRead(QFile::encodeName(program + QStringLiteral("Settings.ini"))); });

    std::printf("one tick, %d entries (half wildcards), %d files in the folder; median CPU ms of %d runs\n", kEntries,
                kFiles, runs);
    std::printf("%-58s %10s %10s %8s\n", "figure", "quendral", "floor", "ratio");
    row("CPU per tick, waiting: any rule, nothing there (ms)", missed, missedFloor);
    row("CPU of the presence test alone, all there (ms)", scan, metFloor);
    std::printf("%-58s %10.3f\n", "CPU per tick, all there, list emptied (ms)", met);
    row("CPU per tick, waiting: all rule, all there but one (ms)", waiting, waitingFloor);
    row("reading the watch list, 100 entries (ms)", read, readFloor);
    return 0;
}
