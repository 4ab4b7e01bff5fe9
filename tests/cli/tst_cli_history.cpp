#include "history/core/historystore.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace quillon;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;

struct CliRun
{
    int exitCode{-1};
    QString out;
    QString err;
};

QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("QUILLON_PASSWORD"), QStringLiteral("Gravo"));
    return env;
}

void startCli(QProcess &cli, const QString &dir, const QStringList &args)
{
    cli.setProcessEnvironment(cliEnvironment());
    cli.start(test::binPath(QStringLiteral("app/cli/quillon-cli")), QStringList{QStringLiteral("--dir"), dir} + args);
}

// A real event loop while the program runs: the simulator lives in this process.
CliRun runCli(const QString &dir, const QStringList &args)
{
    QProcess cli;
    startCli(cli, dir, args);
    CliRun run;
    if (!test::waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 30000))
        return run;
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

HistoryReading readingAt(qint64 t)
{
    HistoryReading r;
    r.timeMs = t;
    r.setValue(HistoryValue::DsMargin, 6.5);
    r.setValue(HistoryValue::DsRate, 8128);
    r.setCount(HistoryCount::DsCrc, 3);
    return r;
}

QByteArray scrape(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!test::waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
        return {};
    socket.write("GET /metrics HTTP/1.0\r\n\r\n");
    test::waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    return socket.readAll();
}

} // namespace

class tst_cli_history final : public QObject
{
    Q_OBJECT

private slots:
    void sinceFormsAndOutputs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("readings");
        const QDate today = QDateTime::currentDateTimeUtc().date();
        const auto row = [](const char *name, const QStringList &args, int exitCode, int readings) {
            QTest::newRow(name) << args << exitCode << readings;
        };
        row("default 24 hours, text", {QStringLiteral("history")}, 0, 2);
        row("90m, csv", {QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("90m"), QStringLiteral("--csv")}, 0, 1);
        row("7d, json", {QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("7d"), QStringLiteral("--json")}, 0, 3);
        row("global --json", {QStringLiteral("--json"), QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("24h")}, 0, 2);
        row("iso date, csv", {QStringLiteral("history"), QStringLiteral("--since"), today.addDays(-20).toString(Qt::ISODate), QStringLiteral("--csv")}, 0, 4);
        row("dd/mm/yyyy, csv", {QStringLiteral("history"), QStringLiteral("--since"), today.addDays(-5).toString(QStringLiteral("dd/MM/yyyy")), QStringLiteral("--csv")}, 0, 3);
        row("future date, csv", {QStringLiteral("history"), QStringLiteral("--since"), today.addDays(2).toString(Qt::ISODate), QStringLiteral("--csv")}, 0, 0);
        row("a word", {QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("yesterday")}, 2, -1);
        row("a unit it lacks", {QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("3w")}, 2, -1);
        row("no value", {QStringLiteral("history"), QStringLiteral("--since")}, 2, -1);
        row("csv and json", {QStringLiteral("history"), QStringLiteral("--csv"), QStringLiteral("--json")}, 2, -1);
    }

    void sinceFormsAndOutputs()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(int, readings);
        QTemporaryDir dir;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        {
            HistoryStore store(dir.filePath(QString::fromLatin1(HistoryStore::FileName)));
            QVERIFY(store.open());
            for (qint64 back : {30 * Minute, 5 * Hour, 3 * Day, 10 * Day})
                QVERIFY(store.add(readingAt(now - back)));
            QVERIFY(store.addEvent({now - 3 * Day, HistoryEventKind::Resync, QStringLiteral("showtime count 2")}));
        }
        const CliRun run = runCli(dir.path(), args);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode != 0) {
            QVERIFY2(run.err.contains(QLatin1String("quillon-cli: ")), qPrintable(run.err));
            QVERIFY(run.out.isEmpty());
            return;
        }
        if (args.contains(QLatin1String("--json"))) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            const QJsonArray rows = o.value(QLatin1String("readings")).toArray();
            QCOMPARE(rows.size(), readings);
            QCOMPARE(rows.last()[QLatin1String("ds_margin")].toDouble(), 6.5);
            QCOMPARE(rows.last()[QLatin1String("ds_crc")].toInt(), 3);
            QCOMPARE(o.value(QLatin1String("events")).toArray().size(), readings >= 3 ? 1 : 0);
        } else if (args.contains(QLatin1String("--csv"))) {
            const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QVERIFY(lines.value(0).startsWith(QLatin1String("time,readings,ds_rate_min,")));
            QCOMPARE(lines.size() - 1, readings);
            const int events = lines.value(0).split(QLatin1Char(',')).indexOf(QLatin1String("events"));
            const int margin = lines.value(0).split(QLatin1Char(',')).indexOf(QLatin1String("ds_margin_avg"));
            for (const QString &line : lines.mid(1)) {
                QCOMPARE(line.split(QLatin1Char(',')).size(), events + 1);
                QCOMPARE(line.split(QLatin1Char(',')).value(margin), QStringLiteral("6.5"));
            }
            if (readings == 4)
                QCOMPARE(lines.value(2).section(QLatin1Char(','), events), QStringLiteral("Resync"));
        } else {
            QCOMPARE(run.out.count(QLatin1String("margin 6.5/")), readings);
        }
    }

    // Nothing to read is said so, in words and a status; a damaged file is
    // kept as it was under another name.
    void unusableFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("absent") << QByteArray() << 3 << QStringLiteral("There is no line history");
        QTest::newRow("empty database") << QByteArrayLiteral("empty") << 0 << QStringLiteral("No readings since");
        QTest::newRow("garbage") << QByteArray(8192, '\x5a') << 3 << QStringLiteral("was damaged");
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::newRow("truncated database") << header + QByteArray(84, '\x01') << 3 << QStringLiteral("was damaged");
    }

    void unusableFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(HistoryStore::FileName));
        if (file == "empty") {
            HistoryStore store(path);
            QVERIFY(store.open());
        } else if (!file.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        const CliRun run = runCli(dir.path(), {QStringLiteral("history"), QStringLiteral("--csv")});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        if (exitCode == 0)
            QCOMPARE(run.out.count(QLatin1String("\r\n")), 1);
        if (exitCode != 0 && !file.isEmpty()) {
            const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("history.db.damaged-*")}, QDir::Files);
            QCOMPARE(aside.size(), 1);
            QFile kept(dir.filePath(aside.first()));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), file);
        }
    }

    // The monitor keeps the history the history command reads, and its
    // metrics count the errors and the resync of the simulated line.
    void monitorRecordsWhatHistoryReads()
    {
        sim::RouterSim router;
        QVERIFY(router.start());
        QTemporaryDir dir;
        QFile settings(dir.filePath(QStringLiteral("settings.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(QStringLiteral("[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=%1\r\nRouter Username=root\r\n"
                                      "Ping IP=127.0.0.1\r\nPing Interval=60\r\nMaximum failed pings=0\r\n"
                                      "StatsCheck=1\r\nStatsCheck Interval=1\r\n")
                           .arg(router.port())
                           .toLatin1());
        settings.close();

        const quint16 metricsPort = test::freeLocalPort();
        QProcess monitor;
        QProcessEnvironment env = cliEnvironment();
        env.insert(QStringLiteral("QUILLON_TIME_SCALE"), QStringLiteral("60"));
        monitor.setProcessEnvironment(env);
        monitor.start(test::binPath(QStringLiteral("app/cli/quillon-cli")),
                      {QStringLiteral("--dir"), dir.path(), QStringLiteral("--timeout"), QStringLiteral("30"),
                       QStringLiteral("monitor"), QStringLiteral("--metrics"), QString::number(metricsPort)});
        QString out;
        const auto readings = [&] {
            out += QString::fromUtf8(monitor.readAllStandardOutput());
            return int(out.count(QLatin1Char('\n')));
        };
        QVERIFY2(test::waitUntil([&] { return readings() >= 2; }, 20000), qPrintable(monitor.readAllStandardError()));
        router.resync();
        QVERIFY(test::waitUntil([&] { return readings() >= 4; }, 20000));

        const QString metrics = QString::fromLatin1(scrape(metricsPort));
        QVERIFY2(metrics.contains(QLatin1String("\nquillon_dsl_resyncs_total 1\n")), qPrintable(metrics));
        QVERIFY(metrics.contains(QLatin1String("# TYPE quillon_dsl_crc_total counter\n")));
        for (const char *name : {"quillon_dsl_crc_total{direction=\"down\"} ", "quillon_dsl_fec_total{direction=\"up\"} ",
                                 "quillon_dsl_errored_seconds_total ", "quillon_dsl_init_errors_total "})
            QVERIFY2(metrics.contains(QLatin1String(name)), name);

        monitor.terminate();
        QVERIFY(test::waitUntil([&] { return monitor.state() == QProcess::NotRunning; }, 15000));
        QCOMPARE(monitor.exitCode(), 0);
        readings();

        const CliRun history = runCli(dir.path(), {QStringLiteral("history"), QStringLiteral("--since"),
                                                   QStringLiteral("1h"), QStringLiteral("--json")});
        QCOMPARE(history.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(history.out.toUtf8()).object();
        QCOMPARE(o.value(QLatin1String("readings")).toArray().size(), out.count(QLatin1Char('\n')));
        const QJsonArray events = o.value(QLatin1String("events")).toArray();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first()[QLatin1String("event")].toString(), QStringLiteral("Resync"));
    }
};

QTEST_GUILESS_MAIN(tst_cli_history)
#include "tst_cli_history.moc"
