// quillon-cli history over a line history written beforehand, over files it
// cannot use, and over the one a monitor run keeps.

#include "history/core/historystore.h"
#include "tests/cli/clirun.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Hour = 60 * Minute;
constexpr qint64 Day = 24 * Hour;

// The folder's history as the command reads it; dates on UTC midnight.
CliResult runHistory(CliRig &rig, const QStringList &args)
{
    rig.env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    return rig.run(QStringList{QStringLiteral("--dir"), rig.dir.path()} + args);
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
    if (!waitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000))
        return {};
    socket.write("GET /metrics HTTP/1.0\r\n\r\n");
    QByteArray reply;
    waitUntil([&] {
        reply += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    }, 5000);
    return reply + socket.readAll();
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
        CliRig rig;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        {
            HistoryStore store(rig.dir.file(QString::fromLatin1(HistoryStore::FileName)));
            QVERIFY(store.open());
            for (qint64 back : {30 * Minute, 5 * Hour, 3 * Day, 10 * Day})
                QVERIFY(store.add(readingAt(now - back)));
            QVERIFY(store.addEvent({now - 3 * Day, HistoryEventKind::Resync, QStringLiteral("showtime count 2")}));
        }
        const CliResult run = runHistory(rig, args);
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
        CliRig rig;
        const QString path = rig.dir.file(QString::fromLatin1(HistoryStore::FileName));
        if (file == "empty") {
            HistoryStore store(path);
            QVERIFY(store.open());
        } else if (!file.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        const CliResult run = runHistory(rig, {QStringLiteral("history"), QStringLiteral("--csv")});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        if (exitCode == 0)
            QCOMPARE(run.out.count(QLatin1String("\r\n")), 1);
        if (exitCode != 0 && !file.isEmpty()) {
            const QStringList aside = QDir(rig.dir.path()).entryList({QStringLiteral("history.db.damaged-*")}, QDir::Files);
            QCOMPARE(aside.size(), 1);
            QCOMPARE(rig.dir.read(aside.first()), file);
        }
    }

    // The monitor keeps the history the history command reads, and its
    // metrics count the errors and the resync of the simulated line.
    void monitorRecordsWhatHistoryReads()
    {
        CliRig rig;
        QVERIFY(rig.started);
        rig.dir.write(QStringLiteral("settings.ini"),
                      "[Options]\r\nPing IP=127.0.0.1\r\nPing Interval=300\r\nMaximum failed pings=0\r\n"
                      "StatsCheck=1\r\nStatsCheck Interval=1\r\n");
        rig.env.insert(QStringLiteral("QUILLON_TIME_SCALE"), QStringLiteral("60"));
        const quint16 metricsPort = freeLocalPort();
        rig.start(rig.routerArgs() + QStringList{QStringLiteral("--timeout"), QStringLiteral("30"), QStringLiteral("monitor"),
                                                 QStringLiteral("--metrics"), QString::number(metricsPort)});
        QProcess &monitor = rig.process;
        QString out;
        const auto readings = [&] {
            out += QString::fromUtf8(monitor.readAllStandardOutput());
            return int(out.count(QLatin1Char('\n')));
        };
        QVERIFY2(waitUntil([&] { return readings() >= 2; }, 20000), qPrintable(monitor.readAllStandardError()));
        rig.sim.resync();
        QVERIFY(waitUntil([&] { return readings() >= 4; }, 20000));

        const QString metrics = QString::fromLatin1(scrape(metricsPort));
        QVERIFY2(metrics.contains(QLatin1String("\nquillon_dsl_resyncs_total 1\n")), qPrintable(metrics));
        QVERIFY(metrics.contains(QLatin1String("# TYPE quillon_dsl_crc_total counter\n")));
        for (const char *name : {"quillon_dsl_crc_total{direction=\"down\"} ", "quillon_dsl_fec_total{direction=\"up\"} ",
                                 "quillon_dsl_errored_seconds_total ", "quillon_dsl_init_errors_total "})
            QVERIFY2(metrics.contains(QLatin1String(name)), name);

        monitor.terminate();
        const CliResult ended = rig.finish(15000);
        QCOMPARE(ended.exitCode, 0);
        out += ended.out;

        const CliResult history = runHistory(rig, {QStringLiteral("history"), QStringLiteral("--since"),
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
