// quillon-cli bandwidth and totals, run as a program against the simulator.

#include "base/misc.h"
#include "netdiag/core/ping.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace quillon;
using quillon::sim::RouterSim;
using quillon::sim::SimOptions;

namespace {

constexpr quint64 TwoTo32 = 4294967296ull;

// The simulator stands still: its counters move only when the test moves its clock.
SimOptions frozen(quint64 wrapAfter = 0)
{
    SimOptions o;
    o.timeScale = 0;
    o.wrapAfterBytes = wrapAfter;
    return o;
}

quint64 rxOf(const RouterSim &sim, const char *name = "ppp0")
{
    quint64 rx = 0;
    quint64 tx = 0;
    sim.interfaceCounters(QString::fromLatin1(name), rx, tx);
    return rx;
}

// One run of the built program; the simulator answers from this thread, so
// the test waits in its event loop.
struct Cli
{
    QProcess process;
    QByteArray out;

    void start(const test::TempAppDir &dir, quint16 port, const QStringList &args, double timeScale = 0)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLON_PASSWORD"), QStringLiteral("Gravo"));
        if (timeScale > 0)
            env.insert(QStringLiteral("QUILLON_TIME_SCALE"), QString::number(timeScale));
        process.setProcessEnvironment(env);
        process.start(test::binPath(QStringLiteral("app/cli/quillon-cli")),
                      QStringList{QStringLiteral("--dir"), dir.path(), QStringLiteral("--router"), QStringLiteral("127.0.0.1"),
                                  QStringLiteral("--port"), QString::number(port), QStringLiteral("--user"), QStringLiteral("root")}
                          + args);
    }
    // The exit status, or -1 when it did not end in time.
    int finish(int ms = 30000)
    {
        if (!test::waitUntil([this] { return process.state() == QProcess::NotRunning; }, ms))
            return -1;
        out += process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString err() { return QString::fromUtf8(process.readAllStandardError()); }
};

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
        test::TempAppDir dir;
        RouterSim sim(frozen());
        QVERIFY(sim.start());
        Cli cli;
        cli.start(dir, sim.port(), {QStringLiteral("bandwidth")});
        QCOMPARE(cli.finish(), 0);
        QString expected;
        for (const auto &[label, name] : {std::pair{"WAN", "ppp0"}, std::pair{"LAN", "eth0"}, std::pair{"WLAN", "wlan0"}}) {
            quint64 rx = 0;
            quint64 tx = 0;
            QVERIFY(sim.interfaceCounters(QString::fromLatin1(name), rx, tx));
            expected += QStringLiteral("%1\t%2\t%3\t%4\n").arg(QLatin1String(label), QLatin1String(name)).arg(rx).arg(tx);
        }
        QCOMPARE(QString::fromLatin1(cli.out), expected);
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("bwtotals.txt")))); // a reading on demand records nothing
    }

    // Three readings a minute apart; ppp0's 32-bit counters pass 2^32 between
    // the first two. Each JSON line is the cue to move the router's clock.
    void watchAcrossAWrap()
    {
        test::TempAppDir dir;
        RouterSim sim(frozen(100'000));
        QVERIFY(sim.start());
        QList<quint64> rx{rxOf(sim)};
        QList<QJsonObject> readings;
        Cli cli;
        connect(&cli.process, &QProcess::readyReadStandardOutput, this, [&] {
            cli.out += cli.process.readAllStandardOutput();
            while (cli.out.contains('\n')) {
                const qsizetype end = cli.out.indexOf('\n');
                readings.append(QJsonDocument::fromJson(cli.out.left(end)).object());
                cli.out.remove(0, end + 1);
                sim.advanceTime(60);
                rx.append(rxOf(sim));
            }
        });
        cli.start(dir, sim.port(), {QStringLiteral("--json"), QStringLiteral("bandwidth"), QStringLiteral("--watch"),
                                    QStringLiteral("60"), QStringLiteral("--count"), QStringLiteral("3")},
                  60);
        QCOMPARE(cli.finish(), 0);
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
        QCOMPARE(QString::fromLatin1(dir.read(QStringLiteral("bandwidth.txt"))).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                 blocks);
        QVERIFY(dir.read(QStringLiteral("bwtotals.txt")).startsWith("Boot - "));
    }

    void totalsFromTheRecords()
    {
        test::TempAppDir dir;
        const QDateTime now = QDateTime::currentDateTime();
        QByteArray records = "Boot - 03/12/2026 12:51:00 : 1,2 0,0 0,0 0,0 : 06/12/2026 17:35:19\r\n";
        for (int p = 1; p <= 4; ++p)
            records += GetDateLabel(now, p).toLatin1() + (p == 4 ? " : 1048576" : " : 1024") + ",2048 0,0 0,0 0,0\r\n";
        records += "12/07 : 1024,0 0,0 0,0 0,0\r\n11/08 : 2048,0 0,0 0,0 0,0";
        dir.write(QStringLiteral("bwtotals.txt"), records);

        Cli cli;
        cli.start(dir, 1, {QStringLiteral("totals")});
        QCOMPARE(cli.finish(), 0);
        const QStringList summary = QString::fromLatin1(cli.out).split(QLatin1Char('\n'));
        QVERIFY(summary[0].startsWith(QStringLiteral("I/F:\tWAN-Rx     WAN-Tx")));
        QVERIFY2(summary[1].startsWith(QStringLiteral("Hour:\t...1.00 KB ...2.00 KB")), qPrintable(summary[1]));
        QVERIFY(summary[4].startsWith(QStringLiteral("Month:\t...1.00 MB")));

        Cli monthly;
        monthly.start(dir, 1, {QStringLiteral("--json"), QStringLiteral("totals"), QStringLiteral("--monthly")});
        QCOMPARE(monthly.finish(), 0);
        const QJsonArray months = QJsonDocument::fromJson(monthly.out).object()[QStringLiteral("months")].toArray();
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
        test::TempAppDir dir;
        test::ClosedLocalPort closed;
        Cli cli;
        cli.start(dir, closed.port(), args);
        QCOMPARE(cli.finish(), status);
        const QString err = cli.err();
        QVERIFY2(err.trimmed().endsWith(says) && !err.trimmed().isEmpty(), qPrintable(err));
        QVERIFY(cli.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCliBandwidth)
#include "tst_cli_bandwidth.moc"
