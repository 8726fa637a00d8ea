#include "base/commandline.h"

#include <QTest>

using namespace quendral;

// The user's command line under the Desktop Entry rules for Exec.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Field codes name what a completion does not have: they are dropped,
    // "%%" is "%", and a line with a code the rules do not know is not run.
    void fieldCodes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("runs");
        QTest::newRow("none") << "prog a \"b c\"" << QStringList{"prog", "a", "b c"} << true;
        QTest::newRow("file") << "prog %f" << QStringList{"prog"} << true;
        QTest::newRow("files and URLs") << "prog %F %u %U x" << QStringList{"prog", "x"} << true;
        QTest::newRow("icon, name, entry") << "prog %i %c %k" << QStringList{"prog"} << true;
        QTest::newRow("deprecated") << "prog %d %D %n %N %v %m" << QStringList{"prog"} << true;
        QTest::newRow("inside an argument") << "prog --file=%f" << QStringList{"prog", "--file="} << true;
        QTest::newRow("percent") << "date +%%Y" << QStringList{"date", "+%Y"} << true;
        QTest::newRow("percent in quotes") << "prog \"a %% b\"" << QStringList{"prog", "a % b"} << true;
        QTest::newRow("quoted code keeps its argument") << "prog \"%f\"" << QStringList{"prog", ""} << true;
        QTest::newRow("unknown code") << "date +%Y" << QStringList{} << false;
        QTest::newRow("percent at the end") << "prog 100%" << QStringList{} << false;
    }
    void fieldCodes()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, arguments);
        QFETCH(bool, runs);
        QString invalid;
        QCOMPARE(splitCommandLine(line, &invalid), arguments);
        QCOMPARE(invalid.isEmpty(), runs);
    }

    // What the browse button writes splits back into the one path chosen.
    void quotedPathSplitsBackWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "/usr/bin/prog"
                               << "/usr/bin/prog";
        QTest::newRow("blank") << "/opt/my prog"
                               << "\"/opt/my prog\"";
        QTest::newRow("quotation marks") << "/opt/my \"x\" prog"
                                         << "\"/opt/my \\\"x\\\" prog\"";
        QTest::newRow("dollar and backtick") << "/opt/a$b`c"
                                             << "\"/opt/a\\$b\\`c\"";
        QTest::newRow("backslash") << "/opt/a\\b"
                                   << "\"/opt/a\\\\b\"";
        QTest::newRow("percent") << "/opt/100%"
                                 << "/opt/100%%";
        QTest::newRow("percent and blank") << "/opt/a b%f"
                                           << "\"/opt/a b%%f\"";
        QTest::newRow("apostrophe") << "/opt/it's"
                                    << "\"/opt/it's\"";
    }
    void quotedPathSplitsBackWhole()
    {
        QFETCH(QString, path);
        QFETCH(QString, written);
        QCOMPARE(quoteCommandArgument(path), written);
        QCOMPARE(splitCommandLine(written), QStringList{path});
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
