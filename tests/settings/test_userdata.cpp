#include "settings/settingsstore.h"
#include "settings/userdata.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace quendral;

// Where the settings file lives when the program folder is or is not writable,
// and where language files are found. XDG_DATA_HOME points into the test
// wrapper's temporary folder.
class TestUserData : public QObject
{
    Q_OBJECT

private:
    static QString ownSettings() { return userDataFolder() + "Settings.ini"; }

    static void put(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void init() { QDir(dataHome()).removeRecursively(); }

    void writableFolderKeepsTheFileBesideTheProgram()
    {
        test::ProgramFolder folder;
        SettingsStore store(folder.path());
        QCOMPARE(store.settingsFilePath(), folder.file("Settings.ini"));
        // The probe leaves nothing behind, here or in the user's data.
        QVERIFY(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
        QVERIFY(!QFileInfo::exists(userDataFolder()));
    }

    void unwritableFolderUsesThePerUserFileCreatedByTheFirstWrite()
    {
        // A program folder below a plain file cannot be written by anyone.
        test::ProgramFolder folder;
        folder.write("blocker", "x");
        SettingsStore store(folder.file("blocker/program/"));
        QCOMPARE(store.settingsFilePath(), ownSettings());
        QVERIFY(!QFileInfo::exists(ownSettings()));
        QCOMPARE(store.settingsFile().ReadIni("Options", "language"), QString());
        QVERIFY(store.settingsFile().WriteIni("options", "language", "English.ini"));
        QCOMPARE(SettingsStore(folder.file("blocker/program/")).settingsFile().ReadIni("Options", "language"),
                 QString("English.ini"));
    }

    void shippedSettingsAreCopiedOnceThenLeftAlone()
    {
        QTemporaryDir base;
        const QString shipped = base.path() + "/shipped/";
        const QString program = base.path() + "/program/";
        QDir().mkpath(program);
        put(shipped + "Settings.ini", "[options]\r\nlanguage=English.ini\r\n[Files]\r\nfile0=/tmp/a.zip\r\n");
        QFile::setPermissions(shipped + "Settings.ini", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        test::ReadOnlyView view(shipped, program);
        if (!view.ok())
            QSKIP("this process may not mount a read-only view");
        QVERIFY(!canCreateFileIn(program));

        SettingsStore first(program);
        QCOMPARE(first.settingsFilePath(), ownSettings());
        QCOMPARE(first.settingsFile().ReadIni("Options", "language"), QString("English.ini"));
        QCOMPARE(first.settingsFile().ReadIni("Files", "file0"), QString("/tmp/a.zip"));
        // The copy is the user's to write, though the shipped file is read-only.
        QVERIFY(first.settingsFile().WriteIni("Files", "file1", "/tmp/b.zip"));
        QVERIFY(QFileInfo(ownSettings()).isWritable());

        // Later changes of the shipped file are not followed.
        QFile::setPermissions(shipped + "Settings.ini", QFile::ReadOwner | QFile::WriteOwner);
        put(shipped + "Settings.ini", "[options]\r\nlanguage=Polish.ini\r\n");
        SettingsStore next(program);
        QCOMPARE(next.settingsFile().ReadIni("Options", "language"), QString("English.ini"));
        QCOMPARE(next.settingsFile().ReadIni("Files", "file1"), QString("/tmp/b.zip"));
    }

    // A copy that the full disk cut short leaves no file; the next write or
    // start makes it whole, before the written value.
    void aFailedFirstCopyIsMadeWholeLater_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("by the next write") << false;
        QTest::newRow("by the next start") << true;
    }

    void aFailedFirstCopyIsMadeWholeLater()
    {
        QFETCH(bool, restart);
        QTemporaryDir base;
        const QString shipped = base.path() + "/shipped/";
        const QString program = base.path() + "/program/";
        QDir().mkpath(program);
        put(shipped + "Settings.ini", "[options]\r\nlanguage=English.ini\r\n[Files]\r\nfile0=/tmp/a.zip\r\n");
        test::ReadOnlyView view(shipped, program);
        test::FullDisk full(userDataFolder());
        if (!view.ok() || !full.ok())
            QSKIP("this process may not mount");

        std::optional<SettingsStore> store(program);
        QVERIFY(!store->settingsFile().WriteIni("Files", "file1", "/tmp/b.zip"));
        QVERIFY(QDir(userDataFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        full.makeRoom();
        if (restart) {
            store.emplace(program);
            QVERIFY(QFileInfo::exists(ownSettings()));
        }
        QVERIFY(store->settingsFile().WriteIni("Files", "file1", "/tmp/b.zip"));
        QCOMPARE(store->settingsFile().ReadIni("Options", "language"), QString("English.ini"));
        QCOMPARE(store->settingsFile().ReadIni("Files", "file0"), QString("/tmp/a.zip"));
        QCOMPARE(store->settingsFile().ReadIni("Files", "file1"), QString("/tmp/b.zip"));
    }

    void languageFilesComeFromBothFolders_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found"); // "user", "shipped" or ""
        QTest::newRow("shipped only") << "English.ini"
                                      << "shipped";
        QTest::newRow("user's own") << "Czech.ini"
                                    << "user";
        QTest::newRow("user's wins over shipped") << "Polish.ini"
                                                  << "user";
        QTest::newRow("other letter case is another file") << "polish.ini"
                                                           << "";
        QTest::newRow("outside the folder") << "../Settings.ini"
                                            << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void languageFilesComeFromBothFolders()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        test::ProgramFolder folder;
        folder.write("Languages/English.ini", "e");
        folder.write("Languages/Polish.ini", "p");
        folder.write("Settings.ini", "s");
        const QString user = userDataFolder() + "Languages/";
        put(user + "Polish.ini", "mine");
        put(user + "Czech.ini", "mine");
        put(user + "notes.txt", "not a language");

        const QString expected = found == "user"      ? user + name
                                 : found == "shipped" ? folder.file("Languages/" + name)
                                                      : QString();
        QCOMPARE(languageFile(folder.path(), name), expected);
        QCOMPARE(languageFileNames(folder.path()), (QStringList{"Czech.ini", "English.ini", "Polish.ini"}));
    }
};

QTEST_GUILESS_MAIN(TestUserData)
#include "test_userdata.moc"
