// One monitored bandwidth reading through the session core, from the timer's
// tick to the logged block (with and without the append to "bandwidth.txt",
// which waits for the disk), against a router on loopback, beside a plain
// blocking socket client sending the same lines and waiting for the same
// prompts; then the period records' update with a year of hourly history.
//   bench_bandwidth PORT RUNS
// Prints one "name: value" line per figure.

#include "bandwidth/core/netdev.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "bench/support/plainrouter.h"
#include "session/core/sessioncore.h"
#include "stats/core/snapshots.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace quillon;
using namespace quillon::bench;

namespace {

// The floor: connect, then each SEND written and each WAIT met by the first
// matching text after the echo of the line just sent.
bool plainRun(quint16 port, const QString &script)
{
    return runPlain(port, stepsOf(script));
}

bool monitoredReading(SessionCore &core)
{
    bool done = false;
    QEventLoop loop;
    const auto c = QObject::connect(&core.bandwidth, &BandwidthMonitor::readingTaken, &loop, [&] {
        done = true;
        loop.quit();
    });
    const auto f = QObject::connect(&core.bandwidth, &BandwidthMonitor::readingFailed, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    core.bandwidth.tick();
    if (!done)
        loop.exec();
    QObject::disconnect(c);
    QObject::disconnect(f);
    return done;
}

// A year of hourly lines (with its days, weeks and months) in memory, as after
// a year's run; then updates, each an hour after the last, so every one rolls
// the hour over and files the old one.
std::vector<double> recordsUpdates(int runs)
{
    const QDateTime start(QDate(2025, 7, 1), QTime(0, 30));
    QString file;
    QDateTime t = start;
    QString day, week, month;
    for (int h = 0; h < 365 * 24; ++h, t = t.addSecs(3600)) {
        file += GetDateLabel(t, 1) + QStringLiteral(" : 1000,100 2000,200 0,0 0,0\r\n");
        for (auto [p, last] : {std::pair{2, &day}, std::pair{3, &week}, std::pair{4, &month}}) {
            if (GetDateLabel(t, p) != *last) {
                *last = GetDateLabel(t, p);
                file += *last + QStringLiteral(" : 24000,2400 48000,4800 0,0 0,0\r\n");
            }
        }
    }
    QFile out(AppPaths::file(QString::fromLatin1(SnapshotFileName)));
    if (out.open(QIODevice::WriteOnly))
        out.write(file.toLatin1());
    out.close();

    ScopedClock clock(t);
    BandwidthSnapshots records;
    records.LoadSnapshots();
    SlotArray delta{};
    delta[0] = {1.0e6, 1.0e5};
    const QDateTime boot = t.addDays(-3);
    records.UpdateSnapshots(delta, boot);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        clock.advanceSecs(3600);
        const double begin = cpuMs();
        records.UpdateSnapshots(delta, boot);
        times.push_back(cpuMs() - begin);
    }
    std::printf("records_lines_in_memory: %lld\n", static_cast<long long>(records.SnapshotLines().size()));
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_bandwidth PORT RUNS\n");
        return 2;
    }
    const quint16 port = quint16(args.at(1).toUInt());
    const int runs = std::max(1, args.at(2).toInt());
    QTemporaryDir dir;
    AppPaths::setAppDir(dir.path());

    SessionSettings settings;
    settings.login = {QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("root"), QStringLiteral("Gravo")};
    settings.bandwidth.interval = QStringLiteral("1");
    settings.bandwidth.graphs.rx[0] = settings.bandwidth.graphs.tx[0] = true;
    QTimer ping, stats, watch, settle, bandwidth; // none fires: the reading is ticked by hand
    SessionCore core([&] { return settings; }, [](const QString &, qint32 &ms) { ms = 0; return true; },
                     SessionTimers{&ping, &stats, &watch, &settle, &bandwidth});
    bandwidth.blockSignals(true);
    core.bandwidth.start();
    const QString script = GetBandwidthScript(settings.login);

    // With "Save log" every reading also appends to "bandwidth.txt" and waits
    // for the disk to have it; without, the rest of the reading alone.
    for (const bool saveLog : {true, false}) {
        settings.bandwidth.saveLog = saveLog;
        std::vector<double> reading, floor;
        QElapsedTimer clock;
        for (int i = 0; i <= runs + 1; ++i) { // the first reading sets the baselines, the second warms up
            clock.start();
            if (!monitoredReading(core)) {
                std::fprintf(stderr, "monitored reading failed\n");
                return 1;
            }
            const double tr = double(clock.nsecsElapsed()) / 1e6;
            clock.start();
            if (!plainRun(port, script)) {
                std::fprintf(stderr, "plain client failed\n");
                return 1;
            }
            const double tf = double(clock.nsecsElapsed()) / 1e6;
            if (i > 1) {
                reading.push_back(tr);
                floor.push_back(tf);
            }
        }
        if (core.bandwidth.lastBlock().isEmpty()) {
            std::fprintf(stderr, "the readings logged nothing\n");
            return 1;
        }
        const char *variant = saveLog ? "with_log_append" : "without_log";
        const double mr = median(reading);
        const double mf = median(floor);
        std::printf("runs: %d\n", runs);
        std::printf("monitored_reading_%s_median_ms: %.3f\n", variant, mr);
        std::printf("plain_client_median_ms: %.3f\n", mf);
        std::printf("reading_%s_over_floor: %.3f (target <= 1.3)\n", variant, mr / mf);
    }

    const std::vector<double> updates = recordsUpdates(std::max(runs * 25, 1000));
    std::vector<double> sorted = updates;
    std::sort(sorted.begin(), sorted.end());
    std::printf("records_updates: %zu, each an hour after the last\n", sorted.size());
    std::printf("records_update_cpu_median_ms: %.4f\n", median(updates));
    std::printf("records_update_cpu_p99_ms: %.4f\n", sorted[sorted.size() * 99 / 100]);
    std::printf("records_update_cpu_max_ms: %.4f (target <= 1)\n", sorted.back());
    return 0;
}
