#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/modregedit.h"
#include "settings/regfile.h"
#include "settings/runkey.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;
using registry::Root;

namespace {

const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kButtonKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer\\Extensions\\{B73455AE-D3DE-492a-8FE0-0EA053B85277}");

QString runValue(long *result = nullptr)
{
    QVariant value;
    quint32 type = registry::kString;
    const long rc = modRegedit().RegValueRead(Root::CurrentUser, kRun, QStringLiteral("Quendral 1.2"), &value, &type);
    if (result)
        *result = rc;
    return value.toString();
}

void writeRunValue(const QString &data)
{
    modRegedit().RegValueWrite(Root::CurrentUser, kRun, QStringLiteral("Quendral 1.2"), data, registry::kString);
}

QString executableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace

class TestAutostart : public QObject
{
    Q_OBJECT

private:
    QByteArray m_configDirs = qgetenv("XDG_CONFIG_DIRS");

    static void shipButtonFiles(const test::ProgramFolder &folder, bool program = true, bool icon = true)
    {
        if (program)
            folder.write("quendral", "#!/bin/sh\n");
        if (icon)
            folder.write("quendral.ico", "ico");
    }

    static reg::Hive machineHive()
    {
        reg::Hive hive;
        hive.load(reg::machineHivePath());
        return hive;
    }

private slots:
    void init()
    {
        qputenv("XDG_CONFIG_DIRS", m_configDirs);
        QFile::remove(reg::machineHivePath());
        QDir(runkey::autostartFolder()).removeRecursively();
    }

    // --- start at logon ---

    void addAutostartNamesTheRunningExecutable()
    {
        test::ProgramFolder folder;
        AppState state(folder.path());
        QVERIFY(!IsAutostartOn());
        AddAutostart(state);
        QCOMPARE(runValue(), folder.path() + executableName());
        QVERIFY(IsAutostartOn());
        AddAutostart(state); // replaced, not doubled
        QCOMPARE(QDir(runkey::autostartFolder()).entryList(QDir::Files).size(), 1);
    }

    void programAtTheRootGetsNoDoubledSeparator()
    {
        AppState state(QStringLiteral("/"));
        AddAutostart(state);
        QCOMPARE(runValue(), "/" + executableName());
    }

    void anyNonEmptyValueCountsAsOn_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("on");
        QTest::newRow("another program") << "/usr/bin/other-program" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("254 characters") << "/" + QString(253, u'x') << true;
        QTest::newRow("too long for the read buffer") << "/" + QString(299, u'x') << false;
    }

    void anyNonEmptyValueCountsAsOn()
    {
        QFETCH(QString, data);
        QFETCH(bool, on);
        writeRunValue(data);
        QCOMPARE(IsAutostartOn(), on);
    }

    void removeAutostartDeletesTheEntryAndToleratesItsAbsence()
    {
        RemoveAutostart();
        QVERIFY(!QFileInfo::exists(runkey::autostartFolder()));
        writeRunValue(QStringLiteral("/usr/bin/other-program"));
        RemoveAutostart();
        long result = -1;
        runValue(&result);
        QCOMPARE(result, registry::kNotFound);
        QVERIFY(!IsAutostartOn());
    }

    // --- the browser button ---

    void browserButtonWritesEightValuesInOrder()
    {
        test::ProgramFolder folder;
        shipButtonFiles(folder);
        QCOMPARE(AddBrowserButton(folder.path(), QStringLiteral("Watch the downloads!")), BrowserButton::Written);
        const reg::Hive hive = machineHive();
        const reg::Key *key = hive.findKey(kButtonKey);
        QVERIFY(key);
        QStringList lines;
        for (const reg::Value &v : key->values) {
            QCOMPARE(v.type, quint32(reg::REG_SZ));
            lines.append(v.name + "=" + v.text);
        }
        const QString icon = folder.path() + "quendral.ico";
        QCOMPARE(lines,
                 QStringList({"ButtonText=Quendral", "Icon=" + icon, "HotIcon=" + icon,
                              "Exec=" + folder.path() + "quendral", "CLSID={1FBA04EE-3024-11d2-8F1F-0000F87ABD16}",
                              "DefaultVisible=Yes", "MenuStatusBar=Watch the downloads!", "MenuText=&Quendral"}));
    }

    void languageChangeRewritesTheStatusText()
    {
        test::ProgramFolder folder;
        shipButtonFiles(folder);
        AddBrowserButton(folder.path(), QStringLiteral("Kontroluj pobierane pliki!"));
        AddBrowserButton(folder.path(), QStringLiteral("Watch the downloads!"));
        const reg::Hive hive = machineHive();
        const reg::Key *key = hive.findKey(kButtonKey);
        QCOMPARE(key->values.size(), 8);
        QCOMPARE(key->findValue("MenuStatusBar")->text, "Watch the downloads!");
        QCOMPARE(key->values.at(6).name, "MenuStatusBar");
    }

    void missingButtonFilesWriteNothing_data()
    {
        QTest::addColumn<bool>("program");
        QTest::addColumn<bool>("icon");
        QTest::newRow("no program file") << false << true;
        QTest::newRow("no icon") << true << false;
        QTest::newRow("neither") << false << false;
    }

    void missingButtonFilesWriteNothing()
    {
        QFETCH(bool, program);
        QFETCH(bool, icon);
        test::ProgramFolder folder;
        shipButtonFiles(folder, program, icon);
        // A copy named otherwise runs fine, but the button still wants "quendral".
        folder.write(executableName(), "copy");
        QCOMPARE(AddBrowserButton(folder.path(), QStringLiteral("x")), BrowserButton::FilesMissing);
        QVERIFY(!QFileInfo::exists(reg::machineHivePath()));
    }

    void noRightsToTheMachineRootWritesNothingSilently()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/Quendral"); // where the root's folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_DIRS", dir.path().toUtf8());
        test::ProgramFolder folder;
        shipButtonFiles(folder);
        QCOMPARE(AddBrowserButton(folder.path(), QStringLiteral("x")), BrowserButton::Written);
        QCOMPARE(QFileInfo(blocker.fileName()).size(), 0);
        RemoveBrowserButton();
    }

    void removeBrowserButtonDeletesTheKeyOnly()
    {
        RemoveBrowserButton(); // nothing there: nothing happens
        QVERIFY(!QFileInfo::exists(reg::machineHivePath()));
        test::ProgramFolder folder;
        shipButtonFiles(folder);
        modRegedit().RegKeyCreate(Root::LocalMachine, QStringLiteral("Software\\Other"));
        AddBrowserButton(folder.path(), QStringLiteral("x"));
        RemoveBrowserButton();
        const reg::Hive hive = machineHive();
        QVERIFY(!hive.keyExists(kButtonKey));
        QVERIFY(hive.keyExists(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Other")));
    }

    // The uninstall switch's two calls leave neither entry behind.
    void uninstallRemovesBoth()
    {
        test::ProgramFolder folder;
        shipButtonFiles(folder);
        AppState state(folder.path());
        AddAutostart(state);
        AddBrowserButton(folder.path(), QStringLiteral("x"));
        RemoveBrowserButton();
        RemoveAutostart();
        QVERIFY(!IsAutostartOn());
        QVERIFY(QDir(runkey::autostartFolder()).isEmpty());
        QVERIFY(!machineHive().keyExists(kButtonKey));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "test_autostart.moc"
