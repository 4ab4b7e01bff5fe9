#include "base/clock.h"
#include "base/dialogs.h"
#include "stats/core/snapshots.h"
#include "tests/support/testsupport.h"

#include <QtTest>

using namespace quillon;

namespace {

QDateTime at(int day, int hour, int minute)
{
    return QDateTime(QDate(2008, 10, day), QTime(hour, minute));
}

SlotArray amounts(double rx, double tx)
{
    SlotArray a{};
    a[0] = {rx, tx};
    return a;
}

const QByteArray SavedFile = "27/10/08 10 : 1,1 0,0 0,0 0,0\r\n"
                             "27/10/08 11 : 2,2 0,0 0,0 0,0\r\n"
                             "09/08 : 9,9 0,0 0,0 0,0\r\n"
                             "10/08 : 1,2 3,4 5,6 7,8\r\n"
                             "44 08 : 40,4 0,0 0,0 0,0\r\n"
                             "28/10/08 : 30,3 0,0 0,0 0,0\r\n"
                             "28/10/08 13 : 7,7 0,0 0,0 0,0\r\n"
                             "28/10/08 14 : 50,5 0,0 0,0 0,0\r\n"
                             "Boot - 28/10/2008 09:14:00 : 100,10 0,0 0,0 0,0 : 28/10/2008 14:10:00";

// The totals loaded at 14:30 on the 28th from a saved file (none when empty).
struct Loaded
{
    explicit Loaded(const QByteArray &file = SavedFile)
    {
        if (!file.isEmpty())
            dir.write(QStringLiteral("bwtotals.txt"), file);
        s.LoadSnapshots();
    }
    test::TempAppDir dir;
    ScopedClock clock{at(28, 14, 30)};
    BandwidthSnapshots s;
};

} // namespace

class TestSnapshots : public QObject
{
    Q_OBJECT

private slots:
    void loadingTheCurrentPeriods()
    {
        Loaded loaded;
        BandwidthSnapshots &s = loaded.s;
        for (int slot = 0; slot < 4; ++slot) {
            QCOMPARE(s.ThisMonth().Totals[size_t(slot)].Rx, 1.0 + 2 * slot);
            QCOMPARE(s.ThisMonth().Totals[size_t(slot)].Tx, 2.0 + 2 * slot);
        }
        QCOMPARE(s.LastHour().Totals[0].Rx, 50.0);
        QCOMPARE(s.Today().Totals[0].Rx, 30.0);
        QCOMPARE(s.ThisWeek().Totals[0].Rx, 40.0);
        QCOMPARE(s.SavedBoot().Totals[0].Rx, 100.0);
        QCOMPARE(s.SavedBootTime(), at(28, 9, 14));
        QCOMPARE(s.SavedAt(), at(28, 14, 10));
        QCOMPARE(s.MonthLines(), QStringList({QStringLiteral("10/08 : 1,2 3,4 5,6 7,8"), QStringLiteral("09/08 : 9,9 0,0 0,0 0,0")}));
    }

    // Restart within one boot adds the gap only to periods the save lay in; a reboot adds
    // the since-boot traffic to every period that began before the boot.
    void bootTrafficOnFirstReading_data()
    {
        QTest::addColumn<QByteArray>("savedAt");
        QTest::addColumn<double>("sinceBoot");
        QTest::addColumn<QDateTime>("boot");
        QTest::addColumn<double>("hour");
        QTest::addColumn<double>("today");
        QTest::addColumn<double>("week");
        QTest::addColumn<double>("monthRx");
        QTest::addColumn<double>("monthTx");
        QTest::newRow("restart, saved this hour") << QByteArray("14:10:00") << 300.0 << at(28, 9, 14) << 250.0 << 230.0 << 240.0 << 201.0 << 22.0;
        QTest::newRow("restart, saved last hour") << QByteArray("13:50:00") << 300.0 << at(28, 9, 14) << 50.0 << 230.0 << 240.0 << 201.0 << 22.0;
        QTest::newRow("reboot this hour") << QByteArray("14:10:00") << 1000.0 << at(28, 13, 50) << 50.0 << 1030.0 << 1040.0 << 1001.0 << 102.0;
    }

    void bootTrafficOnFirstReading()
    {
        QFETCH(QByteArray, savedAt);
        QFETCH(double, sinceBoot);
        QFETCH(QDateTime, boot);
        Loaded loaded(QByteArray(SavedFile).replace("14:10:00", savedAt));
        BandwidthSnapshots &s = loaded.s;
        s.SinceBoot().Totals = amounts(sinceBoot, sinceBoot / 10); // the router's counters at the first reading
        s.UpdateSnapshots(amounts(0, 0), boot);
        QTEST(s.LastHour().Totals[0].Rx, "hour");
        QTEST(s.Today().Totals[0].Rx, "today");
        QTEST(s.ThisWeek().Totals[0].Rx, "week");
        QTEST(s.ThisMonth().Totals[0].Rx, "monthRx");
        QTEST(s.ThisMonth().Totals[0].Tx, "monthTx");
        QCOMPARE(s.ThisMonth().Totals[1].Rx, 3.0);

        const double hour = s.LastHour().Totals[0].Rx;
        s.UpdateSnapshots(amounts(5, 1), boot);
        QCOMPARE(s.SinceBoot().Totals[0].Rx, sinceBoot + 5);
        QCOMPARE(s.LastHour().Totals[0].Rx, hour + 5);
    }

    void firstRunTakesTheBootTrafficWhereEmpty()
    {
        Loaded loaded{QByteArray()};
        BandwidthSnapshots &s = loaded.s;
        s.SinceBoot().Totals = amounts(1000, -1); // -1: a half that was never read
        s.UpdateSnapshots(amounts(0, 0), at(28, 14, 20));
        QCOMPARE(s.LastHour().Totals[0].Rx, 1000.0);
        QCOMPARE(s.LastHour().Totals[0].Tx, 0.0);
        QCOMPARE(s.ThisMonth().Totals[0].Rx, 1000.0);
    }

    void rolloverWritesTheOldPeriod()
    {
        test::TempAppDir dir;
        ScopedClock clock(at(28, 14, 59));
        BandwidthSnapshots s;
        s.LoadSnapshots();
        s.UpdateSnapshots(amounts(10, 1), at(28, 9, 0));
        clock.set(at(28, 15, 1));
        s.UpdateSnapshots(amounts(20, 2), at(28, 9, 0));
        QCOMPARE(s.LastHour().Totals[0].Rx, 20.0);
        QCOMPARE(s.Today().Totals[0].Rx, 30.0);
        QVERIFY(s.SnapshotLines().contains(QStringLiteral("28/10/08 14 : 10,1 0,0 0,0 0,0")));
    }

    void closeDropsYesterdaysHoursAndReplacesTheFile()
    {
        Loaded loaded;
        BandwidthSnapshots &s = loaded.s;
        s.SinceBoot().Totals = amounts(300, 30);
        s.UpdateSnapshots(amounts(0, 0), at(28, 9, 14));
        QVERIFY(s.Close(at(28, 9, 14)));
        const QByteArray saved = loaded.dir.read(QStringLiteral("bwtotals.txt"));
        QVERIFY(!saved.endsWith("\r\n"));
        const QList<QByteArray> lines = saved.split('\n');
        QCOMPARE(lines.size(), 7);
        QVERIFY(!saved.contains("27/10/08"));
        QVERIFY(saved.contains("28/10/08 13 : 7,7 0,0 0,0 0,0\r\n"));
        QVERIFY(saved.contains("28/10/08 14 : 250,25 0,0 0,0 0,0\r\n"));
        QVERIFY(saved.contains("Boot - 28/10/2008 09:14:00 : 300,30 0,0 0,0 0,0 : 28/10/2008 14:30:00"));

        // Loading what was saved gives the same totals back.
        BandwidthSnapshots again;
        again.LoadSnapshots();
        QCOMPARE(again.LastHour().Totals[0].Rx, 250.0);
        QCOMPARE(again.SavedBoot().Totals[0].Rx, 300.0);
    }

    void nothingWrittenWithoutASampleAndFailuresReported()
    {
        ScriptedDialogs dialogs;
        Loaded idle{QByteArray()};
        QVERIFY(idle.s.Close(at(28, 9, 14)));
        QVERIFY(idle.dir.read(QStringLiteral("bwtotals.txt")).isEmpty());

        idle.dir.write(QStringLiteral("bwtotals.txt"), "garbage : : :\r\n: x\r\nBoot - nonsense : a,b c\r\n10/08 : ,,, 1,2");
        BandwidthSnapshots s;
        s.LoadSnapshots();
        QCOMPARE(s.ThisMonth().Totals[1].Rx, 1.0);
        QVERIFY(s.SavedBoot().Loaded);
        QCOMPARE(s.SavedBoot().Totals[0].Rx, 0.0);
        QVERIFY(dialogs.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSnapshots)
#include "tst_snapshots.moc"
