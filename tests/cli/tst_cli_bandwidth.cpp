// quillon-cli bandwidth and totals, run as a program against the simulator.

#include "base/misc.h"
#include "netdiag/core/ping.h"
#include "tests/cli/clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

namespace {

constexpr quint64 TwoTo32 = 4294967296ull;

// The simulator stands still: its counters move only when the test moves its clock.
sim::SimOptions frozen(quint64 wrapAfter = 0)
{
    return {.timeScale = 0, .wrapAfterBytes = wrapAfter};
}

quint64 rxOf(const sim::RouterSim &sim)
{
    quint64 rx = 0;
    quint64 tx = 0;
    sim.interfaceCounters(QStringLiteral("ppp0"), rx, tx);
    return rx;
}

} // namespace

class TstCliBandwidth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qint32 ms = 0;
        if (!FullPing(QStringLiteral("127.0.0.1"), ms))
            QSKIP("ICMP echo to 127.0.0.1 is not allowed here; the commands ping the router first.");
    }

    void singleReading()
    {
        CliRig rig(frozen());
        QVERIFY(rig.started);
        const CliResult r = rig.runOnRouter({QStringLiteral("bandwidth")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QString expected;
        for (const auto &[label, name] : {std::pair{"WAN", "ppp0"}, std::pair{"LAN", "eth0"}, std::pair{"WLAN", "wlan0"}}) {
            quint64 rx = 0;
            quint64 tx = 0;
            QVERIFY(rig.sim.interfaceCounters(QString::fromLatin1(name), rx, tx));
            expected += QStringLiteral("%1\t%2\t%3\t%4\n").arg(QLatin1String(label), QLatin1String(name)).arg(rx).arg(tx);
        }
        QCOMPARE(r.out, expected);
        QVERIFY(!QFile::exists(rig.dir.file(QStringLiteral("bwtotals.txt")))); // a reading on demand records nothing
    }

    // Three readings a minute apart; ppp0's 32-bit counters pass 2^32 between
    // the first two. Each JSON line is the cue to move the router's clock.
    void watchAcrossAWrap()
    {
        CliRig rig(frozen(100'000));
        QVERIFY(rig.started);
        QList<quint64> rx{rxOf(rig.sim)};
        QList<QJsonObject> readings;
        QByteArray out;
        connect(&rig.process, &QProcess::readyReadStandardOutput, this, [&] {
            out += rig.process.readAllStandardOutput();
            for (qsizetype end = out.indexOf('\n'); end >= 0; end = out.indexOf('\n')) {
                readings.append(QJsonDocument::fromJson(out.left(end)).object());
                out.remove(0, end + 1);
                rig.sim.advanceTime(60);
                rx.append(rxOf(rig.sim));
            }
        });
        rig.env.insert(QStringLiteral("QUILLON_TIME_SCALE"), QStringLiteral("60"));
        rig.start(rig.routerArgs() + QStringList{QStringLiteral("--json"), QStringLiteral("bandwidth"), QStringLiteral("--watch"),
                                                 QStringLiteral("60"), QStringLiteral("--count"), QStringLiteral("3")});
        const CliResult r = rig.finish();
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(readings.size(), 3);
        QVERIFY(rx[1] < rx[0]); // the counter wrapped

        QCOMPARE(readings[0][QStringLiteral("baselines_set")].toArray().size(), 3);
        QVERIFY(readings[0][QStringLiteral("interfaces")].toArray().isEmpty());
        QString blocks;
        quint64 total = 0;
        for (int i = 1; i < 3; ++i) {
            const QJsonObject wan = readings[i][QStringLiteral("interfaces")].toArray().at(0).toObject();
            QCOMPARE(wan[QStringLiteral("interface")].toString(), QStringLiteral("ppp0"));
            const quint64 moved = (rx[i] + TwoTo32 - rx[i - 1]) % TwoTo32;
            total += moved;
            QCOMPARE(quint64(wan[QStringLiteral("rx_bytes")].toInteger()), moved);
            QCOMPARE(quint64(wan[QStringLiteral("rx_total_bytes")].toInteger()), total);
            QCOMPARE(wan[QStringLiteral("seconds")].toDouble(), 60.0);
            blocks += readings[i][QStringLiteral("log_block")].toString() + QStringLiteral("\n");
        }
        // What was printed is what the log got; the records were saved at the end.
        QCOMPARE(QString::fromLatin1(rig.dir.read(QStringLiteral("bandwidth.txt"))).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                 blocks);
        QVERIFY(rig.dir.read(QStringLiteral("bwtotals.txt")).startsWith("Boot - "));
    }

    // The month list is in date order: 11/08 is newer than 12/07.
    void totalsFromTheRecords()
    {
        CliRig rig;
        const QDateTime now = QDateTime::currentDateTime();
        QByteArray records = "Boot - 03/12/2026 12:51:00 : 1,2 0,0 0,0 0,0 : 06/12/2026 17:35:19\r\n";
        for (int p = 1; p <= 4; ++p)
            records += GetDateLabel(now, p).toLatin1() + (p == 4 ? " : 1048576" : " : 1024") + ",2048 0,0 0,0 0,0\r\n";
        records += "12/07 : 1024,0 0,0 0,0 0,0\r\n11/08 : 2048,0 0,0 0,0 0,0";
        rig.dir.write(QStringLiteral("bwtotals.txt"), records);

        const QStringList folder{QStringLiteral("--dir"), rig.dir.path()};
        const CliResult r = rig.run(folder + QStringList{QStringLiteral("totals")});
        QCOMPARE(r.exitCode, 0);
        const QStringList summary = r.out.split(QLatin1Char('\n'));
        QCOMPARE(summary.size(), 6);
        QVERIFY(summary[0].startsWith(QStringLiteral("I/F:\tWAN-Rx     WAN-Tx")));
        QVERIFY2(summary[1].startsWith(QStringLiteral("Hour:\t...1.00 KB ...2.00 KB")), qPrintable(summary[1]));
        QVERIFY(summary[4].startsWith(QStringLiteral("Month:\t...1.00 MB")));

        const CliResult monthly = rig.run(QStringList{QStringLiteral("--json")} + folder
                                          + QStringList{QStringLiteral("totals"), QStringLiteral("--monthly")});
        QCOMPARE(monthly.exitCode, 0);
        const QJsonArray months = QJsonDocument::fromJson(monthly.out.toUtf8()).object()[QStringLiteral("months")].toArray();
        QStringList order;
        for (const QJsonValue &m : months)
            order << m[QStringLiteral("month")].toString();
        QCOMPARE(order, (QStringList{GetDateLabel(now, 4), QStringLiteral("11/08"), QStringLiteral("12/07")}));
        QCOMPARE(months[1][QStringLiteral("totals")][QStringLiteral("WAN")][QStringLiteral("rx_bytes")].toDouble(), 2048.0);
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QString usage = QStringLiteral("(see quillon-cli --help)");
        QTest::newRow("watch 0") << QStringList{"bandwidth", "--watch", "0"} << 2 << usage;
        QTest::newRow("count not a number") << QStringList{"bandwidth", "--count", "x"} << 2 << usage;
        QTest::newRow("watch without value") << QStringList{"bandwidth", "--watch"} << 2 << usage;
        QTest::newRow("totals by week") << QStringList{"totals", "--weekly"} << 2 << usage;
        QTest::newRow("router refuses") << QStringList{"bandwidth"} << 1 << QString();
    }

    void exitStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        CliRig rig;
        ClosedLocalPort closed;
        const CliResult r = rig.run(rig.routerArgs() + QStringList{QStringLiteral("--port"), QString::number(closed.port())} + args);
        QCOMPARE(r.exitCode, status);
        QVERIFY2(!r.err.trimmed().isEmpty() && r.err.trimmed().endsWith(says), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCliBandwidth)
#include "tst_cli_bandwidth.moc"
