// The line history's costs: one reading stored (its own transaction), a
// 30-day chart query over one-minute readings, drawing it at 1600x900, and
// the file's size after a year of one-minute monitoring with retention.
// References in the same run: the sqlite3 shell storing the same rows one
// transaction each, a plain read of every row of the span, and a naive
// drawing of every reading as one polyline per measure.

#include "history/core/historystore.h"
#include "history/ui/historychartview.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace quillon;

namespace {

constexpr qint64 Minute = 60 * 1000;
constexpr qint64 Day = 24 * 60 * Minute;
const qint64 Start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

HistoryReading sample(qint64 t, QRandomGenerator &rng)
{
    HistoryReading r;
    r.timeMs = t;
    r.uptimeSecs = (t - Start) / 1000;
    r.setValue(HistoryValue::DsRate, 19019);
    r.setValue(HistoryValue::UsRate, 1026);
    r.setValue(HistoryValue::DsMaxRate, 21012 + rng.bounded(300));
    r.setValue(HistoryValue::UsMaxRate, 1176);
    r.setValue(HistoryValue::DsMargin, 6 + rng.bounded(40) / 10.0);
    r.setValue(HistoryValue::UsMargin, 11);
    r.setValue(HistoryValue::DsAttenuation, 14);
    r.setValue(HistoryValue::UsAttenuation, 7);
    r.setValue(HistoryValue::DsPower, 17);
    r.setValue(HistoryValue::UsPower, 12);
    r.setValue(HistoryValue::PingRtt, 20 + rng.bounded(10));
    r.pingMinMs = 18;
    r.pingMaxMs = 30 + rng.bounded(200);
    for (int c = 0; c < HistoryCountCount; ++c)
        r.counts[size_t(c)] = rng.bounded(4) == 0 ? rng.bounded(50) : 0;
    r.setCount(HistoryCount::PingsSent, 4);
    r.mode = QStringLiteral("ADSL 2+");
    r.path = QStringLiteral("Fastpath");
    r.pingState = QStringLiteral("Up");
    r.lastRttMs = 23;
    for (int c = 0; c < LineCounterCount; ++c)
        r.counters.values[size_t(c)] = rng.bounded(1u << 30);
    return r;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

double percentile(QList<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[qMin(v.size() - 1, qsizetype(p * double(v.size())))];
}

template <typename Fn>
QList<double> timed(int runs, Fn &&fn)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms << t.nsecsElapsed() / 1e6;
    }
    return ms;
}

qint64 fileBytes(const QString &path)
{
    qint64 n = 0;
    for (const char *suffix : {"", "-wal", "-shm"})
        n += QFileInfo(path + QLatin1String(suffix)).size();
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    dir.setAutoRemove(!qEnvironmentVariableIsSet("BENCH_KEEP"));
    if (!dir.autoRemove())
        out << "files in " << dir.path() << '\n';
    QRandomGenerator rng(7);

    // --- One reading stored ---
    {
        const QString path = dir.filePath(QStringLiteral("insert.db"));
        HistoryStore store(path);
        store.open();
        qint64 t = Start;
        const QList<double> ms = timed(2000, [&] { store.add(sample(t += Minute, rng)); });
        out << QStringLiteral("one reading stored: median %1 ms, p95 %2 ms (target <= 1 ms)\n")
                   .arg(median(ms), 0, 'f', 3)
                   .arg(percentile(ms, 0.95), 0, 'f', 3);
        store.close();
        // The sqlite3 shell: the same number of one-row transactions in WAL mode.
        QString script = QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;\n"
                                        "CREATE TABLE r(t INTEGER PRIMARY KEY, a REAL, b REAL, c TEXT);\n");
        for (int i = 0; i < 2000; ++i)
            script += QStringLiteral("BEGIN; INSERT INTO r VALUES(%1, 6.5, 19019, 'ADSL 2+'); COMMIT;\n").arg(i);
        QProcess shell;
        QElapsedTimer t2;
        t2.start();
        shell.start(QStringLiteral("sqlite3"), {dir.filePath(QStringLiteral("shell.db"))});
        if (shell.waitForStarted(5000)) {
            shell.write(script.toUtf8());
            shell.closeWriteChannel();
            shell.waitForFinished(60000);
            out << QStringLiteral("  sqlite3 shell, 2000 one-row transactions: %1 ms each on average (process included)\n")
                       .arg(t2.nsecsElapsed() / 1e6 / 2000, 0, 'f', 3);
        } else {
            out << "  sqlite3 shell: not installed (bash scripts/deps.sh installs it)\n";
        }
    }

    // --- 30 days of one-minute readings: query and drawing ---
    const QString path = dir.filePath(QStringLiteral("month.db"));
    HistoryStore store(path);
    store.open();
    {
        QList<HistoryReading> rows;
        for (qint64 t = Start; t < Start + 30 * Day; t += Minute)
            rows << sample(t, rng);
        rows << sample(Start, rng); // the same minute twice, as an import may bring
        store.addMany(rows);
        store.addEvent({Start + 10 * Day, HistoryEventKind::Resync, QStringLiteral("bench")});
    }
    const QSize size(1600, 900);
    const qint64 from = Start;
    const qint64 to = Start + 30 * Day;
    const qint64 bucket = HistoryBucketMs(to - from, size.width() - 60);
    HistorySeries series;
    const QList<double> queryMs = timed(15, [&] { series = store.query(from - bucket, to + bucket, bucket, 0); });
    out << QStringLiteral("30-day chart query (%1 readings into %2 buckets of %3 min): median %4 ms (target <= 30 ms)\n")
               .arg(store.readingCount())
               .arg(series.buckets.size())
               .arg(bucket / Minute)
               .arg(median(queryMs), 0, 'f', 2);
    // The same span where the readings themselves must be read: every one,
    // and in ten-minute buckets (a span not drawn in whole hours).
    for (const qint64 fine : {qint64(0), 10 * Minute}) {
        HistorySeries rows;
        const QList<double> ms = timed(15, [&] { rows = store.query(from, to, fine, 0); });
        out << QStringLiteral("  30 days read from the readings themselves, %1: %2 rows, median %3 ms\n")
                   .arg(fine == 0 ? QStringLiteral("every reading") : QStringLiteral("10-minute buckets"))
                   .arg(rows.buckets.size())
                   .arg(median(ms), 0, 'f', 2);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
        db.setDatabaseName(path);
        db.open();
        const QList<double> plainMs = timed(5, [&] {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(QStringLiteral("SELECT t, ds_rate, us_rate, ds_max_rate, us_max_rate, ds_margin, us_margin, "
                                  "ping_min, ping, ping_max, ds_crc, us_crc, ds_fec, us_fec, es FROM readings"));
            double sum = 0;
            while (q.next()) {
                for (int c = 0; c < 15; ++c)
                    sum += q.value(c).toDouble();
            }
            Q_UNUSED(sum);
        });
        out << QStringLiteral("  reference, every row of the span read through QtSql (15 columns): median %1 ms\n")
                   .arg(median(plainMs), 0, 'f', 2);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("plain"));

    QFont font;
    font.setPixelSize(11);
    QImage image(size, QImage::Format_RGB32);
    const QList<double> drawMs = timed(30, [&] {
        QPainter p(&image);
        const HistoryChartLayout l = layoutHistoryChart(size, font, series, from, to, 0);
        paintHistoryChart(p, size, font, l, series);
    });
    out << QStringLiteral("drawing it at 1600x900 (layout and paint): median %1 ms (target <= 16 ms)\n")
               .arg(median(drawMs), 0, 'f', 2);
    if (argc > 1)
        image.save(QString::fromLocal8Bit(argv[1]));
    {
        const HistorySeries raw = store.query(from, to, 0);
        const QList<double> naiveMs = timed(10, [&] {
            QPainter p(&image);
            p.fillRect(image.rect(), Qt::black);
            for (HistoryValue v : {HistoryValue::DsMargin, HistoryValue::UsMargin, HistoryValue::DsRate,
                                   HistoryValue::UsRate, HistoryValue::PingRtt}) {
                QPolygonF line;
                line.reserve(raw.buckets.size());
                for (const HistoryBucket &b : raw.buckets)
                    line << QPointF(double(b.startMs - from) / double(to - from) * 1600, 900 - b.value(v).avg / 30);
                p.setPen(Qt::green);
                p.drawPolyline(line);
            }
        });
        out << QStringLiteral("  reference, every reading drawn as a polyline per measure (5 x %1 points): median %2 ms\n")
                   .arg(raw.buckets.size())
                   .arg(median(naiveMs), 0, 'f', 2);
    }
    store.close();

    // --- A year of one-minute monitoring with retention applied daily ---
    if (!qEnvironmentVariableIsSet("BENCH_SKIP_YEAR")) {
        const QString yearPath = dir.filePath(QStringLiteral("year.db"));
        HistoryStore year(yearPath);
        year.open();
        QElapsedTimer t;
        t.start();
        for (int day = 0; day < 365; ++day) {
            QList<HistoryReading> rows;
            for (qint64 m = 0; m < 1440; ++m)
                rows << sample(Start + day * Day + m * Minute, rng);
            year.addMany(rows);
            year.applyRetention(Start + (day + 1) * Day);
        }
        const qint64 readings = year.readingCount();
        const qint64 hours = year.hourlyCount();
        year.close();
        out << QStringLiteral("a year of one-minute readings, retention applied: %1 MB on disk (%2 readings, %3 hours; "
                              "target < 100 MB), simulated in %4 s\n")
                   .arg(fileBytes(yearPath) / 1048576.0, 0, 'f', 1)
                   .arg(readings)
                   .arg(hours)
                   .arg(t.elapsed() / 1000.0, 0, 'f', 1);
    }
    return 0;
}
