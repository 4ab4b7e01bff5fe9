// quillon-cli as a user or a service manager runs it: against the simulator,
// with its exit statuses, its JSON, and a monitor ended by a signal.

#include "tests/cli/clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <csignal>

using namespace quillon;
using namespace quillon::test;

namespace {

// One HTTP exchange with the metrics page; the status line and the body.
std::pair<QByteArray, QByteArray> HttpExchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray reply;
    if (!waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
        return {};
    socket.write(request);
    waitUntil([&] {
        reply += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    }, 8000);
    reply += socket.readAll();
    const qsizetype end = reply.indexOf("\r\n\r\n");
    return {reply.left(reply.indexOf("\r\n")), end < 0 ? QByteArray() : reply.mid(end + 4)};
}

// Starts `monitor --metrics` on the rig's folder with readings due every
// simulated minute (a real second); the metrics port once it serves and the
// first readings are logged, else 0.
quint16 startMonitor(CliRig &rig)
{
    // Pings stay off the network: the router simulator is the only peer, and
    // the watchdog is off so a machine without ICMP does not reboot it.
    rig.dir.write(QStringLiteral("settings.ini"),
                  "[Options]\r\nPing IP=127.0.0.1\r\nPing Interval=300\r\nMaximum failed pings=0\r\n"
                  "StatsCheck=1\r\nStatsCheck Interval=1\r\nSave stats to text=1\r\nSave stats to CSV=1\r\n");
    rig.env.insert(QStringLiteral("QUILLON_TIME_SCALE"), QStringLiteral("60"));
    rig.start(rig.routerArgs() + QStringList{QStringLiteral("monitor"), QStringLiteral("--metrics"), QStringLiteral("127.0.0.1:0")});
    QString err;
    quint16 port = 0;
    waitUntil([&] {
        err += QString::fromUtf8(rig.process.readAllStandardError());
        const auto m = QRegularExpression(QStringLiteral(R"(http://127\.0\.0\.1:(\d+)/metrics)")).match(err);
        port = m.hasMatch() ? m.captured(1).toUShort() : 0;
        return port != 0;
    }, 10000);
    const bool logged = waitUntil([&] { return rig.dir.read(QStringLiteral("stats.txt")).count('\n') >= 2; }, 20000);
    return logged ? port : 0;
}

} // namespace

class TstCli final : public QObject
{
    Q_OBJECT

private slots:
    void exitStatuses_data();
    void exitStatuses();
    void readingsAgreeAcrossForms();
    void monitorServesMetricsAndEndsOnSignal();
    void prometheusScrapesTheMonitor();
};

void TstCli::exitStatuses_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("stderrHas");

    QTest::newRow("unknown option") << "" << QStringList{"--bogus", "stats"} << 2 << "unknown option --bogus";
    QTest::newRow("unknown command") << "" << QStringList{"frobnicate"} << 2 << "unknown command";
    QTest::newRow("port out of range") << "" << QStringList{"--port", "70000", "stats"} << 2 << "--port";
    QTest::newRow("stray argument") << "router" << QStringList{"stats", "extra"} << 2 << "";
    QTest::newRow("nobody listening") << "closed" << QStringList{"stats"} << 1 << "";
    QTest::newRow("refused login") << "badpw" << QStringList{"stats"} << 1 << "";
    QTest::newRow("stalled router") << "stall" << QStringList{"--timeout", "2", "stats"} << 1 << "";
    QTest::newRow("folder not writable") << "nodir" << QStringList{"monitor"} << 3 << "plain/below";
}

void TstCli::exitStatuses()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, stderrHas);

    CliRig rig({.rebootDownMs = 200, .marginDriftDb = 0, .endlessOutput = setup == QLatin1String("stall")});
    QVERIFY(rig.started);
    QStringList global;
    if (!setup.isEmpty())
        global = rig.routerArgs();
    ClosedLocalPort closed;
    if (setup == QLatin1String("closed"))
        global[5] = QString::number(closed.port());
    if (setup == QLatin1String("badpw"))
        rig.dir.write(QStringLiteral("pw"), "wrong\n");
    if (setup == QLatin1String("nodir")) {
        rig.dir.write(QStringLiteral("plain"), "a file, not a folder");
        global[1] = rig.dir.file(QStringLiteral("plain/below"));
    }

    const CliResult r = rig.run(global + args);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, status);
    QVERIFY2(r.err.contains(stderrHas), qPrintable(r.err));
    QVERIFY2(!r.err.trimmed().isEmpty(), "a failure says why");
    QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
}

// The text, the JSON and the full report of one line give the same figures.
void TstCli::readingsAgreeAcrossForms()
{
    CliRig rig;
    QVERIFY(rig.started);

    const CliResult text = rig.runOnRouter({QStringLiteral("stats")});
    QCOMPARE(text.exitCode, 0);
    // "DD/MM/YYYY HH:MM<TAB>rate, margin, ..." as "stats.txt" gets it.
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(R"(^\d\d/\d\d/\d{4} \d\d:\d\d\t(\d+), (\d+))")).match(text.out);
    QVERIFY2(m.hasMatch(), qPrintable(text.out));

    const CliResult json = rig.run(rig.routerArgs() + QStringList{QStringLiteral("--json"), QStringLiteral("stats")});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("ds_rate_kbps")).toInt(), m.captured(1).toInt());
    QCOMPARE(o.value(QStringLiteral("ds_margin_db")).toInt(), m.captured(2).toInt());

    const CliResult info = rig.runOnRouter({QStringLiteral("info")});
    QCOMPARE(info.exitCode, 0);
    QVERIFY2(info.out.contains(QStringLiteral("DS rate: %1 kbit/s").arg(m.captured(1))), qPrintable(info.out));
    QVERIFY(info.out.contains(QStringLiteral("Last boot: ")));

    const CliResult infoJson = rig.run(rig.routerArgs() + QStringList{QStringLiteral("--json"), QStringLiteral("info")});
    const QJsonObject full = QJsonDocument::fromJson(infoJson.out.toUtf8()).object();
    QVERIFY2(!full.value(QStringLiteral("last_boot")).toString().isEmpty(), qPrintable(infoJson.out));
    QVERIFY(!full.value(QStringLiteral("version")).toArray().isEmpty());

    const CliResult tones = rig.runOnRouter({QStringLiteral("tones"), QStringLiteral("--csv")});
    QCOMPARE(tones.exitCode, 0);
    const QStringList rows = tones.out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(rows.first(), QStringLiteral("tone,bits,snr_bin0_db,snr_bin1_db,snr_bin2_db,snr_psd_db,qln_psd_db"));
    QCOMPARE(rows.size(), 1 + 256);
    for (const QString &row : rows.mid(1))
        QCOMPARE(row.count(QLatin1Char(',')), 6);
}

// A service's life: readings logged, the metrics page scraped and refusing
// bad requests, SIGTERM ending it with status 0 and every file whole.
void TstCli::monitorServesMetricsAndEndsOnSignal()
{
    CliRig rig;
    QVERIFY(rig.started);
    const quint16 port = startMonitor(rig);
    QVERIFY(port != 0);

    const auto [status, body] = HttpExchange(port, "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    QCOMPARE(status, QByteArray("HTTP/1.1 200 OK"));
    for (const char *metric : {"quillon_dsl_rate_kbps{direction=\"down\"} ", "quillon_readings_total "})
        QVERIFY2(body.contains(metric), body.constData());
    const struct
    {
        QByteArray request;
        QByteArray status;
    } bad[] = {
        {"GET /other HTTP/1.1\r\n\r\n", "HTTP/1.1 404"},
        {"POST /metrics HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 405"},
        {QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 16), "HTTP/1.1 400"},
        {"GET /metrics HTTP/1.1\r\nX: " + QByteArray(16 * 1024, 'a') + "\r\n\r\n", "HTTP/1.1 431"},
    };
    for (const auto &b : bad)
        QVERIFY2(HttpExchange(port, b.request).first.startsWith(b.status), b.status.constData());

    ::kill(pid_t(rig.process.processId()), SIGTERM);
    const CliResult r = rig.finish(20000);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    // Text, CSV and the margin history end on a whole line.
    for (const char *name : {"stats.txt", "stats.csv", "snr_stats.txt"}) {
        const QByteArray bytes = rig.dir.read(QString::fromLatin1(name));
        QVERIFY2(!bytes.isEmpty() && bytes.endsWith('\n'), name);
    }
}

// A real Prometheus server scrapes the page, and its own checker accepts it.
void TstCli::prometheusScrapesTheMonitor()
{
    const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (prometheus.isEmpty() || promtool.isEmpty())
        QSKIP("the prometheus package is not installed");
    CliRig rig;
    QVERIFY(rig.started);
    const quint16 port = startMonitor(rig);
    QVERIFY(port != 0);

    const QByteArray body = HttpExchange(port, "GET /metrics HTTP/1.1\r\n\r\n").second;
    QProcess check;
    check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    check.write(body);
    check.closeWriteChannel();
    QVERIFY(check.waitForFinished(10000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());

    const quint16 webPort = freeLocalPort();
    rig.dir.write(QStringLiteral("prometheus.yml"),
                  QStringLiteral("global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: quillon\n"
                                 "    static_configs:\n      - targets: ['127.0.0.1:%1']\n").arg(port).toUtf8());
    QProcess server;
    server.start(prometheus, {QStringLiteral("--config.file=") + rig.dir.file(QStringLiteral("prometheus.yml")),
                              QStringLiteral("--storage.tsdb.path=") + rig.dir.file(QStringLiteral("tsdb")),
                              QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(webPort)});
    QVERIFY(server.waitForStarted(5000));
    // Asks the server for the downstream margin until a scrape has stored it.
    const QByteArray query = "GET /api/v1/query?query=quillon_dsl_snr_margin_db%7Bdirection%3D%22down%22%7D HTTP/1.1\r\n"
                             "Host: 127.0.0.1\r\nConnection: close\r\n\r\n";
    QByteArray answer;
    const bool stored = waitUntil([&] {
        answer = HttpExchange(webPort, query).second;
        return answer.contains("\"job\":\"quillon\"");
    }, 30000);
    server.terminate();
    server.waitForFinished(5000);
    QVERIFY2(stored, answer.constData());
    ::kill(pid_t(rig.process.processId()), SIGTERM);
    QCOMPARE(rig.finish(20000).exitCode, 0);
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
