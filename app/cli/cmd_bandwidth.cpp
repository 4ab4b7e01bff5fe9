// bandwidth and totals: the Bandwidth tab's readings and its period records.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "bandwidth/core/bandwidthtexts.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "stats/core/routerscripts.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <limits>
#include <memory>
#include <optional>

namespace quillon {

namespace {

QString Lines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Byte counters reach 2^64 on 64-bit routers: exact as integers while they fit.
QJsonValue Bytes(quint64 bytes)
{
    if (bytes <= quint64(std::numeric_limits<qint64>::max()))
        return qint64(bytes);
    return double(bytes);
}

QJsonObject SlotJson(int slot, const QString &name)
{
    return {{QStringLiteral("slot"), QLatin1String(SlotLabels[size_t(slot)])}, {QStringLiteral("interface"), name}};
}

QJsonObject RecordJson(const SnapshotRecord &record)
{
    QJsonObject o;
    for (size_t s = 0; s < InterfaceSlots; ++s)
        o.insert(QLatin1String(SlotLabels[s]), QJsonObject{{QStringLiteral("rx_bytes"), record.Totals[s].Rx},
                                                           {QStringLiteral("tx_bytes"), record.Totals[s].Tx}});
    return o;
}

// A positive whole number of at most `max`, or nothing.
std::optional<int> WholeArg(const QString &text, int max)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v >= 1 && v <= max ? std::optional<int>(v) : std::nullopt;
}

int StartFailed(CliContext &c, BandwidthMonitor::StartResult result)
{
    switch (result) {
    case BandwidthMonitor::StartResult::MissingLogin:
        return c.fail(CliExit::Failure, MissingLoginMessage(c.settings().login));
    case BandwidthMonitor::StartResult::RouterNotAnswering:
        return c.fail(CliExit::Failure, QStringLiteral("Router is not responding on the given IP address."));
    default:
        return c.fail(CliExit::Failure, QStringLiteral("A bandwidth reading is already running."));
    }
}

int ReadOnce(CliContext &c)
{
    BandwidthMonitor &bw = c.core().bandwidth;
    bool taken = false;
    std::unique_ptr<JobFailure> failure;
    QObject::connect(&bw, &BandwidthMonitor::readingTaken, [&] { taken = true; });
    QObject::connect(&bw, &BandwidthMonitor::readingFailed,
                     [&](const JobFailure &f) { failure = std::make_unique<JobFailure>(f); });
    if (const auto result = bw.readNow(); result != BandwidthMonitor::StartResult::Started)
        return StartFailed(c, result);
    if (!c.waitFor([&] { return taken || failure; })) {
        c.core().session.shutDown();
        return c.waitFailed();
    }
    if (failure)
        return c.fail(CliExit::Failure, failure->sentence);

    const auto ids = c.settings().bandwidth.ids;
    const BandwidthCounters &counters = bw.counters();
    if (c.json()) {
        QJsonArray found;
        for (int s = 0; s < InterfaceSlots; ++s) {
            const InterfaceCounters &slot = counters.slot(s);
            if (!slot.Found)
                continue;
            QJsonObject o = SlotJson(s, ids[size_t(s)]);
            o.insert(QStringLiteral("rx_bytes"), Bytes(slot.Current.rx));
            o.insert(QStringLiteral("tx_bytes"), Bytes(slot.Current.tx));
            found.append(o);
        }
        const QDateTime boot = c.core().line.boot.BootTime();
        c.printJson({{QStringLiteral("time"), Clock::now().toString(Qt::ISODate)},
                     {QStringLiteral("boot_time"), boot.isValid() ? QJsonValue(boot.toString(Qt::ISODate)) : QJsonValue()},
                     {QStringLiteral("interfaces"), found}});
        return CliExit::Ok;
    }
    const QString text = SlotCountersText(counters, ids);
    if (text.isEmpty())
        c.err() << "None of the interfaces " << QStringList(ids.begin(), ids.end()).join(QLatin1Char(' '))
                << " is in the router's list." << Qt::endl;
    else
        c.out() << Lines(text) << "\n";
    return CliExit::Ok;
}

// Text: the block, none while the readings only set baselines. JSON: an
// object per reading, so that a reader sees the baselines being set.
void PrintMeasured(CliContext &c, const BandwidthMonitor &bw)
{
    if (!c.json()) {
        if (!bw.lastBlock().isEmpty())
            c.out() << Lines(bw.lastBlock()) << "\n";
        return;
    }
    const auto ids = c.settings().bandwidth.ids;
    const Measurement &m = bw.lastMeasurement();
    QJsonArray found;
    QJsonArray baselines;
    for (int s = 0; s < InterfaceSlots; ++s) {
        if (m.firstCounters[size_t(s)])
            baselines.append(QLatin1String(SlotLabels[size_t(s)]));
        if (!m.hasData[size_t(s)])
            continue;
        const InterfaceCounters &slot = bw.counters().slot(s);
        QJsonObject o = SlotJson(s, ids[size_t(s)]);
        o.insert(QStringLiteral("rx_bytes"), Bytes(slot.Delta.rx));
        o.insert(QStringLiteral("tx_bytes"), Bytes(slot.Delta.tx));
        o.insert(QStringLiteral("seconds"), slot.DeltaSecs > 0 ? QJsonValue(slot.DeltaSecs) : QJsonValue());
        o.insert(QStringLiteral("rx_total_bytes"), Bytes(slot.RunTotal.rx));
        o.insert(QStringLiteral("tx_total_bytes"), Bytes(slot.RunTotal.tx));
        found.append(o);
    }
    c.printJson({{QStringLiteral("time"), Clock::now().toString(Qt::ISODate)},
                 {QStringLiteral("rebooted"), m.rebooted},
                 {QStringLiteral("baselines_set"), baselines},
                 {QStringLiteral("interfaces"), found},
                 {QStringLiteral("log_block"), JsonText(Lines(bw.lastBlock()))}});
}

// Monitored readings as the window's logging takes them: the same log file,
// the same period records, saved when the run ends.
int Watch(CliContext &c, int count)
{
    if (!c.folderWritable())
        return c.fail(CliExit::File, QStringLiteral("The folder %1 cannot be written.").arg(AppPaths::appDir()));
    if (const QString missing = MissingLoginMessage(c.settings().login); !missing.isEmpty())
        return c.fail(CliExit::Failure, missing);
    SessionCore &core = c.core();
    BandwidthMonitor &bw = core.bandwidth;
    bw.loadRecords();
    int ended = 0;
    int failed = 0;
    QObject::connect(&bw, &BandwidthMonitor::readingTaken, [&](bool monitored) {
        if (!monitored)
            return;
        ++ended;
        PrintMeasured(c, bw);
    });
    QObject::connect(&bw, &BandwidthMonitor::readingFailed, [&](const JobFailure &f, bool monitored) {
        if (!monitored)
            return;
        ++ended;
        ++failed;
        c.err() << f.sentence << Qt::endl;
    });
    bw.start(true);
    // Without --count: until a signal, or for --timeout seconds when given.
    const bool counted = c.waitFor([&] { return count > 0 && ended >= count; }, c.options().timeoutGiven);
    bw.stop();
    // A reading under way is let finish, briefly, so its block is not lost.
    c.drain([&] { return core.session.isIdle(); }, 10000);
    core.session.shutDown();
    if (!bw.closeRecords())
        return CliExit::File; // the reason is on standard error already
    if (count > 0 && !counted)
        return c.waitFailed();
    return failed > 0 ? CliExit::Failure : CliExit::Ok;
}

int RunBandwidth(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {QStringLiteral("--watch"), QStringLiteral("--count")}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const bool watch = a.hasValue(QStringLiteral("--watch"));
    const bool counted = a.hasValue(QStringLiteral("--count"));
    if (!watch && !counted)
        return ReadOnce(c);
    if (watch) {
        const auto secs = WholeArg(a.value(QStringLiteral("--watch")), 86400);
        if (!secs)
            return c.usage(QStringLiteral("--watch takes a number of seconds from 1 to 86400"));
        // The interval is read where the window reads its box.
        c.values().setValue(QStringLiteral("txtBWInt"), QString::number(*secs));
    }
    int count = 0;
    if (counted) {
        const auto n = WholeArg(a.value(QStringLiteral("--count")), std::numeric_limits<int>::max());
        if (!n)
            return c.usage(QStringLiteral("--count takes a number of readings from 1"));
        count = *n;
    }
    return Watch(c, count);
}

int RunTotals(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {QStringLiteral("--monthly")}, {}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const QFileInfo file(AppPaths::file(QString::fromLatin1(SnapshotFileName)));
    if (file.exists() && !file.isReadable())
        return c.fail(CliExit::File, QStringLiteral("The bandwidth records %1 cannot be read.").arg(file.filePath()));
    BandwidthMonitor &bw = c.core().bandwidth;
    bw.loadRecords();
    const BandwidthSnapshots &records = bw.records();
    const bool monthly = a.has(QStringLiteral("--monthly"));
    if (!c.json()) {
        c.out() << Lines(monthly ? MonthlyTotals(records) : PeriodSummary(records)) << "\n";
        return CliExit::Ok;
    }
    if (monthly) {
        QJsonArray months{QJsonObject{{QStringLiteral("month"), GetDateLabel(Clock::now(), 4)},
                                      {QStringLiteral("totals"), RecordJson(records.ThisMonth())}}};
        for (const BandwidthSnapshots::MonthRecord &m : records.PreviousMonths())
            months.append(QJsonObject{{QStringLiteral("month"), m.label}, {QStringLiteral("totals"), RecordJson(m.record)}});
        c.printJson({{QStringLiteral("months"), months}});
        return CliExit::Ok;
    }
    c.printJson({{QStringLiteral("hour"), RecordJson(records.LastHour())},
                 {QStringLiteral("day"), RecordJson(records.Today())},
                 {QStringLiteral("week"), RecordJson(records.ThisWeek())},
                 {QStringLiteral("month"), RecordJson(records.ThisMonth())}});
    return CliExit::Ok;
}

} // namespace

CliCommand bandwidthCommand()
{
    return {QStringLiteral("bandwidth"), QStringLiteral("bandwidth [--watch SECONDS] [--count N]"),
            QStringLiteral("Reads the router's interface byte counters for the four interfaces of the\n"
                           "Bandwidth settings. Alone: one reading, a line per interface found (slot,\n"
                           "interface, received and sent bytes, TAB-separated).\n"
                           "--watch SECONDS takes a reading at once and then one every SECONDS (without it:\n"
                           "the settings' interval) as the window's logging does, until N readings with\n"
                           "--count N, else until SIGTERM or SIGINT (or --timeout seconds). The first\n"
                           "reading only sets the baselines; after each later one the block \"bandwidth.txt\"\n"
                           "gets is printed (and appended to it when \"Save log\" is ticked), and the period\n"
                           "records \"bwtotals.txt\" are updated and saved at the end. Exits 1 when a reading\n"
                           "failed. --json: the counters; or an object per reading with the slots whose\n"
                           "baseline it set, and per interface measured the bytes moved, the seconds and\n"
                           "the run totals, and the block."),
            RunBandwidth};
}

CliCommand totalsCommand()
{
    return {QStringLiteral("totals"), QStringLiteral("totals [--monthly]"),
            QStringLiteral("The period records of \"bwtotals.txt\": the hour, day, week and month rows of\n"
                           "the Bandwidth tab's totals, or with --monthly the month list, the current month\n"
                           "first. --json: bytes received and sent per slot and period."),
            RunTotals};
}

} // namespace quillon
