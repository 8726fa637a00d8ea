// Times the store reads and writes whose cost grows with the file, and the
// peak memory they take. Not a test: run one case per process by hand.
//   bench_stores watchlist-write | watchlist-read | user-get <keys> |
//                ini-read <MB> [blank|keys] | lang <MB> |
//                watchlist-huge <MB> [long|short] | user-apply <keys>
#include "lang/language.h"
#include "settings/atomicfile.h"
#include "settings/inifile.h"
#include "settings/options.h"
#include "settings/regfile.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quendral;

namespace {

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Runs `step` `runs` times and prints the median and the peak memory growth.
void measure(const char *what, int runs, const std::function<void()> &step)
{
    const long before = peakKb();
    std::vector<qint64> ns;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        ns.push_back(timer.nsecsElapsed());
    }
    std::sort(ns.begin(), ns.end());
    std::printf("%-40s median %10.3f ms  peak +%ld KB\n", what, ns[ns.size() / 2] / 1e6, peakKb() - before);
}

QStringList entries()
{
    QStringList paths;
    for (int n = 0; n < watchlist::kMaxEntries; ++n)
        paths.append(QStringLiteral("/home/user/Downloads/%1/").arg(QString(120, u'd')) +
                     QStringLiteral("file-%1.zip").arg(n));
    return paths;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Settings.ini"));
    const QString mode = args[0];
    const qint64 size = args.value(1, QStringLiteral("1")).toLongLong();

    // A per-user store of `size` values under the program's key.
    const auto writeUserStore = [&] {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n[" + QByteArray(kUserSettingsKey) + "]\r\n";
        for (qint64 n = 0; n < size; ++n)
            text += "\"key" + QByteArray::number(n) + "\"=\"value\"\r\n";
        QDir().mkpath(dir.filePath(QStringLiteral("Quendral")));
        put(reg::userHivePath(), text);
        return text;
    };
    if (mode == QLatin1String("watchlist-write")) {
        const IniFile file(ini);
        const QStringList list = entries();
        measure("watch list Apply, 100 entries", 5, [&] { watchlist::write(file, list); });
    } else if (mode == QLatin1String("watchlist-read")) {
        const IniFile file(ini);
        watchlist::write(file, entries());
        measure("watch list read, 100 entries", 50, [&] {
            if (watchlist::read(file).size() != watchlist::kMaxEntries)
                qFatal("short read");
        });
    } else if (mode == QLatin1String("user-get")) {
        writeUserStore();
        SettingsStore store(dir.path());
        measure(qPrintable(QStringLiteral("GetUserSetting, %1 keys").arg(size)), 5,
                [&] { store.GetUserSetting(QStringLiteral("key%1").arg(size - 1)); });
    } else if (mode == QLatin1String("user-apply")) {
        // The options window's Apply: the options read, then saved changed.
        const QByteArray text = writeUserStore();
        std::printf("%lld bytes\n", qint64(text.size()));
        SettingsStore store(dir.path());
        const auto apply = [&] {
            const Options stored = Options::read(store);
            Options chosen = stored;
            chosen.sound = Flag::checked(!stored.sound.isOn());
            if (!chosen.save(store, stored))
                qFatal("not saved");
        };
        measure(qPrintable(QStringLiteral("first Apply, %1 keys").arg(size)), 1, apply);
        measure("Apply again", 3, apply);
    } else if (mode == QLatin1String("ini-read")) {
        QByteArray text;
        if (args.value(2) == QLatin1String("keys")) {
            text = "[Options]\r\nLanguage=English.ini\r\n[Other]\r\n";
            for (qint64 n = 0; text.size() < size * 1024 * 1024; ++n)
                text += "key" + QByteArray::number(n) + "=some value of the key\r\n";
        } else {
            text = QByteArray(size * 1024 * 1024, '\n') + "[Options]\r\nLanguage=English.ini\r\n";
        }
        put(ini, text);
        measure("read the whole file once", 5, [&] {
            QByteArray bytes;
            readWholeFile(ini, ini::kMaxFileBytes, &bytes);
        });
        measure(qPrintable(QStringLiteral("ReadIni, one key, %1 MB").arg(size)), 5,
                [&] { ini::read(ini, QStringLiteral("Options"), QStringLiteral("Language")); });
    } else if (mode == QLatin1String("watchlist-huge")) {
        // A [Files] section of far more keys than a list holds, long ones
        // (~75 bytes a line) or short ones (~7), in a file that has settled.
        const bool shortKeys = args.value(2) == QLatin1String("short");
        QByteArray text = "[Options]\r\nLanguage=English.ini\r\n[Files]\n";
        text.reserve(size * 1024 * 1024 + 128);
        qint64 keys = 0;
        for (; text.size() < size * 1024 * 1024 - 80; ++keys) {
            if (shortKeys)
                text += QByteArray::number(keys, 36) + "=\n";
            else
                text += "file" + QByteArray::number(keys) + "=/home/user/Downloads/some folder/file-" +
                        QByteArray::number(keys) + ".zip\n";
        }
        put(ini, text);
        QFile settled(ini);
        if (!settled.open(QIODevice::ReadWrite) ||
            !settled.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime))
            qFatal("cannot date %s", qPrintable(ini));
        settled.close();
        const IniFile file(ini);
        std::printf("%lld keys, %lld bytes\n", keys, qint64(text.size()));
        text = QByteArray();
        measure("first list read", 1, [&] { watchlist::read(file); });
        measure("list read, each tick", 5, [&] { watchlist::read(file); });
        measure("ReadIni, Options", 5, [&] { file.ReadIni(QStringLiteral("Options"), QStringLiteral("Language")); });
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        std::printf("resident after the reads: %lld KB\n", statm.readAll().split(' ').value(1).toLongLong() * 4);
    } else if (mode == QLatin1String("lang")) {
        QByteArray text = "[Messages]\r\n";
        while (text.size() < size * 1024 * 1024)
            text += "frmmain.cmdok.Caption==OK\r\n";
        const QString path = dir.filePath(QStringLiteral("Big.ini"));
        put(path, text);
        measure(qPrintable(QStringLiteral("language pass, %1 MB").arg(size)), 3, [&] {
            QByteArray bytes;
            readWholeFile(path, ini::kMaxFileBytes, &bytes);
            ApplyTextFile(bytes);
        });
    }
    return 0;
}
