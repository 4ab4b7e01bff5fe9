// Bandwidth readings against the router simulator with the router's time and
// the clock moved together: wraps, reconnects, 64-bit counters and reboots,
// "bandwidth.txt", the period records across rollovers and a restart.

#include "bandwidth/core/bandwidthtexts.h"
#include "base/misc.h"
#include "tests/session/sessionrig.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

Q_DECLARE_METATYPE(quillon::sim::SimOptions)

namespace {

constexpr quint64 K32 = 4294967296ull;

sim::SimOptions frozen(sim::SimOptions o = {})
{
    o.timeScale = 0; // only explicit jumps move the router's time
    o.rebootDownMs = 100;
    o.marginDriftDb = 0;
    return o;
}

ByteCounts countersOf(SessionRig &rig, const char *name)
{
    ByteCounts c;
    rig.sim.interfaceCounters(QLatin1String(name), c.rx, c.tx);
    return c;
}

void pass(SessionRig &rig, int secs)
{
    rig.sim.advanceTime(secs);
    rig.clock.advanceSecs(secs);
}

// A monitored reading `secs` after the previous one.
bool monitoredReading(SessionRig &rig, int secs = 60)
{
    rig.settings.bandwidth.interval = QString::number(secs);
    pass(rig, secs);
    for (int i = 0; i < secs; ++i)
        rig.core->bandwidth.tick();
    return rig.waitIdle();
}

bool startLogging(SessionRig &rig)
{
    if (!rig.started)
        return false;
    rig.core->bandwidth.start();
    return monitoredReading(rig, 1);
}

QString fig(quint64 bytes)
{
    return PadBy(GetUnitSize(double(bytes)), QStringLiteral("."), 10, true);
}

quint64 rxOf(const SnapshotRecord &r)
{
    return quint64(r.Totals[0].Rx);
}

} // namespace

class tst_bandwidthmonitor final : public QObject
{
    Q_OBJECT

private slots:
    void logBlocks_data()
    {
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("one slot") << QStringList{"ppp0", "nas9", "", "usb0"};
        QTest::newRow("four slots") << QStringList{"ppp0", "eth0", "wlan0", "br0"};
    }

    // "bandwidth.txt" gets one block per reading that measured something.
    void logBlocks()
    {
        QFETCH(QStringList, ids);
        SessionRig rig(frozen());
        for (int i = 0; i < 4; ++i)
            rig.settings.bandwidth.ids[size_t(i)] = ids[i];
        QVERIFY(startLogging(rig));
        QVERIFY(rig.dir.read(QStringLiteral("bandwidth.txt")).isEmpty()); // a baseline only
        std::array<ByteCounts, 4> first;
        for (int i = 0; i < 4; ++i)
            first[size_t(i)] = countersOf(rig, qPrintable(ids[i]));

        QVERIFY(monitoredReading(rig, 60));
        QString expected = QStringLiteral("02/07/26 08:01:01 ---------\r\n");
        const char *labels[] = {"WAN", "LAN", "WLAN", "USB"};
        for (int i = 0; i < 4; ++i) {
            const ByteCounts now = countersOf(rig, qPrintable(ids[i]));
            if (now.rx == 0)
                continue;
            const quint64 rx = now.rx - first[size_t(i)].rx;
            const quint64 tx = now.tx - first[size_t(i)].tx;
            QVERIFY(rx > 0);
            expected += QLatin1String(labels[i]) + QLatin1Char('\t') + fig(rx) + '(' + fig(rx) + ") " + fig(tx) + '('
                      + fig(tx) + ')' + (i < 3 ? QStringLiteral("\r\n") : QString());
        }
        expected += QStringLiteral("\r\n");
        QCOMPARE(QString::fromLatin1(rig.dir.read(QStringLiteral("bandwidth.txt"))), expected);
        QCOMPARE(rig.core->bandwidth.text() + QStringLiteral("\r\n"), expected);

        rig.settings.bandwidth.saveLog = false;
        QVERIFY(monitoredReading(rig, 60));
        QCOMPARE(QString::fromLatin1(rig.dir.read(QStringLiteral("bandwidth.txt"))), expected);
        QCOMPARE(rig.core->bandwidth.text().count(QStringLiteral("---------")), 2);
    }

    void counterEvents_data()
    {
        QTest::addColumn<sim::SimOptions>("options");
        QTest::addColumn<int>("event"); // 0 none, 1 PPP reconnect, 2 reboot half-way
        QTest::newRow("32-bit wrap") << frozen({.wrapAfterBytes = 500'000}) << 0;
        QTest::newRow("64-bit counters pass 2^32") << frozen({.wrapAfterBytes = 500'000, .wideCounters = true}) << 0;
        QTest::newRow("PPP reconnect") << frozen() << 1;
        QTest::newRow("PPP reconnect, low previous counter") << frozen({.wrapAfterBytes = K32 - 100'000}) << 1;
        QTest::newRow("reboot after a young reading") << frozen() << 2;
    }

    // The bytes counted are the bytes the interface moved.
    void counterEvents()
    {
        QFETCH(sim::SimOptions, options);
        QFETCH(int, event);
        SessionRig rig(options);
        QVERIFY(rig.started);
        if (event == 2) {
            // The first reading is taken a minute after a boot.
            rig.sim.reboot();
            QVERIFY(waitUntil([&] { return !rig.sim.isRebooting(); }));
        }
        QVERIFY(startLogging(rig));
        const ByteCounts before = countersOf(rig, "ppp0");
        quint64 moved = 0;
        if (event == 1) {
            rig.sim.restartInterface(QStringLiteral("ppp0"));
            QVERIFY(monitoredReading(rig, 2));
            moved = countersOf(rig, "ppp0").rx;
            QVERIFY(moved < before.rx);
        } else if (event == 2) {
            pass(rig, 1800);
            rig.sim.reboot();
            QVERIFY(waitUntil([&] { return !rig.sim.isRebooting(); }));
            QVERIFY(monitoredReading(rig, 3600));
            moved = countersOf(rig, "ppp0").rx;
            QVERIFY(moved > before.rx); // the uptime, not the counter, tells of the reboot
            // The boot that ended is filed; counting since boot begins again.
            const BandwidthSnapshots &records = rig.core->bandwidth.records();
            QCOMPARE(records.SnapshotLines().filter(QStringLiteral("Boot - ")).size(), 1);
            QCOMPARE(quint64(records.SinceBoot().Totals[0].Rx), moved);
        } else {
            QVERIFY(monitoredReading(rig, 60));
            moved = (countersOf(rig, "ppp0").rx + K32 - before.rx) % K32;
            if (options.wideCounters)
                QVERIFY(countersOf(rig, "ppp0").rx > K32);
        }
        const InterfaceCounters &wan = rig.core->bandwidth.counters().slot(0);
        QCOMPARE(wan.Delta.rx, moved);
        QCOMPARE(wan.RunTotal.rx, moved);
        QVERIFY(moved > 0 && moved < 100'000'000);
    }

    // A reading on demand shows the counters and leaves the measuring alone;
    // a slot missing from a reading moves nothing.
    void onDemandAndMissing()
    {
        SessionRig rig(frozen());
        QVERIFY(startLogging(rig));
        const ByteCounts first = countersOf(rig, "ppp0");
        const ByteCounts eth0 = countersOf(rig, "eth0");

        pass(rig, 30);
        QSignalSpy taken(&rig.core->bandwidth, &BandwidthMonitor::readingTaken);
        QCOMPARE(rig.core->bandwidth.readNow(), BandwidthMonitor::StartResult::Started);
        QVERIFY(rig.core->leases.busy());
        QVERIFY(rig.waitIdle());
        QCOMPARE(taken.size(), 1);
        QCOMPARE(taken[0][0].toBool(), false);
        QVERIFY(rig.core->bandwidth.text().contains(QStringLiteral("ppp0:")));
        QCOMPARE(rig.core->bandwidth.counters().slot(0).RunTotal.rx, 0ull);

        rig.settings.bandwidth.ids[1] = QStringLiteral("gone0");
        QVERIFY(monitoredReading(rig, 30));
        const BandwidthCounters &c = rig.core->bandwidth.counters();
        QCOMPARE(c.slot(0).Delta.rx, countersOf(rig, "ppp0").rx - first.rx);
        QCOMPARE(c.slot(1).Delta.rx, 0ull);
        QVERIFY(rig.core->bandwidth.lastBlock().contains(QStringLiteral("\nWAN\t")));
        QVERIFY(!rig.core->bandwidth.lastBlock().contains(QStringLiteral("\nLAN\t")));

        rig.settings.bandwidth.ids[1] = QStringLiteral("eth0");
        QVERIFY(monitoredReading(rig, 60));
        QCOMPARE(c.slot(1).Delta.rx, countersOf(rig, "eth0").rx - eth0.rx);
        QCOMPARE(c.slot(1).DeltaSecs, 120.0);
    }

    // A reading that fails leaves logging on, says so, and the next one works.
    void failureKeepsLogging()
    {
        SessionRig rig(frozen());
        QVERIFY(startLogging(rig));
        QSignalSpy countdown(&rig.core->bandwidth, &BandwidthMonitor::countdown);
        rig.settings.bandwidth.interval = QStringLiteral("60");
        rig.core->bandwidth.tick();
        QCOMPARE(countdown.last()[0].toString(), QStringLiteral("00:00:59"));

        const quint16 port = rig.sim.port();
        rig.sim.stop();
        QSignalSpy status(&rig.core->bandwidth, &BandwidthMonitor::statusChanged);
        for (int i = 1; i < 60; ++i)
            rig.core->bandwidth.tick();
        QVERIFY(rig.waitIdle());
        QVERIFY2(status.last()[0].toString().endsWith(QStringLiteral(" Bandwidth logging goes on.")),
                 qPrintable(status.last()[0].toString()));
        QVERIFY(rig.bandwidthTimer.isActive());
        QVERIFY(rig.core->bandwidth.isMonitoring());

        QVERIFY(rig.sim.start(port));
        QVERIFY(monitoredReading(rig, 60));
        QCOMPARE(status.last()[0].toString(), QStringLiteral("Router bandwidth data obtained."));
        QVERIFY(rig.core->bandwidth.counters().slot(0).Delta.rx > 0);
    }

    void rollovers_data()
    {
        QTest::addColumn<QDateTime>("at");            // the reading that crosses
        QTest::addColumn<QList<bool>>("crossed");     // hour, day, week, month
        QTest::newRow("hour") << QDateTime(QDate(2026, 7, 2), QTime(11, 0, 20)) << QList<bool>{true, false, false, false};
        QTest::newRow("day and week") << QDateTime(QDate(2026, 7, 6), QTime(0, 0, 20)) << QList<bool>{true, true, true, false};
        QTest::newRow("month and year") << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 20)) << QList<bool>{true, true, true, true};
    }

    // Each period rolls over at the first reading after it ends: the old
    // record is filed under its label and the new one starts with the reading.
    void rollovers()
    {
        QFETCH(QDateTime, at);
        QFETCH(QList<bool>, crossed);
        SessionRig rig(frozen());
        rig.clock.set(at.addSecs(-121));
        QVERIFY(startLogging(rig));
        QVERIFY(monitoredReading(rig, 60));
        const BandwidthSnapshots &records = rig.core->bandwidth.records();
        const std::array<SnapshotRecord, 4> before{records.LastHour(), records.Today(), records.ThisWeek(),
                                                   records.ThisMonth()};
        QVERIFY(monitoredReading(rig, 60));
        QCOMPARE(rig.clock.current(), at);
        const quint64 d = rig.core->bandwidth.counters().slot(0).Delta.rx;
        const std::array<SnapshotRecord, 4> after{records.LastHour(), records.Today(), records.ThisWeek(),
                                                  records.ThisMonth()};
        for (int p = 0; p < 4; ++p) {
            if (!crossed[p]) {
                QCOMPARE(rxOf(after[size_t(p)]), rxOf(before[size_t(p)]) + d);
                continue;
            }
            QCOMPARE(rxOf(after[size_t(p)]), d);
            const QString filed = GetDateLabel(at.addSecs(-60), p + 1) + QStringLiteral(" : ")
                                + QString::number(rxOf(before[size_t(p)])) + QLatin1Char(',');
            QVERIFY2(records.SnapshotLines().filter(filed).size() == 1, qPrintable(filed));
        }
        const QStringList months = MonthlyTotals(records).split(QStringLiteral("\r\n"));
        QVERIFY(months[0].startsWith(QStringLiteral("Month\tWAN-Rx")));
        QVERIFY(months[1].startsWith(GetDateLabel(at, 4) + QLatin1Char('\t')));
        if (crossed[3])
            QVERIFY(months[2].startsWith(QStringLiteral("12/26\t")));
    }

    // Closing and starting the program again within one router boot: the
    // traffic of the gap is added to the periods the last save lies in.
    void recordsSurviveARestart()
    {
        SessionRig rig(frozen());
        QVERIFY(startLogging(rig));
        QVERIFY(monitoredReading(rig, 60));
        const quint64 hour = rxOf(rig.core->bandwidth.records().LastHour());
        const quint64 closedAt = countersOf(rig, "ppp0").rx;
        QVERIFY(rig.core->bandwidth.closeRecords());
        const QStringList saved = SessionRig::crlfLines(rig.dir.read(QStringLiteral("bwtotals.txt")));
        QVERIFY(saved.filter(QStringLiteral("Boot - ")).size() == 1);
        QVERIFY(saved.filter(QStringLiteral("02/07/26 08 : ")).size() == 1);

        rig.newCore();
        pass(rig, 300); // the program is not running
        rig.core->bandwidth.loadRecords();
        QCOMPARE(rxOf(rig.core->bandwidth.records().LastHour()), hour);
        QVERIFY(startLogging(rig));
        const quint64 gap = countersOf(rig, "ppp0").rx - closedAt;
        QCOMPARE(rxOf(rig.core->bandwidth.records().LastHour()), hour + gap);
        QCOMPARE(rig.core->bandwidth.counters().slot(0).RunTotal.rx, 0ull);
    }
};

QTEST_MAIN(tst_bandwidthmonitor)
#include "tst_bandwidthmonitor.moc"
