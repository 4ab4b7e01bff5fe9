#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <optional>

using namespace quillon;
using namespace quillon::sim;
using Client = test::TelnetClient;

namespace {

const QByteArray kNegotiation("\xFF\xFD\x01\xFF\xFD\x1F\xFF\xFB\x01\xFF\xFB\x03", 12);

qint64 statsValue(const QByteArray &stats, const char *label)
{
    const QRegularExpression re(QRegularExpression::escape(QLatin1String(label)) + QStringLiteral("\\s*(\\d+)"));
    const auto m = re.match(QString::fromLatin1(stats));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

QList<int> hexValues(const QByteArray &block)
{
    QList<int> values;
    for (const QByteArray &line : block.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.isEmpty() || t.contains(':'))
            continue;
        for (const QByteArray &w : t.split(' '))
            values.append(w.toInt(nullptr, 16));
    }
    return values;
}

quint64 ppp0Rx(const QByteArray &netDev)
{
    for (const QByteArray &line : netDev.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == "ppp0")
            return line.mid(colon + 1).simplified().split(' ').value(0).toULongLong();
    }
    return 0;
}

// A started simulator with one client logged in.
struct Router
{
    explicit Router(const SimOptions &o = {}) : sim(o) {}
    bool login()
    {
        if (!sim.start())
            return false;
        c.emplace(sim.port());
        return c->login();
    }
    RouterSim sim;
    std::optional<Client> c;
};

double uptimeOf(Client &c)
{
    return c.output("cat /proc/uptime").split(' ').value(0).toDouble();
}

} // namespace

class TestRouterSim final : public QObject
{
    Q_OBJECT

private slots:
    void loginSequenceLikeBusyBox()
    {
        RouterSim sim({.prompt = QStringLiteral("# ")});
        QVERIFY(sim.start());
        Client c(sim.port(), "# ");
        QVERIFY(c.waitFor("login: "));
        QVERIFY(c.data().startsWith(kNegotiation));
        c.send("root");
        QVERIFY(c.waitFor("Password: "));
        c.data().clear();
        c.send("Gravo");
        QVERIFY(c.waitFor("# "));
        QVERIFY(c.data().startsWith("\r\n\r\n\r\nBusyBox v0.61.pre"));
        QVERIFY(!c.data().contains("Gravo")); // the password is not echoed
    }

    void wrongPasswordAndLockout()
    {
        RouterSim sim;
        QVERIFY(sim.start());
        Client c(sim.port());
        for (int attempt = 1; attempt <= 3; ++attempt) {
            QVERIFY(c.waitFor("login: "));
            c.data().clear();
            c.send("root");
            QVERIFY(c.waitFor("Password: "));
            c.send("wrong");
            QVERIFY(c.waitFor("Login incorrect\r\n"));
        }
        QVERIFY(c.waitClosed());
        QVERIFY(!c.data().contains("#"));

        Client again(sim.port());
        QVERIFY(again.login());
    }

    void echoLineEndsAndTabs()
    {
        Router r;
        QVERIFY(r.login());
        Client &c = *r.c;
        QCOMPARE(c.command("echo hello world"), QByteArray("echo hello world\r\nhello world\r\n/var # "));
        // A client that ends lines with CR LF or CR NUL gets exactly one command per line.
        c.data().clear();
        c.socket().write("echo a\r\necho b\r\0");
        QVERIFY(c.waitUntil([&] { return c.data().count("/var # ") == 2; }));
        QCOMPARE(c.data(), QByteArray("echo a\r\na\r\n/var # echo b\r\nb\r\n/var # "));

        const QByteArray env = c.output("cat /proc/ticfg/env");
        QVERIFY(!env.contains('\t'));
        QVERIFY(env.contains("modulation      MMODE\r\n")); // "modulation" is 10 columns: to 16
        QVERIFY(!QByteArray(env).replace("\r\n", "").contains('\n'));

        r.sim.options().rawTabs = true;
        QVERIFY(c.output("cat /proc/ticfg/env").contains("modulation\tMMODE\r\n"));
    }

    void catMissingFileWordings_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("withoutMarker");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("busybox 0.60-1.5") << 0 << false << QByteArray("cat: no_where: No such file or directory\r\n");
        QTest::newRow("busybox 1.6+") << 1 << false
                                      << QByteArray("cat: can't open 'no_where': No such file or directory\r\n");
        QTest::newRow("no marker") << 0 << true << QByteArray("cat: No such file or directory\r\n");
    }

    void catMissingFileWordings()
    {
        QFETCH(int, style);
        QFETCH(bool, withoutMarker);
        QFETCH(QByteArray, error);
        Router r({.catErrorStyle = style, .errorWithoutMarker = withoutMarker});
        QVERIFY(r.login());
        Client &c = *r.c;
        const QByteArray out = c.output("cat /proc/avalanche/avsar_ver \"no_where\"");
        QVERIFY(out.startsWith("ATM Driver version:[7.03.01.00]\r\nDSL HAL version: [7.03.01.00]\r\n"));
        QVERIFY(out.endsWith("Chipset ID: [7300/7300A]\r\n" + error));
        // Two real files print one after the other.
        const QByteArray two = c.output("cat /proc/uptime /proc/avalanche/avsar_modem_training");
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d \\d+\\.\\d\\d\\r\\nSHOWTIME\\r\\n1\\r\\nfailTrains=1\\r\\n$"))
                    .match(QString::fromLatin1(two))
                    .hasMatch());
    }

    void shellBasics()
    {
        Router r;
        QVERIFY(r.login());
        Client &c = *r.c;
        QCOMPARE(c.output("xyz --now"), QByteArray("sh: xyz: not found\r\n"));
        QCOMPARE(c.output(""), QByteArray());
        QCOMPARE(c.output("#text"), QByteArray());
        QCOMPARE(c.output("false && echo no; true && echo yes; false || echo fallback"),
                 QByteArray("yes\r\nfallback\r\n"));
        QCOMPARE(c.output("echo 'a  b' \"c\\\"d\" e\\ f"), QByteArray("a  b c\"d e f\r\n"));
        QCOMPARE(c.output("echo saved >/var/tmpfile; cat tmpfile"), QByteArray("saved\r\n"));
        QCOMPARE(c.output("echo x >/etc/passwd"), QByteArray("sh: cannot create /etc/passwd: Read-only file system\r\n"));
        QCOMPARE(c.output("cat no_where 2>/dev/null"), QByteArray());
        QVERIFY(c.output("cat /proc/net/dev | grep -c eth0").startsWith("1\r\n"));
        c.send("exit");
        QVERIFY(c.waitClosed());
    }

    void uptimeFollowsScaledTime()
    {
        Router r({.timeScale = 3600});
        QVERIFY(r.login());
        Client &c = *r.c;
        const double first = uptimeOf(c);
        QVERIFY2(first > 275000, QByteArray::number(first));
        QTest::qWait(100);
        const double second = uptimeOf(c);
        QVERIFY2(second - first >= 300, QByteArray::number(second - first));

        r.sim.options().timeScale = 0; // time stands still; only explicit jumps move it
        const double third = uptimeOf(c);
        r.sim.advanceTime(86400);
        QCOMPARE(uptimeOf(c), third + 86400);
    }

    void countersAdvanceAndWrap()
    {
        Router r({.timeScale = 0, .wrapAfterBytes = 1'000'000});
        QVERIFY(r.login());
        Client &c = *r.c;
        const quint64 before = ppp0Rx(c.output("cat /proc/net/dev"));
        QCOMPARE(before, quint64(4294967296ull - 1'000'000));
        r.sim.advanceTime(30);
        const quint64 mid = ppp0Rx(c.output("cat /proc/net/dev"));
        QVERIFY(mid > before);
        r.sim.advanceTime(600); // about 10 MB at the profile's rate
        const quint64 after = ppp0Rx(c.output("cat /proc/net/dev"));
        QVERIFY2(after < mid, QByteArray::number(after));
        const quint64 moved = (after + 4294967296ull - before) % 4294967296ull;
        QVERIFY2(moved > 2'000'000 && moved < 40'000'000, QByteArray::number(moved));

        // The modem's own AAL5 byte counter follows the same traffic.
        QVERIFY(statsValue(c.output("cat /proc/avalanche/avsar_modem_stats"), "Rx Total Bytes:") >= 0);
    }

    void environmentCommands()
    {
        Router r;
        QVERIFY(r.login());
        Client &c = *r.c;
        QCOMPARE(c.output("getenv margin_threshold"), QByteArray("6\r\n"));
        QCOMPARE(c.output("getenv DSL_FEATURE_CNTL_0"), QByteArray());

        QCOMPARE(c.output("setenv DSL_FEATURE_CNTL_0 0x00000A20"), QByteArray());
        QCOMPARE(c.output("getenv DSL_FEATURE_CNTL_0"), QByteArray("0x00000A20\r\n"));
        QCOMPARE(r.sim.env(QStringLiteral("DSL_FEATURE_CNTL_0")), QStringLiteral("0x00000A20"));

        // Compatibility mode: the boot environment file itself.
        QCOMPARE(c.output("echo margin_threshold 13 >/proc/ticfg/env"), QByteArray());
        QCOMPARE(c.output("cat /proc/ticfg/env | grep margin_threshold"), QByteArray("margin_threshold        13\r\n"));
        QCOMPARE(c.output("echo enable_margin_retrain 0 >/proc/ticfg/env"), QByteArray());
        QCOMPARE(r.sim.env(QStringLiteral("enable_margin_retrain")), QStringLiteral("0"));

        QCOMPARE(c.output("unsetenv margin_threshold"), QByteArray());
        QCOMPARE(c.output("getenv margin_threshold"), QByteArray());
        QCOMPARE(c.output("cat /proc/ticfg/env | grep margin_threshold"), QByteArray());
        QCOMPARE(c.output("echo DSL_FEATURE_CNTL_0 >/proc/ticfg/env"), QByteArray());
        QVERIFY(!c.output("cat /proc/ticfg/env").contains("DSL_FEATURE_CNTL_0"));

        // The modem reads the environment: DSL_BIT_TMODE renumbers the modes.
        QCOMPARE(c.output("setenv DSL_BIT_TMODE 1"), QByteArray());
        QVERIFY(c.output("cat /proc/avalanche/avsar_dsl_modulation_schemes").contains("ADSL_G.dmt" + QByteArray(22, ' ') + "0x2\r\n"));
        QCOMPARE(statsValue(c.output("cat /proc/avalanche/avsar_modem_stats"), "Trained Mode:"), 2);
    }

    void systemLogAndClear()
    {
        Router r({.profile = QStringLiteral("adsl2plus")});
        QVERIFY(r.login());
        Client &c = *r.c;
        const QByteArray log = c.output("echo \"logger:status/log\" | cm_cli");
        QVERIFY(log.contains("cfgmgr(sar): Nov 23 "));
        QVERIFY(log.contains(" | DSL Carrier is up\r\n"));
        QVERIFY(log.count("\r\n") >= 10);
        QCOMPARE(c.output("echo \"begin;logger:command/logclear;end\" | cm_cli"), QByteArray());
        const QByteArray cleared = c.output("echo \"logger:status/log\" | cm_cli");
        QCOMPARE(cleared.count("\r\n"), 1);
        QVERIFY(cleared.contains("Log Buffer is cleared!"));
    }

    void rebootRefusesThenComesBack()
    {
        RouterSim sim({.rebootDownMs = 1500});
        QVERIFY(sim.start());
        QSignalSpy started(&sim, &RouterSim::rebootStarted);
        QSignalSpy finished(&sim, &RouterSim::rebootFinished);
        Client c(sim.port());
        QVERIFY(c.login());
        QCOMPARE(c.output("setenv kept_value 42"), QByteArray());
        QVERIFY(uptimeOf(c) > 1000);
        Client other(sim.port());
        QVERIFY(other.login());

        c.send("reboot");
        QVERIFY(c.waitClosed());
        QVERIFY(other.waitClosed());
        QCOMPARE(started.count(), 1);
        QVERIFY(sim.isRebooting());

        QTcpSocket refused;
        refused.connectToHost(QHostAddress::LocalHost, sim.port());
        QVERIFY(!refused.waitForConnected(2000));
        QCOMPARE(refused.error(), QAbstractSocket::ConnectionRefusedError);

        QVERIFY(finished.wait(5000));
        QVERIFY(!sim.isRebooting());
        Client back(sim.port());
        QVERIFY(back.login());
        const double up = uptimeOf(back);
        QVERIFY2(up >= 0.3 && up < 30, QByteArray::number(up));
        QCOMPARE(back.output("getenv kept_value"), QByteArray("42\r\n"));
        QVERIFY(ppp0Rx(back.output("cat /proc/net/dev")) < 10'000'000);
    }

    void twoClientsAtOnce()
    {
        RouterSim sim({.replyDelayMs = 30});
        QVERIFY(sim.start());
        Client a(sim.port());
        Client b(sim.port());
        QVERIFY(a.waitFor("login: "));
        QVERIFY(b.waitFor("login: "));
        for (const QByteArray &line : {QByteArray("root"), QByteArray("Gravo")}) {
            a.send(line);
            b.send(line);
        }
        a.send("echo from-a");
        b.send("echo from-b");
        QVERIFY(a.waitFor("from-a\r\n/var # "));
        QVERIFY(b.waitFor("from-b\r\n/var # "));
        QVERIFY(!a.data().contains("from-b"));
        QVERIFY(!b.data().contains("from-a"));
        QCOMPARE(sim.sessionCount(), 2);
    }

    void modemTablesAgree_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("tones");
        QTest::newRow("adsl") << QStringLiteral("adsl") << 256;
        QTest::newRow("adsl2plus") << QStringLiteral("adsl2plus") << 512;
    }

    void modemTablesAgree()
    {
        QFETCH(QString, profile);
        QFETCH(int, tones);
        Router r({.profile = profile, .marginDriftDb = 0});
        QVERIFY(r.login());
        Client &c = *r.c;
        const QByteArray stats = c.output("cat /proc/avalanche/avsar_modem_stats");
        const qint64 dsRate = statsValue(stats, "DS Connection Rate:");
        const qint64 usRate = statsValue(stats, "US Connection Rate:");
        const qint64 dsMax = statsValue(stats, "DS Max Attainable Bit Rate:");
        const qint64 margin = statsValue(stats, "DS Margin:");
        QVERIFY(dsRate > 0 && usRate > 0);
        QVERIFY2(dsMax >= dsRate, stats);
        QCOMPARE(statsValue(stats, "US Peak Cell Rate:"), usRate * 1000 / 8 / 53);
        QCOMPARE(margin, profile == QLatin1String("adsl") ? 7 : 9);
        QCOMPARE(statsValue(stats, "Trained Mode:"), profile == QLatin1String("adsl") ? 3 : 16);

        // The bit table carries the rate: 4 kbit/s per bit per symbol, less framing.
        const QByteArray table = c.output("cat /proc/avalanche/avsar_bit_allocation_table");
        const int dsHeader = table.indexOf("DS Bit Allocation:");
        const QList<int> us = hexValues(table.left(table.lastIndexOf('\n', dsHeader)));
        const QList<int> ds = hexValues(table.mid(dsHeader));
        QCOMPARE(us.size(), 32);
        QCOMPARE(ds.size(), tones);
        int bits = 0;
        for (int b : ds)
            bits += b;
        QVERIFY2(dsRate > bits * 4 * 0.75 && dsRate < bits * 4, QByteArray::number(bits));
        if (profile == QLatin1String("adsl"))
            QCOMPARE(ds[64], 0); // the G.dmt pilot

        // The SNR behind a loaded tone supports its bits at the reported margin.
        const QList<int> snr = hexValues(c.output("cat /proc/avalanche/avsar_rxsnr0"));
        QCOMPARE(snr.size(), tones);
        for (int t = 33; t < tones; ++t) {
            if (ds[t] > 0)
                QVERIFY2(snr[t] / 85.04 > ds[t] * 3.01 + 9.75 + margin - 4 - 1.5, QByteArray::number(t));
        }

        const QByteArray psd = c.output("cat /proc/avalanche/avsar_SNRpsds \"no_where\"");
        if (profile == QLatin1String("adsl")) {
            QCOMPARE(psd, QByteArray("\r\nAR7 SNRpsds:cat: no_where: No such file or directory\r\n"));
        } else {
            const QList<QByteArray> codes = psd.simplified().split(' ');
            QCOMPARE(codes.size(), 2 + tones + 7); // header words, values, error line words
            QCOMPARE(codes[2 + 10], QByteArray("255"));
            QVERIFY(codes[2 + 100].toInt() > 100 && codes[2 + 100].toInt() < 255);
        }
    }

    void negativeMargins()
    {
        Router r({.profile = QStringLiteral("adsl2plus"), .negativeMargin = true});
        QVERIFY(r.login());
        Client &c = *r.c;
        QByteArray stats = c.output("cat /proc/avalanche/avsar_modem_stats");
        QCOMPARE(statsValue(stats, "DS Margin:"), 2147483645);
        QCOMPARE(statsValue(stats, "US Margin:"), 4294967293);
        QVERIFY(statsValue(stats, "DS Max Attainable Bit Rate:") < statsValue(stats, "DS Connection Rate:"));

        QCOMPARE(c.output("setenv high_precision 1"), QByteArray());
        stats = c.output("cat /proc/avalanche/avsar_modem_stats");
        QVERIFY(stats.contains("DS Margin:              -3.0\r\n"));
        QVERIFY(stats.contains("DS Line Attenuation:    14.0"));
    }

    void lineTrainsAfterBoot()
    {
        RouterSim sim({.timeScale = 0, .rebootDownMs = 0, .trainSecs = 60});
        QVERIFY(sim.start());
        QSignalSpy back(&sim, &RouterSim::rebootFinished);
        sim.reboot();
        QVERIFY(back.wait(5000));
        Client c(sim.port());
        QVERIFY(c.login());
        QByteArray stats = c.output("cat /proc/avalanche/avsar_modem_stats");
        QCOMPARE(statsValue(stats, "DS Connection Rate:"), 0);
        QCOMPARE(statsValue(stats, "DS Max Attainable Bit Rate:"), 4294967264);
        QVERIFY(stats.contains("ATUC Vendor Code:       FFFFFFFF"));
        QCOMPARE(c.output("cat /proc/avalanche/avsar_bit_allocation_table"),
                 QByteArray("\r\nAR7 DSL Modem US Bit Allocation:\r\n\r\nAR7 DSL Modem DS Bit Allocation:\r\n"));
        QVERIFY(!c.output("echo \"logger:status/log\" | cm_cli").contains("Carrier is up"));

        sim.advanceTime(61);
        stats = c.output("cat /proc/avalanche/avsar_modem_stats");
        QVERIFY(statsValue(stats, "DS Connection Rate:") > 0);
        QVERIFY(c.output("echo \"logger:status/log\" | cm_cli").contains("Jan  1 00:01:00 cfgmgr(sar): DSL Carrier is up"));
    }

    void faultSwitches()
    {
        RouterSim sim({.terminalQuery = true, .byteByByte = true});
        QVERIFY(sim.start());
        {
            Client c(sim.port(), "/var # \x1B[6n");
            QVERIFY(c.login());
            const int readsBefore = c.reads();
            const QByteArray ver = c.output("cat /proc/avalanche/avsar_ver \"no_where\"");
            QVERIFY(ver.contains("cat: no_where: No such file or directory\r\n"));
            QVERIFY2(c.reads() - readsBefore > 20, QByteArray::number(c.reads() - readsBefore));
            c.socket().write("\x1B[24;80R"); // a terminal's answer to the query is not a command
            QCOMPARE(c.output("echo ok"), QByteArray("ok\r\n"));
        }

        sim.options() = SimOptions{.randomSplits = true, .garbage = true};
        {
            Client c(sim.port());
            QVERIFY(c.login());
            for (int i = 0; i < 20; ++i) {
                const QByteArray ver = c.output("cat /proc/avalanche/avsar_ver \"no_where\"");
                QVERIFY2(ver.contains("no_where") && ver.contains("directory"), ver);
            }
            const QByteArray stats = c.output("cat /proc/avalanche/avsar_modem_stats \"no_where\"");
            QVERIFY(stats.contains("DS Connection Rate:"));
            QVERIFY(std::any_of(stats.begin(), stats.end(), [](char ch) { return uchar(ch) >= 0x80; }));
        }

        // Dropped connections and floods are proven by the engine's tests, which fail without them.
        sim.options() = SimOptions{.replyDelayMs = 400};
        {
            Client c(sim.port());
            QVERIFY(c.login());
            c.data().clear();
            c.send("cat /proc/uptime");
            QVERIFY(c.waitFor("cat /proc/uptime\r\n"));
            QTest::qWait(50);
            QCOMPARE(c.data(), QByteArray("cat /proc/uptime\r\n"));
            QVERIFY(c.waitFor("/var # "));
        }
    }

    void hostileInputKeepsServing()
    {
        Router r;
        QVERIFY(r.login());
        Client &c = *r.c;
        QRandomGenerator random(7);
        QByteArray noise(64 * 1024, '\0');
        for (char &ch : noise) {
            ch = char(random.bounded(256));
            if (ch == '\r' || ch == '\n')
                ch = 'x'; // one endless line, well past the line limit
        }
        c.socket().write(noise);
        // Close any option or escape sequence the noise left open, then a fresh line.
        c.socket().write("\xFF\xF0@\r\necho 'unbalanced\r\necho alive\r\n");
        QVERIFY(c.waitFor("alive\r\n/var # ", 10000));
        QCOMPARE(r.sim.sessionCount(), 1);
    }

    void helpExitsCleanly()
    {
        QProcess p;
        p.start(test::binPath(QStringLiteral("tools/routersim/quillon-routersim")), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("--negative-margin"));

        // As a server it says where it listens and stops on SIGTERM.
        QProcess server;
        server.start(test::binPath(QStringLiteral("tools/routersim/quillon-routersim")), {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(server.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return server.canReadLine(); }, 10000));
        const QByteArray line = server.readLine();
        QVERIFY2(line.startsWith("listening on 127.0.0.1:"), line);
        Client c(quint16(line.mid(line.lastIndexOf(':') + 1).trimmed().toUInt()));
        QVERIFY(c.login());
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
        QCOMPARE(server.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRouterSim)
#include "tst_routersim.moc"
