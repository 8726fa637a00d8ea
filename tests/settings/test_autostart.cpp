#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/launcher.h"
#include "settings/programfile.h"
#include "settings/registryeditor.h"
#include "settings/runkey.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quendral;
using registry::Root;

namespace {

const QString kRun = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

QString runValue(long *result = nullptr)
{
    QVariant value;
    quint32 type = registry::kString;
    const long rc =
        RegistryEditor().RegValueRead(Root::CurrentUser, kRun, QStringLiteral("Quendral 1.2"), &value, &type);
    if (result)
        *result = rc;
    return value.toString();
}

void writeRunValue(const QString &data)
{
    RegistryEditor().RegValueWrite(Root::CurrentUser, kRun, QStringLiteral("Quendral 1.2"), data, registry::kString);
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

    QByteArray m_dataHome = qgetenv("XDG_DATA_HOME");

    static void shipButtonFiles(const QString &folder, bool program = true, bool icon = true)
    {
        QDir().mkpath(folder);
        for (const auto &[wanted, name] : {std::pair{program, "quendral"}, std::pair{icon, "quendral.svg"}}) {
            QFile file(folder + name);
            if (wanted && file.open(QIODevice::WriteOnly))
                file.write("x");
        }
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        qputenv("XDG_CONFIG_DIRS", m_configDirs);
        qputenv("XDG_DATA_HOME", m_dataHome);
        QFile::remove(launcher::path());
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
        // The entry is read whole: the registry's 255-byte buffer does not apply.
        QTest::newRow("longer than a registry read buffer") << "/" + QString(299, u'x') << true;
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

    // --- the Exec program: as the user started it ---

    void startCommandNamesTheProgramAsStarted_data()
    {
        QTest::addColumn<QString>("startedAs"); // "<links>" and "<folder>" stand for the two folders
        QTest::addColumn<QString>("path");      // PATH while resolving
        QTest::addColumn<QString>("command");
        QTest::newRow("through a link") << "<links>quendral"
                                        << ""
                                        << "<links>quendral";
        QTest::newRow("link found on PATH") << "quendral"
                                            << "<links>"
                                            << "<links>quendral";
        QTest::newRow("not on PATH") << "quendral"
                                     << "/nonexistent"
                                     << "<folder>quendral";
        QTest::newRow("the program file itself") << "<folder>quendral"
                                                 << ""
                                                 << "<folder>quendral";
        QTest::newRow("another program of that name") << "<links>other/quendral"
                                                      << ""
                                                      << "<folder>quendral";
        QTest::newRow("a name that resolves nowhere") << "/nonexistent/quendral"
                                                      << ""
                                                      << "<folder>quendral";
        QTest::newRow("no first argument") << ""
                                           << "<links>"
                                           << "<folder>quendral";
    }

    void startCommandNamesTheProgramAsStarted()
    {
        QFETCH(QString, startedAs);
        QFETCH(QString, path);
        QFETCH(QString, command);
        test::ProgramFolder program;
        test::ProgramFolder links;
        program.write("quendral", "#!/bin/sh\n");
        links.write("other/quendral", "#!/bin/sh\n");
        for (const QString &file : {program.file("quendral"), links.file("other/quendral")})
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QFile::link(program.file("quendral"), links.file("quendral")));
        const auto expand = [&](QString text) {
            return text.replace("<links>", links.path()).replace("<folder>", program.path());
        };
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", expand(path).toUtf8());
        const QString result = programfile::startCommand(program.path(), "/elsewhere/quendral", expand(startedAs));
        qputenv("PATH", savedPath);
        QCOMPARE(result, expand(command));
    }

    // --- the browser button: a launcher in the applications menu ---

    void browserButtonWritesAValidLauncher()
    {
        // Characters that the Exec key and the string values must escape.
        test::ProgramFolder root;
        const QString folder = root.path() + "My \"Apps\" 100% $HOME`x`\\/";
        shipButtonFiles(folder);
        QCOMPARE(AddBrowserButton(folder, QStringLiteral("Watch the downloads!")), BrowserButton::Written);
        QCOMPARE(launcher::path(), qEnvironmentVariable("XDG_DATA_HOME") + "/applications/quendral-launcher.desktop");
        const QString exec =
            "env \"" + root.path() + "My \\\\\"Apps\\\\\" 100%% \\\\$HOME\\\\`x\\\\`\\\\\\\\/quendral\"";
        QCOMPARE(QString::fromUtf8(readFile(launcher::path())),
                 "[Desktop Entry]\nType=Application\nName=Quendral\nExec=" + exec + "\nTryExec=" + folder.chopped(2) +
                     "\\\\/quendral\nComment=Watch the downloads!\nIcon=" + folder.chopped(2) + "\\\\/quendral.svg" +
                     "\nTerminal=false\nCategories=Network;FileTransfer;\n");

        QProcess validate;
        validate.start("desktop-file-validate", {launcher::path()});
        QVERIFY(validate.waitForFinished());
        QCOMPARE(validate.readAllStandardOutput() + validate.readAllStandardError(), QByteArray());
        QCOMPARE(validate.exitCode(), 0);

        // Once the program is gone (the package removed), GLib, as desktop
        // sessions and menus use it, skips the entry: Exec runs env here, so
        // only TryExec tells. Exit 0: skipped; 3: taken; 1: a failure.
        QVERIFY(QFile::remove(folder + "quendral"));
        const QString skipped = "import sys, gi\ngi.require_version('Gio', '2.0')\nfrom gi.repository import Gio\n"
                                "try:\n    info = Gio.DesktopAppInfo.new_from_filename(sys.argv[1])\n"
                                "except TypeError:\n    info = None\nsys.exit(0 if info is None else 3)";
        QCOMPARE(QProcess::execute("/usr/bin/python3", {"-c", skipped, launcher::path()}), 0);
    }

    void languageChangeRewritesTheStatusText()
    {
        test::ProgramFolder folder;
        shipButtonFiles(folder.path());
        AddBrowserButton(folder.path(), QStringLiteral("Kontroluj pobierane pliki!"));
        AddBrowserButton(folder.path(), QStringLiteral("Watch the downloads!"));
        const QByteArray entry = readFile(launcher::path());
        QVERIFY(entry.contains("\nComment=Watch the downloads!\n"));
        QCOMPARE(entry.count("Comment="), 1);
        QCOMPARE(QDir(QFileInfo(launcher::path()).absolutePath()).entryList(QDir::Files).size(), 1);
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
        shipButtonFiles(folder.path(), program, icon);
        // A copy named otherwise runs fine, but the button still wants "quendral".
        folder.write(executableName(), "copy");
        QCOMPARE(AddBrowserButton(folder.path(), QStringLiteral("x")), BrowserButton::FilesMissing);
        QVERIFY(!QFileInfo::exists(launcher::path()));
    }

    void unwritableApplicationsFolderWritesNothingAndSaysSo()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/applications"); // where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        test::ProgramFolder folder;
        shipButtonFiles(folder.path());
        QCOMPARE(AddBrowserButton(folder.path(), QStringLiteral("x")), BrowserButton::Failed);
        QCOMPARE(QFileInfo(blocker.fileName()).size(), 0);
        QVERIFY(RemoveBrowserButton()); // nothing there to remove
    }

    void removeBrowserButtonDeletesTheLauncherOnly()
    {
        RemoveBrowserButton(); // nothing there: nothing happens
        const QString other = QFileInfo(launcher::path()).absolutePath() + "/other.desktop";
        test::ProgramFolder folder;
        shipButtonFiles(folder.path());
        AddBrowserButton(folder.path(), QStringLiteral("x"));
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        RemoveBrowserButton();
        QVERIFY(!QFileInfo::exists(launcher::path()));
        QVERIFY(QFileInfo::exists(other));
    }

    // The uninstall switch's two calls leave neither entry behind.
    void uninstallRemovesBoth()
    {
        test::ProgramFolder folder;
        shipButtonFiles(folder.path());
        AppState state(folder.path());
        AddAutostart(state);
        AddBrowserButton(folder.path(), QStringLiteral("x"));
        QVERIFY(QFileInfo::exists(launcher::path()));
        RemoveBrowserButton();
        RemoveAutostart();
        QVERIFY(!IsAutostartOn());
        QVERIFY(QDir(runkey::autostartFolder()).isEmpty());
        QVERIFY(!QFileInfo::exists(launcher::path()));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "test_autostart.moc"
