#include "settings/appstate.h"
#include "settings/autostart.h"
#include "settings/programfile.h"
#include "settings/registryeditor.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace quendral;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QString runValue()
{
    QVariant value;
    quint32 type = registry::kString;
    RegistryEditor().RegValueRead(registry::Root::CurrentUser,
                                  QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                                  QStringLiteral("Quendral 1.2"), &value, &type);
    return value.toString();
}

} // namespace

// The file a copy of the GUI program names as its own: the one the user
// started, whichever way that was.
class TestProgramFile : public QObject
{
    Q_OBJECT

private slots:
    void startedFileIsTheFileTheUserStarted_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<bool>("namedExists");
        QTest::addColumn<bool>("frontBeside");
        QTest::addColumn<QString>("expected");
        // "named" is the front's own file in the variable, a renamed one too.
        QTest::newRow("started by the front") << "quendral" << true << true << "named";
        QTest::newRow("started by a renamed front") << "renamed" << true << true << "named";
        QTest::newRow("a renamed front, none of the usual name") << "renamed" << true << false << "named";
        QTest::newRow("the named file is gone") << "renamed" << false << true << "beside";
        QTest::newRow("started directly, the front beside") << "" << false << true << "beside";
        QTest::newRow("started directly, alone") << "" << false << false << "running";
    }

    void startedFileIsTheFileTheUserStarted()
    {
        QFETCH(QString, named);
        QFETCH(bool, namedExists);
        QFETCH(bool, frontBeside);
        QFETCH(QString, expected);
        test::ProgramFolder folder;
        const QString running = folder.file(programfile::guiExecutable());
        touch(running);
        const QString beside = folder.file(programfile::buttonExecutable());
        if (frontBeside)
            touch(beside);
        const QString namedFile = named.isEmpty() ? QString() : folder.file(named);
        if (namedExists && namedFile != beside)
            touch(namedFile);
        if (namedFile.isEmpty())
            qunsetenv(programfile::kFrontVariable);
        else
            qputenv(programfile::kFrontVariable, namedFile.toUtf8());

        const QString file = programfile::startedFile(running);

        const QHash<QString, QString> files{{"named", namedFile}, {"beside", beside}, {"running", running}};
        QCOMPARE(file, files.value(expected));
        // Read once: what this program starts later does not inherit it.
        QVERIFY(!qEnvironmentVariableIsSet(programfile::kFrontVariable));
    }

    void runValueNamesTheStartedFile_data()
    {
        QTest::addColumn<QString>("front");
        QTest::newRow("the front") << programfile::buttonExecutable();
        QTest::newRow("a renamed front") << "renamed";
    }

    void runValueNamesTheStartedFile()
    {
        QFETCH(QString, front);
        test::ProgramFolder folder;
        touch(folder.file(front));
        AppState state(folder.path());
        state.programFile = folder.file(front);
        QVERIFY(AddAutostart(state));
        QCOMPARE(runValue(), folder.file(front));
        QVERIFY(RemoveAutostart());
    }
};

QTEST_GUILESS_MAIN(TestProgramFile)
#include "test_programfile.moc"
