#include "settings/inifile.h"
#include "settings/options.h"
#include "settings/regfile.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace quendral;

// A writer killed at any moment leaves the old file or the new one, never a
// mix: the program powers the machine off right after writing the list.
class TestAtomicWrite : public QObject
{
    Q_OBJECT

private:
    static void killWriterManyTimes(const QString &mode, const QString &target, const std::function<void()> &check,
                                    int rounds = 40, const QStringList &args = {})
    {
        for (int round = 0; round < rounds; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(INI_WRITER), QStringList{mode, target} + args);
            QVERIFY(writer.waitForStarted());
            QTest::qWait(5 + QRandomGenerator::global()->bounded(40));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());
            check();
            if (QTest::currentTestFailed())
                return;
        }
    }

private slots:
    void settingsFileStaysWhole()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("Settings.ini");
        const QString padding(400, u'x');
        for (int k = 0; k < 100; ++k)
            QVERIFY(ini::write(file, "Files", QStringLiteral("file%1").arg(k), "start-" + padding + "-END"));

        const QRegularExpression line(QStringLiteral("^file\\d+=(start|v\\d+)-x{400}-END$"));
        killWriterManyTimes("ini", file, [&] {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 101);
            QCOMPARE(lines.first(), QString("[Files]"));
            for (int i = 1; i < lines.size(); ++i)
                QVERIFY2(line.match(lines[i]).hasMatch(), qPrintable(lines[i].left(60)));
        });
    }

    // Apply replaces the whole list at once: after a kill the file holds the
    // old list or the new one, byte for byte, and no temporary file stays.
    void watchListApplyIsOneWrite()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("Settings.ini");
        QStringList lists[2];
        QByteArray bytes[2];
        for (int which = 0; which < 2; ++which) {
            for (int n = 0; n < 50; ++n)
                lists[which].append(
                    QStringLiteral("/home/u/Pobrane/list%1-%2-%3.zip").arg(which).arg(n).arg(QString(80, u'z')));
            const QString sample = dir.filePath(QStringLiteral("sample%1.ini").arg(which));
            QVERIFY(ini::write(sample, "Options", "Language", "Polish.ini"));
            QVERIFY(watchlist::write(IniFile(sample), lists[which]));
            QFile f(sample);
            QVERIFY(f.open(QIODevice::ReadOnly));
            bytes[which] = f.readAll();
        }
        QVERIFY(QFile::copy(dir.filePath("sample1.ini"), file));

        killWriterManyTimes(
            "watchlist", dir.path(),
            [&] {
                QFile f(file);
                QVERIFY(f.open(QIODevice::ReadOnly));
                const QByteArray now = f.readAll();
                QVERIFY(now == bytes[0] || now == bytes[1]);
            },
            200, lists[0] + lists[1]);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(watchlist::write(IniFile(file), lists[0]));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"sample0.ini", "sample1.ini", "Settings.ini"}));
    }

    void userStoreStaysWhole()
    {
        QTemporaryDir program;
        SettingsStore store(program.path());
        for (int k = 0; k < 100; ++k)
            QVERIFY(store.SaveUserSetting(QStringLiteral("file%1").arg(k), "start"));

        killWriterManyTimes("user", program.path(), [&] {
            reg::Hive hive;
            QVERIFY(hive.load(reg::userHivePath()));
            const reg::Key *key = hive.findKey(QString::fromLatin1(kUserSettingsKey));
            QVERIFY(key);
            QCOMPARE(key->values.size(), 100);
            for (const reg::Value &v : key->values)
                QVERIFY(v.text == "start" || v.text.endsWith("-END"));
        });
    }

    // Options Apply writes every option at once: after a kill the store holds
    // the old set or the new one, never some of each.
    void optionsApplyIsOneWrite()
    {
        QFile::remove(reg::userHivePath());
        QTemporaryDir program;
        SettingsStore store(program.path());
        const QString paths[] = {"/home/u/a.wav", "/home/u/" + QString(300, u'b') + ".wav"};
        const auto set = [&](int which) {
            const Flag flag(QString::number(which));
            return Options{flag, flag, flag, flag,         flag, flag, paths[which],
                           flag, flag, flag, paths[which], flag, flag};
        };
        QVERIFY(set(1).save(store, Options::read(store)));
        killWriterManyTimes("options", program.path(),
                            [&] {
                                const Options now = Options::read(store);
                                QVERIFY(now == set(0) || now == set(1));
                            },
                            100, {paths[0], paths[1]});
    }
};

QTEST_GUILESS_MAIN(TestAtomicWrite)
#include "test_atomicwrite.moc"
