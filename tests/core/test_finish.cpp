#include "core/deadline.h"
#include "core/quietwindow.h"

#include <QtTest>

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

// The quiet connection and the deadline: a series of readings in, a decision out.
class TestFinish : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestFinish)
#include "test_finish.moc"
