// The bandwidth monitor's pure parts: counters to deltas, the parsers, the
// log block, the history sample, the stored lists and the on-screen trim.

#include "bandwidth/core/bandwidthtexts.h"
#include "base/clock.h"
#include "base/misc.h"
#include "stats/core/snapshots.h"
#include "tests/support/testsupport.h"

#include <QtTest>

using namespace quillon;

namespace {

constexpr quint64 K32 = 4294967296ull;
const double Mbit100 = MaxBytesPerSec(QString());

const std::array<QString, InterfaceSlots> kIds{QStringLiteral("ppp0"), QStringLiteral("eth0"), QStringLiteral("wlan0"),
                                               QStringLiteral("usb0")};

NetDevReading reading(const QList<NetDevCounters> &interfaces)
{
    return {{}, interfaces};
}

} // namespace

class tst_bandwidthcore final : public QObject
{
    Q_OBJECT

private slots:
    void counterDelta_data()
    {
        QTest::addColumn<quint64>("previous");
        QTest::addColumn<quint64>("current");
        QTest::addColumn<bool>("rebooted");
        QTest::addColumn<double>("secs");
        QTest::addColumn<double>("maxRate");
        QTest::addColumn<quint64>("delta");
        QTest::newRow("growth") << 1000ull << 4000ull << false << 60.0 << Mbit100 << 3000ull;
        QTest::newRow("wrap near 2^32") << K32 - 296 << 200ull << false << 60.0 << Mbit100 << 496ull;
        QTest::newRow("PPP restart, low previous") << 5000ull << 300ull << false << 60.0 << Mbit100 << 300ull;
        // 3.3 GB in one second is no wrap at 100 Mbit/s, but is at 100 Gbit/s.
        QTest::newRow("wrap too big for the time") << K32 - 1'000'000'000 << 2'300'000'000ull << false << 1.0
                                                   << Mbit100 << 2'300'000'000ull;
        QTest::newRow("wrap at a faster set rate") << K32 - 1'000'000'000 << 2'300'000'000ull << false << 1.0
                                                   << MaxBytesPerSec(QStringLiteral("100000")) << 3'300'000'000ull;
        QTest::newRow("no time passed") << K32 - 296 << 200ull << false << 0.0 << Mbit100 << 200ull;
        QTest::newRow("64-bit passes 2^32") << K32 - 1000 << K32 + 5000 << false << 60.0 << Mbit100 << 6000ull;
        QTest::newRow("64-bit drop is a restart") << K32 + 10'000 << 500ull << false << 60.0 << Mbit100 << 500ull;
        QTest::newRow("reboot, counter lower") << 5000ull << 300ull << true << 60.0 << Mbit100 << 300ull;
        QTest::newRow("reboot, counter higher") << 5000ull << 9000ull << true << 3600.0 << Mbit100 << 9000ull;
    }

    void counterDelta()
    {
        QFETCH(quint64, previous);
        QFETCH(quint64, current);
        QFETCH(bool, rebooted);
        QFETCH(double, secs);
        QFETCH(double, maxRate);
        QFETCH(quint64, delta);
        QCOMPARE(CounterDelta(previous, current, rebooted, secs, maxRate), delta);
    }

    void rebootFromUptime_data()
    {
        QTest::addColumn<double>("before"); // negative: unknown
        QTest::addColumn<double>("now");
        QTest::addColumn<double>("secs");
        QTest::addColumn<bool>("rebooted");
        QTest::newRow("steady") << 1000.0 << 1060.0 << 60.0 << false;
        QTest::newRow("uptime fell") << 5000.0 << 30.0 << 60.0 << true;
        QTest::newRow("within the slack") << 5000.0 << 4950.0 << 10.0 << false;
        QTest::newRow("restart after a young reading") << 30.0 << 3000.0 << 5400.0 << true;
        QTest::newRow("no earlier uptime, up longer than the gap") << -1.0 << 90000.0 << 3600.0 << false;
        QTest::newRow("no earlier uptime, up shorter than the gap") << -1.0 << 600.0 << 3600.0 << true;
        QTest::newRow("uptime unknown") << 5000.0 << -1.0 << 60.0 << false;
    }

    void rebootFromUptime()
    {
        QFETCH(double, before);
        QFETCH(double, now);
        QFETCH(double, secs);
        QFETCH(bool, rebooted);
        const auto known = [](double v) { return v < 0 ? std::nullopt : std::optional<double>(v); };
        QCOMPARE(RebootedBetween(known(before), known(now), secs), rebooted);
    }

    void settingsTexts()
    {
        const QList<std::pair<const char *, int>> intervals{{"60", 60}, {"", 60}, {"0", 60}, {"abc", 60}, {"-5", 60},
                                                            {"0.5", 60}, {"90", 90}, {"100000", 86400}, {"1e300", 86400}};
        for (const auto &[text, secs] : intervals)
            QVERIFY2(BandwidthIntervalSecs(QLatin1String(text)) == secs, text);
        QCOMPARE(MaxBytesPerSec(QStringLiteral("x")), 12.5e6);
        QCOMPARE(MaxBytesPerSec(QStringLiteral("8")), 1.0e6);

        // Any non-zero value ticks; missing ones untick; the stored form is 0/1.
        GraphTicks ticks;
        ApplyBWTickedGraphList(QStringLiteral("1,0,0,0,0,1,0,0"), ticks);
        QCOMPARE(ticks.rx, (std::array<bool, 4>{true, false, false, false}));
        QCOMPARE(ticks.tx, (std::array<bool, 4>{false, true, false, false}));
        ApplyBWTickedGraphList(QStringLiteral("2,0,0,0,0,0,0,-1"), ticks);
        QCOMPARE(BuildBWTickedGraphList(ticks), QStringLiteral("1,0,0,0,0,0,0,1"));
        ApplyBWTickedGraphList(QStringLiteral("1"), ticks);
        QCOMPARE(BuildBWTickedGraphList(ticks), QStringLiteral("1,0,0,0,0,0,0,0"));
    }

    void parseNetDev()
    {
        const NetDevReading real = ParseNetDev(QString::fromLatin1(test::readData(QStringLiteral("bandwidth/netdev_adsl1.txt"))));
        QCOMPARE(real.interfaces.size(), 5);
        const NetDevCounters *eth0 = real.find(QStringLiteral("ETH0"));
        QVERIFY(eth0);
        QCOMPARE(eth0->rx, 471226105ull); // no blank after the colon
        QCOMPARE(eth0->tx, 2877914663ull);
        QCOMPARE(real.find(QStringLiteral("ppp0"))->rx, 2835363458ull);

        const NetDevReading noStats = ParseNetDev(QString::fromLatin1(test::readData(QStringLiteral("bandwidth/netdev_nostats.txt"))));
        QVERIFY(!noStats.find(QStringLiteral("teql0")));
        QVERIFY(noStats.find(QStringLiteral("lo")));

        const NetDevReading odd = ParseNetDev(QStringLiteral(
            "  eth0:123 1 0 0 0 0 0 0 456 2 0 0 0 0 0 0\r\n\r\n\r\n"
            "  wide:18446744073709551615 0 0 0 0 0 0 0 4294967296 0 0 0 0 0 0 0\r\n"
            "  over:18446744073709551616 0 0 0 0 0 0 0 1\r\n  neg:-5 0 0 0 0 0 0 0 1\r\n"
            "  short:1 2 3\r\n:1 0 0 0 0 0 0 0 1\r\ngarbage \x01\x7f without colon\r\n"));
        QCOMPARE(odd.text.count(QStringLiteral("\r\n\r\n")), 0);
        QCOMPARE(odd.interfaces.size(), 2);
        QCOMPARE(odd.find(QStringLiteral("ETH0"))->tx, 456ull); // the ID box may hold capitals
        QCOMPARE(odd.find(QStringLiteral("wide"))->rx, 18446744073709551615ull);
        QCOMPARE(odd.find(QStringLiteral("wide"))->tx, K32);

        QCOMPARE(ParseUptime(QStringLiteral("275913.47 268163.21")), std::optional<double>(275913.47));
        QCOMPARE(ParseUptime(QStringLiteral("\r\n12.5\r\n")), std::optional<double>(12.5));
        for (const char *bad : {"", "up", "-3 2", "nan", "1e300"})
            QVERIFY2(!ParseUptime(QLatin1String(bad)), bad);
    }

    void routerIds()
    {
        const QList<RouterIdSet> sets = ParseRouterIds(QStringLiteral(
            "# comment : a b\r\n\r\n : nameless\r\nTwo : nas0 eth0 : ignored\r\n"
            "Five:a b c d e\r\nNo colon here\r\n"));
        QCOMPARE(sets.size(), 3);
        QCOMPARE(sets[0].name, QStringLiteral("Default"));
        QCOMPARE(sets[0].ids, QStringList({"ppp0", "eth0", "wlan0", "usb0"}));
        QCOMPARE(sets[1].name, QStringLiteral("Two"));
        QCOMPARE(sets[1].ids, QStringList({"nas0", "eth0"}));
        QCOMPARE(sets[2].ids.size(), 4);
    }

    // "bandwidth.txt" blocks, the history sample and the label rows (the
    // counters text and the mini window's are checked where they are shown).
    void texts()
    {
        const QDateTime t0(QDate(2026, 3, 1), QTime(10, 0));
        BandwidthCounters c;
        c.measure(kIds, reading({{"ppp0", 1000, 100}, {"eth0", 0, 0}, {"wlan0", 0, 0}, {"usb0", 0, 0}}), t0, {},
                  Mbit100);
        Measurement m = c.measure(kIds, reading({{"ppp0", 2500, 2148}, {"eth0", 1024, 0}, {"wlan0", 0, 0}}),
                                  t0.addSecs(60), {}, Mbit100);
        QCOMPARE(BandwidthLogBlock(t0, c, m),
                 QStringLiteral("01/03/26 10:00:00 ---------\r\n"
                                "WAN\t...1.46 KB(...1.46 KB) ...2.00 KB(...2.00 KB)\r\n"
                                "LAN\t...1.00 KB(...1.00 KB) ...0.00 B (...0.00 B )\r\n"
                                "WLAN\t...0.00 B (...0.00 B ) ...0.00 B (...0.00 B )\r\n"));

        GraphTicks ticks;
        ticks.rx[0] = true;
        ticks.rxColour[0] = RGB(255, 0, 0);
        ticks.tx[1] = true;
        QCOMPARE(HistorySample(c, m, ticks), QStringLiteral("1500,255x0x0|0,255x64x64"));
        QCOMPARE(HistorySample(c, Measurement{}, ticks), QString());

        test::TempAppDir dir;
        ScopedClock clock(t0);
        BandwidthSnapshots records;
        records.LoadSnapshots();
        const ViewFigures rates = RecordsViewFigures(int(RecordsView::Rates), c, records);
        QCOMPARE(rates[0].rx, QStringLiteral("25.00 B /s"));
        QCOMPARE(rates[3].rx, QStringLiteral("-")); // not in the reading
        QCOMPARE(RecordsViewFigures(int(RecordsView::MaxRates), c, records)[1].rx, QStringLiteral("17.07 B /s"));
        QCOMPARE(RecordsViewFigures(int(RecordsView::CurrentSession), c, records)[0].tx, QStringLiteral("2.00 KB"));
    }

    // The on-screen log keeps its newest whole lines under the limit.
    void trim()
    {
        QString text;
        const QString block = QStringLiteral("01/03/26 10:00:00 ---------\r\nWAN\t") + QString(70, QLatin1Char('x'));
        for (int i = 0; i < 1000; ++i) {
            AppendToBandwidthText(text, block + QString::number(i));
            QVERIFY(text.size() <= BandwidthTextLimit);
        }
        QVERIFY(text.size() > BandwidthTextLimit - 2048);
        QVERIFY(text.startsWith(QStringLiteral("01/03/26")) || text.startsWith(QStringLiteral("WAN\t")));
        QVERIFY(text.endsWith(QStringLiteral("x999")));
        // A single line longer than the limit leaves nothing half cut.
        QString one;
        AppendToBandwidthText(one, QString(BandwidthTextLimit + 10, QLatin1Char('y')));
        QVERIFY(one.isEmpty());
    }

    void monthOrder()
    {
        QStringList labels{QStringLiteral("01/08"), QStringLiteral("12/07"), QStringLiteral("11/08"),
                           QStringLiteral("02/99"), QStringLiteral("03/26")};
        std::sort(labels.begin(), labels.end(), &BandwidthSnapshots::LaterMonth);
        QCOMPARE(labels, QStringList({"03/26", "11/08", "01/08", "12/07", "02/99"}));
    }
};

QTEST_MAIN(tst_bandwidthcore)
#include "tst_bandwidthcore.moc"
