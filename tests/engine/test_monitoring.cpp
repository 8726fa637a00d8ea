#include "engine/deadline.h"
#include "engine/monitoring.h"
#include "engine/quietwindow.h"
#include "settings/completionchoice.h"
#include "settings/options.h"
#include "settings/settingsstore.h"
#include "settings/watchliststore.h"
#include "support/testsupport.h"

#include <QtTest>

#include <ctime>

using namespace quendral;

using Readings = QList<qint64>;

// `count` counter readings growing by `step` from `from`.
Readings steady(int count, qint64 step, qint64 from = 0)
{
    Readings list;
    for (int n = 0; n < count; ++n)
        list.append(from + n * step);
    return list;
}

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second), Qt::UTC);
}

// In 2026 Warsaw's clocks skip 2:00-3:00 on 29 March and show 2:00-3:00
// twice on 25 October, both at 1:00 UTC.
QDateTime utc(int month, int day, int hour, int minute)
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute), Qt::UTC);
}

// The tick's decisions on the stored watch list and the option values; the
// quiet connection and the deadline, a series of readings in, a decision out.
class TestMonitoring : public QObject
{
    Q_OBJECT

private slots:
    // --- counting the watch list ---
    void emptyListCountsMinusOne()
    {
        test::ProgramFolder folder;
        SettingsStore store(folder.path());
        QCOMPARE(monitoring::lastFileIndex(store), -1);
    }

    void emptyFirstEntryHidesTheRest()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[Files]\nfile0=\nfile1=/d/a.zip\n");
        SettingsStore store(folder.path());
        QCOMPARE(monitoring::lastFileIndex(store), -1);
        QVERIFY(watchlist::read(store.settingsFile()).isEmpty());
    }

    void gapEndsTheList()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[files]\nFILE0=a.zip\nfile1=b.zip\nfile3=c.zip\n");
        SettingsStore store(folder.path());
        QCOMPARE(watchlist::read(store.settingsFile()),
                 QStringList({QStringLiteral("a.zip"), QStringLiteral("b.zip")}));
        QCOMPARE(monitoring::lastFileIndex(store), 1);
    }

    void emptyingKeepsTheKeysUpToTheGap()
    {
        test::ProgramFolder folder;
        folder.write(QStringLiteral("Settings.ini"), "[Files]\nfile0=/d/a.zip\nfile1=/d/b.zip\nfile3=/d/c.zip\n");
        SettingsStore store(folder.path());
        watchlist::empty(store.settingsFile());
        QCOMPARE(monitoring::lastFileIndex(store), -1);
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
        Options options;
        options.autodisconnect = Flag(QString::number(autodisconnect));
        options.autocomp_off = Flag(QString::number(autocomp_off));
        const CompletionChoice choice = CompletionChoice::decide(options, false);
        QCOMPARE(choice.countsDown(), !mode.isEmpty());
        if (!choice.countsDown())
            return;
        const QString code = choice.hangUp ? (choice.power ? "dwa" : "roz") : "wyl";
        QCOMPARE(code, mode);
        QCOMPARE(choice.hangUp, hangUpWindow);
    }

    // --- the quiet connection and the deadline ---
    void quietWindow_data()
    {
        // Readings every 30 s (-1 unreadable), a 10 min window below 2 kB/s.
        QTest::addColumn<Readings>("readings");
        QTest::addColumn<bool>("atWork");
        QTest::addColumn<bool>("holds");
        QTest::newRow("quiet for the whole window") << steady(21, 0) << false << true;
        QTest::newRow("one sample short") << steady(20, 0) << false << false;
        QTest::newRow("trickle just above the rate") << steady(40, 2048 * 30) << false << false;
        QTest::newRow("trickle just below the rate") << steady(21, 2047 * 30) << false << true;
        QTest::newRow("a burst in the window") << steady(11, 0) + steady(20, 0, 1 << 20) << false << false;
        QTest::newRow("a window after the burst") << steady(11, 0) + steady(21, 0, 1 << 20) << false << true;
        QTest::newRow("quiet while a marker exists") << steady(30, 0) << true << false;
        QTest::newRow("unreadable counter") << steady(11, 0) + Readings{-1} + steady(20, 0) << false << false;
        QTest::newRow("counter back on a new link") << steady(11, 0, 5000) + steady(20, 0) << false << false;
    }
    void quietWindow()
    {
        QFETCH(Readings, readings);
        QFETCH(bool, atWork);
        QuietWindow window(10 * 60000, 2048);
        for (qsizetype n = 0; n < readings.size(); ++n)
            window.sample(n * 30000, readings[n] < 0 ? std::nullopt : std::optional<quint64>(readings[n]));
        QTEST(window.holds(atWork), "holds");
    }

    void deadline_data()
    {
        // Started at `start` for 7:00, then checked at each of `checks`.
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QList<QDateTime>>("checks");
        QTest::addColumn<QString>("fired");
        QTest::newRow("today") << at(1, 6, 0) << QList{at(1, 6, 59, 59), at(1, 7, 0), at(1, 7, 0, 30)} << "010";
        QTest::newRow("started after: tomorrow") << at(1, 7, 30) << QList{at(1, 7, 31), at(2, 7, 0)} << "01";
        QTest::newRow("started at it: tomorrow") << at(1, 7, 0) << QList{at(1, 7, 0, 30), at(2, 7, 0)} << "01";
        QTest::newRow("clock forward past it") << at(1, 6, 0) << QList{at(1, 6, 30), at(1, 9, 0), at(1, 9, 1)} << "010";
        QTest::newRow("clock back after it") << at(1, 6, 0) << QList{at(1, 7, 0), at(1, 6, 30), at(1, 7, 0)} << "100";
        QTest::newRow("clock back before it") << at(1, 6, 0) << QList{at(1, 5, 0), at(1, 6, 59), at(1, 7, 1)} << "001";
        QTest::newRow("resume a day later") << at(1, 6, 0) << QList{at(2, 12, 0), at(2, 12, 1)} << "10";
    }
    void deadline()
    {
        QFETCH(QDateTime, start);
        QFETCH(QList<QDateTime>, checks);
        Deadline deadline(start, QTime(7, 0));
        QString seen;
        for (const QDateTime &now : checks)
            seen += deadline.fire(now) ? u'1' : u'0';
        QTEST(seen, "fired");
    }

    void deadlineOverDaylightSaving_data()
    {
        // Started at `start` for `time` on Warsaw's clocks (`local`: the
        // program's own time zone set to Warsaw), then checked at `checks`.
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QList<QDateTime>>("checks");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QString>("fired");
        QTest::addColumn<bool>("local");
        const QTime skipped(2, 30);
        for (const bool local : {false, true}) {
            const char *how = local ? "local time" : "zone";
            QTest::addRow("%s: skipped, started the day before", how)
                << utc(3, 28, 19, 0) << skipped << QList{utc(3, 29, 0, 59), utc(3, 29, 1, 0), utc(3, 29, 2, 0)}
                << utc(3, 29, 1, 0) << "010" << local;
            QTest::addRow("%s: skipped, started that night", how)
                << utc(3, 29, 0, 0) << skipped << QList{utc(3, 29, 0, 30), utc(3, 29, 1, 0)} << utc(3, 29, 1, 0) << "01"
                << local;
            QTest::addRow("%s: skipped, started after the gap", how)
                << utc(3, 29, 1, 10) << skipped << QList{utc(3, 29, 1, 30), utc(3, 30, 0, 30)} << utc(3, 30, 0, 30)
                << "01" << local;
            QTest::addRow("%s: shown twice, fires at the first", how)
                << utc(10, 24, 18, 0) << skipped << QList{utc(10, 25, 0, 29), utc(10, 25, 0, 30), utc(10, 25, 1, 30)}
                << utc(10, 25, 0, 30) << "010" << local;
            QTest::addRow("%s: shown twice, started between", how)
                << utc(10, 25, 0, 45) << skipped << QList{utc(10, 25, 1, 30), utc(10, 26, 1, 30)} << utc(10, 26, 1, 30)
                << "01" << local;
            QTest::addRow("%s: clock set forward past it", how)
                << utc(7, 1, 4, 0) << QTime(7, 0) << QList{utc(7, 1, 4, 30), utc(7, 1, 8, 0), utc(7, 1, 8, 1)}
                << utc(7, 1, 5, 0) << "010" << local;
            QTest::addRow("%s: clock set back after it", how)
                << utc(7, 1, 4, 0) << QTime(7, 0) << QList{utc(7, 1, 5, 0), utc(7, 1, 4, 30), utc(7, 1, 5, 0)}
                << utc(7, 1, 5, 0) << "100" << local;
        }
        QTest::newRow("no start: never") << QDateTime() << QTime(7, 0) << QList{utc(7, 1, 5, 0)} << QDateTime() << "0"
                                         << false;
    }
    void deadlineOverDaylightSaving()
    {
        QFETCH(QDateTime, start);
        QFETCH(QTime, time);
        QFETCH(QList<QDateTime>, checks);
        QFETCH(bool, local);
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "Europe/Warsaw");
        ::tzset();
        const QDateTime from = local ? start.toLocalTime() : start.toTimeZone(QTimeZone("Europe/Warsaw"));
        Deadline deadline(start.isValid() ? from : start, time);
        QString seen;
        for (const QDateTime &now : checks)
            seen += deadline.fire(local ? now.toLocalTime() : now) ? u'1' : u'0';
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        ::tzset();
        QTEST(deadline.due(), "due");
        QTEST(seen, "fired");
    }
};

QTEST_GUILESS_MAIN(TestMonitoring)
#include "test_monitoring.moc"
