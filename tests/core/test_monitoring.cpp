#include "core/monitoring.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"
#include "support/testsupport.h"

#include <QtTest>

using namespace quendral;

// The tick's decisions on the stored watch list and the option values.
class TestMonitoring : public QObject
{
    Q_OBJECT

private slots:
    // --- counting the watch list ---
    void emptyListCountsMinusOne()
    {
        test::ProgramFolder folder;
        SettingsStore store(folder.path());
        QCOMPARE(monitoring::last_file_index(store), -1);
    }

    void emptyFirstEntryHidesTheRest()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[Files]\nfile0=\nfile1=/d/a.zip\n");
        SettingsStore store(folder.path());
        QCOMPARE(monitoring::last_file_index(store), -1);
        QVERIFY(watchlist::read(store.settingsFile()).isEmpty());
    }

    void gapEndsTheList()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[files]\nFILE0=a.zip\nfile1=b.zip\nfile3=c.zip\n");
        SettingsStore store(folder.path());
        QCOMPARE(watchlist::read(store.settingsFile()),
                 QStringList({QStringLiteral("a.zip"), QStringLiteral("b.zip")}));
        QCOMPARE(monitoring::last_file_index(store), 1);
    }

    void emptyingKeepsTheKeysUpToTheGap()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[Files]\nfile0=/d/a.zip\nfile1=/d/b.zip\nfile3=/d/c.zip\n");
        SettingsStore store(folder.path());
        watchlist::empty(store.settingsFile());
        QCOMPARE(monitoring::last_file_index(store), -1);
        QFile file(folder.file(QStringLiteral("Settings.ini")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        // The keys stay, with empty values.
        const QRegularExpression emptied(QStringLiteral("^file[01]=\\r?$"),
                                         QRegularExpression::MultilineOption |
                                             QRegularExpression::CaseInsensitiveOption);
        QCOMPARE(text.count(emptied), 2);
        QCOMPARE(store.settingsFile().ReadIni(QStringLiteral("Files"), QStringLiteral("file1")), QString());
        QCOMPARE(store.settingsFile().ReadIni(QStringLiteral("Files"), QStringLiteral("file3")),
                 QStringLiteral("/d/c.zip"));
    }

    // --- the completion rule ---
    void ruleFromSetting()
    {
        QCOMPARE(monitoring::ruleFrom(0), monitoring::Rule::All);
        QCOMPARE(monitoring::ruleFrom(1), monitoring::Rule::Any);
        QCOMPARE(monitoring::ruleFrom(2), monitoring::Rule::Never);
        QCOMPARE(monitoring::ruleFrom(0.5), monitoring::Rule::Never);
        QCOMPARE(monitoring::ruleFrom(-1), monitoring::Rule::Never);
    }

    // --- the countdown table ---
    void countdownChoice_data()
    {
        QTest::addColumn<double>("autodisconnect");
        QTest::addColumn<double>("autocomp_off");
        QTest::addColumn<QString>("mode"); // empty: no countdown
        QTest::addColumn<bool>("hangUpWindow");
        QTest::newRow("both") << 1.0 << 1.0 << "dwa" << true;
        QTest::newRow("hang-up only") << 1.0 << 0.0 << "roz" << true;
        QTest::newRow("power-off only") << 0.0 << 1.0 << "wyl" << false;
        QTest::newRow("neither") << 0.0 << 0.0 << "" << false;
        QTest::newRow("hang-up 2") << 2.0 << 1.0 << "" << false;
        QTest::newRow("power-off 2") << 1.0 << 2.0 << "" << false;
    }
    void countdownChoice()
    {
        QFETCH(double, autodisconnect);
        QFETCH(double, autocomp_off);
        QFETCH(QString, mode);
        QFETCH(bool, hangUpWindow);
        const auto choice = monitoring::chooseCountdowns(autodisconnect, autocomp_off);
        QCOMPARE(choice.has_value(), !mode.isEmpty());
        if (!choice)
            return;
        const QString code = choice->hangUp ? (choice->powerOff ? "dwa" : "roz") : "wyl";
        QCOMPARE(code, mode);
        QCOMPARE(choice->hangUp, hangUpWindow);
    }
};

QTEST_GUILESS_MAIN(TestMonitoring)
#include "test_monitoring.moc"
