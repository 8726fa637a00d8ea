#include "settings/regfile.h"
#include "settings/registryeditor.h"
#include "settings/runkey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quendral;
using namespace quendral::registry;

namespace {

const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kKey = QStringLiteral("Software\\Quendral Test\\Inner");

QString readText(RegistryEditor &regedit, Root root, const QString &key, const QString &name, long *result)
{
    QVariant value = QStringLiteral("untouched");
    quint32 type = kString;
    *result = regedit.RegValueRead(root, key, name, &value, &type);
    return value.toString();
}

} // namespace

class TestModRegedit : public QObject
{
    Q_OBJECT

private:
    RegistryEditor m_regedit;
    QByteArray m_configDirs = qgetenv("XDG_CONFIG_DIRS");

private slots:
    void init()
    {
        qputenv("XDG_CONFIG_DIRS", m_configDirs);
        QFile::remove(reg::userHivePath());
        QFile::remove(reg::machineHivePath());
        QDir(runkey::autostartFolder()).removeRecursively();
    }

    // --- keys and values in the hive files ---

    void textValueRoundTrips()
    {
        QCOMPARE(m_regedit.RegKeyCreate(Root::CurrentUser, kKey), kSuccess);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Name", "C:\\Pobrane\\\"plik\".zip", kString),
                 kSuccess);
        long result = -1;
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kKey, "name", &result), "C:\\Pobrane\\\"plik\".zip");
        QCOMPARE(result, kSuccess);
    }

    void dwordValueRoundTrips()
    {
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Count", "4294967295", kDword), kSuccess);
        QVariant value;
        quint32 type = kDword;
        QCOMPARE(m_regedit.RegValueRead(Root::CurrentUser, kKey, "Count", &value, &type), kSuccess);
        QCOMPARE(value.toUInt(), 4294967295u);
        QCOMPARE(type, kDword);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Count", "lots", kDword), kInvalidParameter);
    }

    void readReportsTheStoredType()
    {
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Count", "7", kDword);
        QVariant value;
        quint32 type = kString; // a number read into the text buffer: its bytes up to the first NUL
        QCOMPARE(m_regedit.RegValueRead(Root::CurrentUser, kKey, "Count", &value, &type), kSuccess);
        QCOMPARE(type, kDword);
        QCOMPARE(value.toString(), QString(QChar(7)));
    }

    void missingKeyOrValueIsNotFoundAndLeavesValueAlone()
    {
        long result = -1;
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kKey, "Name", &result), "untouched");
        QCOMPARE(result, kNotFound);
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kKey, "Name", &result), "untouched");
        QCOMPARE(result, kNotFound);
        QCOMPARE(m_regedit.RegValueDelete(Root::CurrentUser, kKey, "Name"), kNotFound);
    }

    void writeToMissingKeyCreatesNothing()
    {
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Name", "x", kString), kNotFound);
        reg::Hive hive;
        QVERIFY(hive.load(reg::userHivePath()));
        QVERIFY(!hive.keyExists("HKEY_CURRENT_USER\\" + kKey));
    }

    void createMakesParentsAndKeepsValues()
    {
        QCOMPARE(m_regedit.RegKeyCreate(Root::LocalMachine, kKey), kSuccess);
        QCOMPARE(m_regedit.RegKeyOpen(Root::LocalMachine, "software\\quendral test", kQueryValue), kSuccess);
        m_regedit.RegKeyClose();
        m_regedit.RegValueWrite(Root::LocalMachine, kKey, "Name", "kept", kString);
        QCOMPARE(m_regedit.RegKeyCreate(Root::LocalMachine, kKey), kSuccess);
        long result = -1;
        QCOMPARE(readText(m_regedit, Root::LocalMachine, kKey, "Name", &result), "kept");
    }

    void deleteRemovesOnlyLeafKeys()
    {
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        QCOMPARE(m_regedit.RegKeyDelete(Root::CurrentUser, "Software\\Quendral Test"), kAccessDenied);
        QCOMPARE(m_regedit.RegKeyDelete(Root::CurrentUser, kKey), kSuccess);
        QCOMPARE(m_regedit.RegKeyOpen(Root::CurrentUser, kKey, kQueryValue), kNotFound);
        QCOMPARE(m_regedit.RegKeyDelete(Root::CurrentUser, kKey), kNotFound);
    }

    void valueDeleteRemovesTheValue()
    {
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Name", "x", kString);
        QCOMPARE(m_regedit.RegValueDelete(Root::CurrentUser, kKey, "NAME"), kSuccess);
        long result = -1;
        readText(m_regedit, Root::CurrentUser, kKey, "Name", &result);
        QCOMPARE(result, kNotFound);
    }

    // --- the read buffer ---

    void textBufferHolds254BytesAndTheNul_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<long>("expected");
        QTest::newRow("254 characters") << QString(254, u'a') << kSuccess;
        QTest::newRow("255 characters") << QString(255, u'a') << kMoreData;
        QTest::newRow("300 characters") << QString(300, u'a') << kMoreData;
        // The stand-in's 8-bit text is UTF-8: "ą" takes two bytes.
        QTest::newRow("128 two-byte characters") << QString(128, u'ą') << kMoreData;
    }

    void textBufferHolds254BytesAndTheNul()
    {
        QFETCH(QString, text);
        QFETCH(long, expected);
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kKey, "Long", text, kString), kSuccess);
        long result = -1;
        const QString read = readText(m_regedit, Root::CurrentUser, kKey, "Long", &result);
        QCOMPARE(result, expected);
        QCOMPARE(read, expected == kSuccess ? text : QStringLiteral("untouched"));
    }

    // --- access rights ---

    void openKeyHonoursItsAccessMask()
    {
        m_regedit.RegKeyCreate(Root::CurrentUser, kKey);
        OpenKey key;
        QCOMPARE(openKey(Root::CurrentUser, kKey, kQueryValue, &key), kSuccess);
        QCOMPARE(setValue(key, "Name", kString, QByteArray("x", 2)), kAccessDenied);
        QCOMPARE(deleteValue(key, "Name"), kAccessDenied);
        closeKey(&key);
        QCOMPARE(setValue(key, "Name", kString, QByteArray("x", 2)), 6L); // a released key is no handle
        QCOMPARE(openKey(Root::CurrentUser, kKey, kSetValue, &key), kSuccess);
        quint32 type = kString;
        QByteArray data;
        QCOMPARE(queryValue(key, "Name", 255, &type, &data), kAccessDenied);
    }

    void unwritableMachineRootDeniesEveryChange_data()
    {
        QTest::addColumn<bool>("fileInTheWay");
        QTest::newRow("read-only folder") << false;
        QTest::newRow("a file where the folder should be") << true;
    }

    void unwritableMachineRootDeniesEveryChange()
    {
        QFETCH(bool, fileInTheWay);
        QTemporaryDir dir;
        const QString xdg = dir.path() + "/xdg";
        QDir().mkpath(xdg + "/Quendral");
        qputenv("XDG_CONFIG_DIRS", (xdg + ":/etc/xdg").toUtf8());
        {
            reg::Hive hive;
            hive.ensureKey("HKEY_LOCAL_MACHINE\\Software\\Existing");
            QVERIFY(hive.save(reg::machineHivePath()));
        }
        if (fileInTheWay) {
            QDir(xdg + "/Quendral").removeRecursively();
            QFile file(xdg + "/Quendral");
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else {
            if (geteuid() == 0)
                QSKIP("root writes to read-only folders");
            QFile::setPermissions(xdg + "/Quendral", QFile::ReadOwner | QFile::ExeOwner);
        }
        QCOMPARE(m_regedit.RegKeyCreate(Root::LocalMachine, kKey), kAccessDenied);
        QCOMPARE(m_regedit.RegValueWrite(Root::LocalMachine, "Software\\Existing", "Name", "x", kString),
                 fileInTheWay ? kNotFound : kAccessDenied);
        QCOMPARE(m_regedit.RegKeyDelete(Root::LocalMachine, "Software\\Existing"),
                 fileInTheWay ? kNotFound : kAccessDenied);
        if (fileInTheWay) {
            QCOMPARE(QFileInfo(xdg + "/Quendral").size(), 0);
            return;
        }
        QFile::setPermissions(xdg + "/Quendral", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        reg::Hive hive;
        QVERIFY(hive.load(reg::machineHivePath()));
        QVERIFY(!hive.keyExists("HKEY_LOCAL_MACHINE\\" + kKey));
        QVERIFY(hive.findKey("HKEY_LOCAL_MACHINE\\Software\\Existing")->values.isEmpty());
    }

    // --- the Run key: XDG autostart entries ---

    void runValueIsAnAutostartEntry()
    {
        const QString path = "/opt/my \"odd\" $HOME `x` 100% \\ folder/quendral";
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kRun, "Quendral 1.2", path, kString), kSuccess);
        const QString entry = runkey::autostartFolder() + "/quendral-1.2.desktop";
        QVERIFY(QFileInfo::exists(entry));
        long result = -1;
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kRun, "QUENDRAL 1.2", &result), path);
        QCOMPARE(result, kSuccess);

        QProcess validate;
        validate.start("desktop-file-validate", {entry});
        QVERIFY2(validate.waitForFinished(30000), "desktop-file-validate did not run");
        QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
        QCOMPARE(validate.readAllStandardOutput(), QByteArray());

        QCOMPARE(m_regedit.RegValueDelete(Root::CurrentUser, kRun, "Quendral 1.2"), kSuccess);
        QVERIFY(!QFileInfo::exists(entry));
        QCOMPARE(m_regedit.RegValueDelete(Root::CurrentUser, kRun, "Quendral 1.2"), kNotFound);
    }

    void runKeyAlwaysExistsAndHoldsOnlyText()
    {
        QCOMPARE(m_regedit.RegKeyOpen(Root::CurrentUser, kRun, kReadWrite), kSuccess);
        m_regedit.RegKeyClose();
        QCOMPARE(m_regedit.RegKeyCreate(Root::CurrentUser, kRun), kSuccess);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kRun, "Quendral 1.2", "1", kDword), kInvalidParameter);
        QCOMPARE(m_regedit.RegKeyDelete(Root::CurrentUser, kRun), kAccessDenied);
        QVERIFY(!QFileInfo::exists(runkey::autostartFolder() + "/quendral-1.2.desktop"));
    }

    void foreignOrHiddenEntriesAreNotTheValue()
    {
        QDir().mkpath(runkey::autostartFolder());
        const QString entry = runkey::autostartFolder() + "/quendral-1.2.desktop";
        auto writeEntry = [&](const QByteArray &text) {
            QFile file(entry);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text);
        };
        writeEntry("[Desktop Entry]\nType=Application\nName=Something Else\nExec=/usr/bin/else\n");
        long result = -1;
        readText(m_regedit, Root::CurrentUser, kRun, "Quendral 1.2", &result);
        QCOMPARE(result, kNotFound);
        QCOMPARE(m_regedit.RegValueDelete(Root::CurrentUser, kRun, "Quendral 1.2"), kNotFound);
        QVERIFY(QFileInfo::exists(entry));

        writeEntry("[Desktop Entry]\nType=Application\nName=Quendral 1.2\nExec=/usr/bin/q --x\nHidden=true\n");
        readText(m_regedit, Root::CurrentUser, kRun, "Quendral 1.2", &result);
        QCOMPARE(result, kNotFound);

        writeEntry("[Other]\nExec=/wrong\n[Desktop Entry]\nName=Quendral 1.2\nExec=/usr/bin/q --x %u\n");
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kRun, "Quendral 1.2", &result), "/usr/bin/q --x %u");
    }

    // A program path of any length reads back whole from the entry; a control
    // character that no entry can hold is refused.
    void autostartEntryHoldsAnyPath()
    {
        const QString longPath = "/opt/" + QString(300, u'q') + "/quendral";
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kRun, "Quendral 1.2", longPath, kString), kSuccess);
        long result = -1;
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kRun, "Quendral 1.2", &result), longPath);
        QCOMPARE(result, kSuccess);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kRun, "Quendral 1.2", "/opt/a\x01b/quendral", kString),
                 kInvalidParameter);
        QCOMPARE(readText(m_regedit, Root::CurrentUser, kRun, "Quendral 1.2", &result), longPath);
    }

    // The entry really starts the program it names, parsed as a desktop
    // session parses it (GLib), from a folder whose name needs quoting.
    void autostartEntryLaunchesTheProgram()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/a \"b\" $c `d` 100% \\e/";
        QVERIFY(QDir().mkpath(folder));
        const QString marker = dir.path() + "/started";
        const QString program = folder + "quendral";
        {
            QFile script(program);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/../started\"\n");
        }
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(m_regedit.RegValueWrite(Root::CurrentUser, kRun, "Quendral 1.2", program, kString), kSuccess);

        QProcess launch;
        launch.start("gio", {"launch", runkey::autostartFolder() + "/quendral-1.2.desktop"});
        QVERIFY2(launch.waitForStarted(), "gio (libglib2.0-bin) is missing");
        QVERIFY(launch.waitForFinished(30000));
        QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
    }
};

QTEST_GUILESS_MAIN(TestModRegedit)
#include "test_registryeditor.moc"
