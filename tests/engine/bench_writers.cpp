// Times the look for open writers over 100 present files while 2000 other
// processes of 50 descriptors each run, beside the floor that the kernel
// sets: one open and one lease request per file. The look without leases
// (/proc) is timed too, for comparison. Times are medians of CPU time of the
// whole process (kernel time included) and of wall time. Not a test: run it
// by hand and read the medians.
//   bench_writers [runs]
#include "engine/openwriters.h"
#include "engine/presenceprobe.h"
#include "support/forked.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace quendral;

namespace {

constexpr int kFiles = 100;

struct Times
{
    double cpuMs;
    double wallMs;
};

qint64 cpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

Times median(int runs, const std::function<void()> &step)
{
    std::vector<qint64> cpu;
    std::vector<qint64> wall;
    for (int run = 0; run < runs; ++run) {
        const qint64 cpuStart = cpuNs();
        const auto wallStart = std::chrono::steady_clock::now();
        step();
        wall.push_back(std::chrono::nanoseconds(std::chrono::steady_clock::now() - wallStart).count());
        cpu.push_back(cpuNs() - cpuStart);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return {cpu[cpu.size() / 2] / 1e6, wall[wall.size() / 2] / 1e6};
}

void row(const char *figure, Times ours, Times floor)
{
    std::printf("%-52s %9.3f %9.3f %9.3f %9.3f %7.2fx\n", figure, ours.cpuMs, ours.wallMs, floor.cpuMs, floor.wallMs,
                ours.cpuMs / floor.cpuMs);
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;
    QTemporaryDir root;
    const QString folder = root.path() + u'/';
    QStringList files;
    QStringList paths;
    for (int n = 0; n < kFiles; ++n) {
        const QString name = QStringLiteral("download-%1.bin").arg(n, 3, 10, QLatin1Char('0'));
        QFile file(folder + name);
        if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
            qFatal("cannot create the files");
        files.append(folder + name);
        paths.append(folder + name);
    }
    const test::Forked crowd(
        2000, [] { return true; }, 50);
    const auto later = [] { return std::chrono::steady_clock::now() + std::chrono::seconds(60); };

    const Times lease = median(runs, [&] {
        if (!openwriters::writing(files, later()).writing.isEmpty())
            qFatal("a file counted as written");
    });
    std::vector<QByteArray> raw;
    for (const QString &file : files)
        raw.push_back(QFile::encodeName(file));
    const Times floor = median(runs, [&] {
        for (const QByteArray &file : raw) {
            const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0 || ::fcntl(fd, F_SETLEASE, F_RDLCK) != 0)
                qFatal("no lease");
            ::close(fd);
        }
    });
    const Times scan = median(runs, [&] {
        if (!openwriters::scan(files, later()).writing.isEmpty())
            qFatal("a file counted as written");
    });
    PresenceProbe probe;
    const Times whole = median(runs, [&] {
        if (!probe.allFound(paths))
            qFatal("the files were not found");
    });

    std::printf("%d present files, 2000 other processes of 50 descriptors; medians of %d runs (ms)\n", kFiles, runs);
    std::printf("%-52s %9s %9s %9s %9s %8s\n", "figure", "cpu", "wall", "floor cpu", "floor wall", "ratio");
    row("look for writers (leases)", lease, floor);
    row("look for writers without leases (/proc)", scan, floor);
    row("presence test, all 100 there (probe)", whole, floor);
    return 0;
}
