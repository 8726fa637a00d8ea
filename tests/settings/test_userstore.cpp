#include "settings/options.h"
#include "settings/regfile.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;

// The per-user values live in the registry stand-in below XDG_CONFIG_HOME,
// which the test wrapper points at a temporary folder.
class TestUserStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_program;
    QByteArray hiveText() const
    {
        QFile f(reg::userHivePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void putHive(const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(reg::userHivePath()).absolutePath());
        QFile f(reg::userHivePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void init() { QFile::remove(reg::userHivePath()); }

    void locations()
    {
        QVERIFY(reg::userHivePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Quendral/"));
        QVERIFY(reg::userHivePath().endsWith("/user.reg"));
        const QString firstDir = qEnvironmentVariable("XDG_CONFIG_DIRS").section(':', 0, 0);
        QCOMPARE(reg::machineHivePath(), firstDir + "/Quendral/system.reg");
    }

    void absentValuesReadEmptyAndZero()
    {
        SettingsStore store(m_program.path());
        QCOMPARE(store.GetUserSetting("first"), QString());
        QCOMPARE(numberAtStart(store.GetUserSetting("notallfiles")), 0.0);
    }

    void savedValuesReadBackWithoutLetterCase()
    {
        SettingsStore store(m_program.path());
        QVERIFY(store.SaveUserSetting("IE", "1"));
        QVERIFY(store.SaveUserSetting("sound_path", "/home/u/My \"Sounds\"\\ding.wav"));
        QCOMPARE(store.GetUserSetting("ie"), QString("1"));
        QCOMPARE(store.GetUserSetting("SOUND_PATH"), QString("/home/u/My \"Sounds\"\\ding.wav"));
        QVERIFY(store.SaveUserSetting("ie", "0"));
        QCOMPARE(store.GetUserSetting("IE"), QString("0"));
        // One value, keeping the case first written, in the export format.
        const QByteArray text = hiveText();
        QVERIFY(text.startsWith("Windows Registry Editor Version 5.00\n"));
        QVERIFY(text.contains("[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quendral\\Settings]\n"));
        QVERIFY(text.contains("\"IE\"=\"0\"\n"));
        QVERIFY(!text.contains("\"ie\""));
        QVERIFY(text.contains("\"sound_path\"=\"/home/u/My \\\"Sounds\\\"\\\\ding.wav\"\n"));
    }

    void lineBreaksInAValueStayInsideIt()
    {
        // A file name may hold line breaks; they must neither cut the value
        // short nor let the rest of it pose as other values or keys.
        const QString path = QStringLiteral("/tmp/a\n\"first\"=\"1\"\r\n[HKEY_CURRENT_USER\\X]\nb.wav");
        SettingsStore store(m_program.path());
        QVERIFY(store.SaveUserSetting("sound_path", path));
        QVERIFY(store.SaveUserSetting("sound", "1"));
        QCOMPARE(store.GetUserSetting("sound_path"), path);
        QCOMPARE(store.GetUserSetting("first"), QString());
        const reg::Hive hive = reg::Hive::parse(QString::fromUtf8(hiveText()));
        QCOMPARE(hive.keys.size(), 1);
        QCOMPARE(hive.keys.first().values.size(), 2);
    }

    void otherKeysAndValueTypesSurviveAWrite()
    {
        putHive("Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Bin\"=hex:01,02\r\n\"Count\"=dword:0000001f\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quendral\\Settings]\r\n"
                "\"first\"=\"1\"\r\n\"Number\"=dword:00000002\r\n");
        SettingsStore store(m_program.path());
        QCOMPARE(store.GetUserSetting("FIRST"), QString("1"));
        QCOMPARE(store.GetUserSetting("number"), QString("2"));
        QVERIFY(store.SaveUserSetting("notallfiles", "1"));
        const QByteArray text = hiveText();
        QVERIFY(
            text.contains("[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Bin\"=hex:01,02\r\n\"Count\"=dword:0000001f\r\n"));
        QVERIFY(text.contains("\"first\"=\"1\"\r\n\"Number\"=dword:00000002\r\n\"notallfiles\"=\"1\"\r\n"));
    }

    void hiveKeyOperations()
    {
        reg::Hive hive = reg::Hive::parse("[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"x\"=\"1\"\n[HKEY_LOCAL_MACHINE\\A\\Bee]\n");
        QVERIFY(hive.keyExists("hkey_local_machine\\a\\b")); // implied parent
        QVERIFY(!hive.keyExists("HKEY_LOCAL_MACHINE\\A\\Be"));
        QVERIFY(hive.removeKey("HKEY_LOCAL_MACHINE\\A\\B"));
        QVERIFY(!hive.keyExists("HKEY_LOCAL_MACHINE\\A\\B\\C"));
        QVERIFY(hive.keyExists("HKEY_LOCAL_MACHINE\\A\\Bee")); // a sibling with a longer name stays
        QVERIFY(!hive.removeKey("HKEY_LOCAL_MACHINE\\A\\B"));
    }

    // Stores in every form a registry export can take read as written, and a
    // save changes only the line it writes.
    void saveKeepsEveryOtherLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("after");
        const QByteArray key = "[" + QByteArray(kUserSettingsKey) + "]";
        const QByteArray head = "Windows Registry Editor Version 5.00";
        const QString text = QString::fromLatin1(head + "\r\n\r\n" + key + "\r\n\"first\"=\"1\"\r\n");
        const auto utf16 = [](const QString &s) {
            return "\xFF\xFE" + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(s));
        };
        QTest::newRow("UTF-16 with mark") << utf16(text) << "first"
                                          << "1" << utf16(text + "\"new\"=\"1\"\r\n");
        QTest::newRow("CR line ends") << head + "\r\r" + key + "\r\"first\"=\"1\"\r"
                                      << "first"
                                      << "1" << head + "\r\r" + key + "\r\"first\"=\"1\"\r\"new\"=\"1\"\r";
        const QByteArray odd = head + "\n\n" + key + "\n; note\n\"bad\"=dword:xyz\n\"open=\"x\n\"first\"=\"a\xFF\"\n";
        QTest::newRow("comments, malformed lines, invalid bytes")
            << odd << "bad" << QString() << odd + "\"new\"=\"1\"\n";
        const QByteArray twice = head + "\n\n" + key + "\n\"first\"=\"1\"\n\"FIRST\"=\"2\"\n";
        QTest::newRow("the later of two values") << twice << "first"
                                                 << "2" << twice + "\"new\"=\"1\"\n";
        QTest::newRow("before the blank line")
            << head + "\n\n" + key + "\n\"first\"=\"1\"\n\n[HKEY_CURRENT_USER\\Other]\n"
            << "first"
            << "1" << head + "\n\n" + key + "\n\"first\"=\"1\"\n\"new\"=\"1\"\n\n[HKEY_CURRENT_USER\\Other]\n";
    }
    void saveKeepsEveryOtherLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, name);
        putHive(before);
        SettingsStore store(m_program.path());
        QTEST(store.GetUserSetting(name), "expected");
        QVERIFY(store.SaveUserSetting("new", "1"));
        QTEST(hiveText(), "after");
        QCOMPARE(store.GetUserSetting("new"), QString("1"));
    }

    // A store edited by tools of both kinds mixes line ends: every value reads
    // whatever its line's end, and a save changes only the line it writes
    // (keeping that line's end); an added line takes the most common end.
    void mixedLineEndsKeepEveryValue_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("later");
        QTest::newRow("CR LF, then LF") << QByteArray("\r\n") << QByteArray("\n");
        QTest::newRow("LF, then CR LF") << QByteArray("\n") << QByteArray("\r\n");
        QTest::newRow("CR LF, then CR") << QByteArray("\r\n") << QByteArray("\r");
        QTest::newRow("CR, then LF") << QByteArray("\r") << QByteArray("\n");
    }
    void mixedLineEndsKeepEveryValue()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, later);
        const QByteArray head =
            "Windows Registry Editor Version 5.00" + first + first + "[" + QByteArray(kUserSettingsKey) + "]" + first;
        const QByteArray tail =
            "\"sound_path\"=\"/s/a.wav\"" + later + "\"ie\"=\"1\"" + later + "\"start\"=\"0\"" + later;
        putHive(head + "\"sound\"=\"0\"" + later + tail);
        SettingsStore store(m_program.path());
        const QHash<QString, QString> read = store.GetUserSettings({"sound", "sound_path", "ie", "start"});
        QCOMPARE(read.value("sound_path"), QString("/s/a.wav"));
        QCOMPARE(read.value("start"), QString("0"));
        QVERIFY(store.SaveUserSettings({{"sound", "1"}, {"new", "1"}}));
        QCOMPARE(hiveText(), head + "\"sound\"=\"1\"" + later + tail + "\"new\"=\"1\"" + later);
        QCOMPARE(store.GetUserSetting("sound_path"), QString("/s/a.wav"));
    }

    // Each option reads its own value, in any letter case, as the number at
    // its start; a missing one reads 0, and only exactly 1 is on.
    void optionsReadTheirNumbers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("number");
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("stored"); // null: not stored
        QTest::newRow("first 1") << "first" << 1.0 << true << true << "1";
        QTest::newRow("notallfiles 2") << "notallfiles" << 2.0 << false << true << "2";
        QTest::newRow("autodisconnect missing") << "autodisconnect" << 0.0 << false << false << QString();
        QTest::newRow("autocomp_off 1abc") << "AUTOCOMP_OFF" << 1.0 << true << true << " 1abc";
        QTest::newRow("infofiles -1") << "infofiles" << -1.0 << false << true << "-1";
        QTest::newRow("sound 0.5") << "sound" << 0.5 << false << true << "0.5";
        QTest::newRow("ie abc") << "ie" << 0.0 << false << false << "abc";
        QTest::newRow("start 1.0") << "start" << 1.0 << true << true << "1.0";
    }
    void optionsReadTheirNumbers()
    {
        QFETCH(QString, name);
        QFETCH(double, number);
        QFETCH(bool, on);
        QFETCH(bool, checked);
        QFETCH(QString, stored);
        SettingsStore store(m_program.path());
        if (!stored.isNull())
            QVERIFY(store.SaveUserSetting(name, stored));
        const Options options = Options::read(store);
        const Flag flags[] = {options.first,        options.notallfiles, options.autodisconnect,
                              options.autocomp_off, options.infofiles,   options.sound,
                              options.ie,           options.start};
        const char *keys[] = {"first", "notallfiles", "autodisconnect", "autocomp_off", "infofiles",
                              "sound", "IE",          "start"};
        for (int i = 0; i < 8; ++i) {
            const bool mine = name.compare(QLatin1String(keys[i]), Qt::CaseInsensitive) == 0;
            QCOMPARE(flags[i].text(), mine ? stored : QString());
            QCOMPARE(flags[i].number(), mine ? number : 0.0);
            QCOMPARE(flags[i].isOn(), mine && on);
            QCOMPARE(flags[i].number() != 0, mine && checked);
        }
    }

    // The newer values as the program takes them: a stored text that is not
    // a valid value of its row is the row's default, so what the options
    // window shows on is what monitoring arms, with the same numbers.
    void newerValuesTakeTheirDefaultWhenInvalid_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("taken");
        const auto row = [](const char *key, const char *stored, const char *taken) {
            QTest::addRow("%s=%s", key, stored) << key << stored << taken;
        };
        row("DeadlineTime", "7:05", "07:05");
        row("DeadlineTime", "7:5", "07:00");
        row("DeadlineTime", "24:00", "07:00");
        row("DeadlineTime", "07:60", "07:00");
        row("DeadlineTime", "", "07:00");
        row("DeadlineTime", "23:59", "23:59");
        row("DeadlineTime", "0:00", "00:00");
        row("DeadlineTime", "123:00", "07:00");
        row("DeadlineTime", ":30", "07:00");
        row("DeadlineTime", "7:005", "07:00");
        row("DeadlineTime", "7:0a", "07:00");
        row("DeadlineTime", "7.05", "07:00");
        row("Deadline", "1", "on");
        row("Deadline", "2", "off");
        row("Quiet", "2", "off");
        row("QuietRate", "0.5", "0.5");
        row("QuietRate", "inf", "2");
        row("QuietRate", "1e12", "2");
        row("QuietRate", "0", "2");
        row("QuietRate", ".5", "0.5");
        row("QuietRate", "5.", "5");
        row("QuietRate", "+1,5", "1.5");
        row("QuietRate", ".", "2");
        row("QuietRate", "+", "2");
        row("QuietRate", "1.2.3", "2");
        row("QuietRate", "-1", "2");
        row("QuietMinutes", "240", "240");
        row("QuietMinutes", "999", "10");
        row("CommandTimeout", "1e3", "300");
        row("CommandTimeout", "45", "45");
        row("CommandTimeout", "+45", "45");
        row("CommandTimeout", "0000000045", "300");
        row("CommandTimeout", "4 5", "300");
        row("CommandTimeout", "45s", "300");
        row("CommandTimeout", "4.5", "300");
        row("Countdown", "4", "15");
        row("Countdown", "600", "600");
        row("PowerAction", "2", "2");
        row("PowerAction", "3", "0");
    }
    void newerValuesTakeTheirDefaultWhenInvalid()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, taken);
        SettingsStore store(m_program.path());
        QVERIFY(store.SaveUserSetting(key, stored));
        const Options options = Options::read(store);
        const QHash<QString, QString> values = {
            {"DeadlineTime", options.deadlineTime().toString("HH:mm")},
            {"Deadline", options.deadlineOn() ? "on" : "off"},
            {"Quiet", options.quietOn() ? "on" : "off"},
            {"QuietRate", QString::number(options.quietRateKBs())},
            {"QuietMinutes", QString::number(options.quietMinutes())},
            {"CommandTimeout", QString::number(options.commandTimeoutSeconds())},
            {"Countdown", QString::number(options.countdownSeconds())},
            {"PowerAction", QString::number(int(options.powerActionChoice()))},
        };
        QCOMPARE(values.value(key), taken);
    }

    void badStoresAreSafe()
    {
        QByteArray garbage;
        for (int i = 0; i < 50000; ++i)
            garbage.append(char((i * 31) % 256));
        putHive(garbage);
        SettingsStore store(m_program.path());
        QCOMPARE(store.GetUserSetting("first"), QString());
        // What is not a registry export is never replaced.
        QVERIFY(!store.SaveUserSetting("first", "1"));
        QCOMPARE(hiveText(), garbage);

        // A folder where the store's file should be: reads "", the write fails.
        QFile::remove(reg::userHivePath());
        QVERIFY(QDir().mkpath(reg::userHivePath()));
        QCOMPARE(store.GetUserSetting("first"), QString());
        QVERIFY(!store.SaveUserSetting("first", "1"));
        QVERIFY(QDir(reg::userHivePath()).removeRecursively());
    }
};

QTEST_GUILESS_MAIN(TestUserStore)
#include "test_userstore.moc"
