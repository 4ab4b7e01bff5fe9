// monitor: the monitoring cycle as the window runs it, until a signal ends it,
// with an optional metrics page for a monitoring system.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "app/cli/cliroutercommon.h"
#include "app/cli/metricsserver.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "history/core/historyrecorder.h"
#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"

#include <QJsonObject>

#include <cmath>

namespace quillon {

namespace {

// What the metrics page reports, kept up to date from the core's signals.
struct MonitorFigures
{
    bool haveReading{false};
    ModemStats stats;
    bool pinged{false};
    bool pingUp{false};
    qint32 lastRtt{0};
    quint64 pingFailures{0};
    quint64 watchdogReboots{0};
    // Error counts and resyncs of the readings since the monitor started.
    std::array<quint64, HistoryCountCount> errors{};
    quint64 resyncs{0};

    void add(const HistoryReading &reading, const QList<HistoryEvent> &events)
    {
        for (int i = 0; i < HistoryCountCount; ++i)
            errors[size_t(i)] += quint64(std::max<qint64>(0, reading.counts[size_t(i)]));
        for (const HistoryEvent &e : events)
            resyncs += e.kind == HistoryEventKind::Resync ? 1 : 0;
    }
    double error(HistoryCount c) const { return double(errors[size_t(c)]); }
};

// One metric family in the text exposition format.
class MetricsPage
{
public:
    void family(const char *name, const char *type, const char *help)
    {
        m_current = QString::fromLatin1(name);
        m_text += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n").arg(m_current, QLatin1String(help), QLatin1String(type));
    }
    void sample(double value, const QString &labels = {})
    {
        if (!std::isfinite(value))
            return;
        m_text += m_current + (labels.isEmpty() ? QString() : QLatin1Char('{') + labels + QLatin1Char('}'))
            + QLatin1Char(' ') + QString::number(value, 'g', 15) + QLatin1Char('\n');
    }
    void sampleText(const QString &text, const QString &labels = {})
    {
        const QJsonValue v = JsonNumber(text);
        if (v.isDouble())
            sample(v.toDouble(), labels);
    }
    void directions(const QString &down, const QString &up)
    {
        sampleText(down, QStringLiteral("direction=\"down\""));
        sampleText(up, QStringLiteral("direction=\"up\""));
    }
    void directions(double down, double up)
    {
        sample(down, QStringLiteral("direction=\"down\""));
        sample(up, QStringLiteral("direction=\"up\""));
    }
    QString text() const { return m_text; }

private:
    QString m_text;
    QString m_current;
};

QString LabelValue(QString text)
{
    return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

// The bandwidth readings' run totals: counter wraps and restarts are already
// taken out, so the series only ever grows.
void InterfaceBytes(MetricsPage &p, const SessionCore &core)
{
    const auto ids = core.settings().bandwidth.ids;
    bool family = false;
    for (int s = 0; s < InterfaceSlots; ++s) {
        const InterfaceCounters &slot = core.bandwidth.counters().slot(s);
        if (!slot.Previous || ids[size_t(s)].isEmpty())
            continue;
        if (!family)
            p.family("quillon_interface_bytes_total", "counter",
                     "Bytes through a router interface since the monitor started.");
        family = true;
        const QString name = QStringLiteral("interface=\"%1\",direction=").arg(LabelValue(ids[size_t(s)]));
        p.sample(double(slot.RunTotal.rx), name + QStringLiteral("\"rx\""));
        p.sample(double(slot.RunTotal.tx), name + QStringLiteral("\"tx\""));
    }
}

QString MetricsText(const MonitorFigures &f, const SessionCore &core)
{
    MetricsPage p;
    const ModemStats &s = f.stats;
    if (f.haveReading) {
        p.family("quillon_dsl_rate_kbps", "gauge", "Line rate in kbit/s.");
        p.directions(s.dsRate, s.usRate);
        p.family("quillon_dsl_max_rate_kbps", "gauge", "Maximum attainable rate in kbit/s.");
        p.directions(s.dsMaxRate.section(QLatin1Char(' '), 0, 0), s.usMaxRate.section(QLatin1Char(' '), 0, 0));
        p.family("quillon_dsl_snr_margin_db", "gauge", "Noise margin in dB.");
        p.directions(s.dsMargin, s.usMargin);
        p.family("quillon_dsl_attenuation_db", "gauge", "Line attenuation in dB.");
        p.directions(s.dsAttenuation, s.usAttenuation);
        p.family("quillon_dsl_transmit_power_db", "gauge", "Transmit power in dB.");
        p.directions(s.dsPower, s.usPower);
        p.family("quillon_dsl_line_up", "gauge", "1 when the line is trained (has a downstream rate), else 0.");
        p.sample(JsonNumber(s.dsRate).toDouble() > 0 ? 1 : 0);
    }
    if (f.pinged) {
        p.family("quillon_ping_up", "gauge", "1 when the last monitoring ping was answered, else 0.");
        p.sample(f.pingUp ? 1 : 0);
        p.family("quillon_ping_rtt_seconds", "gauge", "Round trip of the last answered monitoring ping.");
        p.sample(f.lastRtt / 1000.0);
    }
    p.family("quillon_ping_failures_total", "counter", "Monitoring pings that got no answer.");
    p.sample(double(f.pingFailures));
    const QDateTime boot = core.line.boot.BootTime();
    if (boot.isValid()) {
        p.family("quillon_router_uptime_seconds", "gauge", "Seconds since the router's last boot.");
        p.sample(double(boot.secsTo(Clock::now())));
    }
    p.family("quillon_watchdog_reboots_total", "counter", "Router reboots started by the failed-ping watchdog.");
    p.sample(double(f.watchdogReboots));
    InterfaceBytes(p, core);
    p.family("quillon_dsl_crc_total", "counter", "CRC errors of both paths counted since the monitor started.");
    p.directions(f.error(HistoryCount::DsCrc), f.error(HistoryCount::UsCrc));
    p.family("quillon_dsl_fec_total", "counter", "Blocks corrected by FEC since the monitor started.");
    p.directions(f.error(HistoryCount::DsFec), f.error(HistoryCount::UsFec));
    p.family("quillon_dsl_hec_total", "counter", "HEC errors since the monitor started.");
    p.directions(f.error(HistoryCount::DsHec), f.error(HistoryCount::UsHec));
    const std::pair<const char *, HistoryCount> lineCounts[] = {
        {"quillon_dsl_errored_seconds_total", HistoryCount::ErroredSecs},
        {"quillon_dsl_severely_errored_seconds_total", HistoryCount::SeverelyErroredSecs},
        {"quillon_dsl_los_total", HistoryCount::Los},
        {"quillon_dsl_sef_total", HistoryCount::Sef},
        {"quillon_dsl_init_errors_total", HistoryCount::InitErrors},
    };
    for (const auto &[name, count] : lineCounts) {
        p.family(name, "counter", "Counted by the modem since the monitor started.");
        p.sample(f.error(count));
    }
    p.family("quillon_dsl_resyncs_total", "counter", "Times the line trained again since the monitor started.");
    p.sample(double(f.resyncs));
    p.family("quillon_readings_total", "counter", "Statistics readings taken and logged.");
    p.sample(double(core.monitor.readingsTaken()));
    p.family("quillon_readings_failed_total", "counter", "Statistics readings that failed.");
    p.sample(double(core.monitor.readingsFailed()));
    return p.text();
}

// The router's boot time, for the uptime metric and the reading's labels.
void ReadBootTime(SessionCore &core, CliContext &c)
{
    auto asked = std::make_shared<QDateTime>();
    RouterJob job;
    job.kind = JobKind::Version;
    job.start = [&c, asked] {
        *asked = Clock::now();
        const RouterLogin login = c.settings().login;
        return MissingLoginMessage(login).isEmpty() ? GetRouterVersionScript(login) : QString();
    };
    job.done = [&core, asked](const TelnetCommands &commands) {
        const RouterVersion version = ProcessVersion(commands);
        core.line.boot.FindBootTime(version.uptime, *asked);
        core.line.versionText = version.versionText;
    };
    job.failed = [&c](const JobFailure &failure) { c.err() << failure.sentence << Qt::endl; };
    core.session.enqueue(std::move(job));
}

int RunMonitor(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {QStringLiteral("--metrics")}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    if (!c.folderWritable())
        return c.fail(CliExit::File, QStringLiteral("The folder %1 cannot be written.").arg(AppPaths::appDir()));
    if (const QString missing = MissingLoginMessage(c.settings().login); !missing.isEmpty())
        return c.fail(CliExit::Failure, missing);

    SessionCore &core = c.core();
    core.line.snrHistory.LoadSNRFromFile();
    MonitorFigures figures;
    MetricsServer metrics([&] { return MetricsText(figures, core); });
    if (a.hasValue(QStringLiteral("--metrics"))) {
        QString error;
        if (!metrics.listen(a.value(QStringLiteral("--metrics")), error))
            return c.fail(CliExit::Failure, error);
        c.err() << "Metrics on http://" << metrics.address().toString() << ":" << metrics.port() << "/metrics" << Qt::endl;
    }

    QObject::connect(&core.monitor, &MonitoringCycle::pinged, [&](const PingTick &tick) {
        if (!tick.pinged)
            return;
        figures.pinged = true;
        figures.pingUp = tick.answered;
        if (tick.answered)
            figures.lastRtt = core.monitor.pinger().LastRTT();
        else
            ++figures.pingFailures;
        if (tick.reboot)
            ++figures.watchdogReboots;
    });
    QObject::connect(&core.monitor, &MonitoringCycle::readingTaken, [&](const ModemStats &stats, const QString &line) {
        figures.haveReading = true;
        figures.stats = stats;
        if (!c.json()) {
            c.out() << line << Qt::endl;
            return;
        }
        QJsonObject o = StatsJson(stats, StatsLabels(stats, core.line.vendors, core.line.boot.BootTime()));
        o.insert(QStringLiteral("time"), Clock::now().toString(Qt::ISODate));
        o.insert(QStringLiteral("ping_state"), JsonText(core.monitor.pinger().PingState()));
        o.insert(QStringLiteral("last_rtt_ms"), core.monitor.pinger().LastRTT());
        o.insert(QStringLiteral("log_line"), line);
        c.printJson(o);
    });
    QObject::connect(&core.history, &HistoryRecorder::readingNoted, [&](const HistoryReading &r, const QList<HistoryEvent> &e) {
        figures.add(r, e);
    });
    const auto status = [&c](const QString &text) { c.err() << text << Qt::endl; };
    QObject::connect(&core.history, &HistoryRecorder::problemChanged, [&](const QString &text) {
        if (!text.isEmpty())
            status(text);
    });
    QObject::connect(&core.monitor, &MonitoringCycle::readingFailed, [&](const JobFailure &f) { status(f.sentence); });
    QObject::connect(&core.monitor, &MonitoringCycle::statusChanged, status);
    QObject::connect(&core.reboot, &RouterReboot::statusChanged, status);
    QObject::connect(&core.bandwidth, &BandwidthMonitor::readingFailed, [&](const JobFailure &f) { status(f.sentence); });

    // The metrics page's interface bytes come from the bandwidth readings,
    // taken as the window's bandwidth logging takes them.
    const bool bandwidth = a.hasValue(QStringLiteral("--metrics"));
    if (bandwidth)
        core.bandwidth.loadRecords();
    ReadBootTime(core, c);
    core.monitor.start();
    if (bandwidth)
        core.bandwidth.start(true);
    // Runs until a signal, or for --timeout seconds when given.
    c.waitFor([] { return false; }, c.options().timeoutGiven);
    core.monitor.stop();
    core.bandwidth.stop();
    // A reading under way is let finish, briefly, so its line is not lost.
    c.drain([&] { return core.session.isIdle() || core.reboot.active(); }, 10000);
    core.session.shutDown();
    if (!core.line.snrHistory.SaveSNRToFile())
        return c.fail(CliExit::File, QStringLiteral("The margin history could not be saved in %1.").arg(AppPaths::appDir()));
    if (bandwidth && !core.bandwidth.closeRecords())
        return CliExit::File;
    return CliExit::Ok;
}

} // namespace

CliCommand monitorCommand()
{
    return {QStringLiteral("monitor"), QStringLiteral("monitor [--metrics ADDRESS:PORT]"),
            QStringLiteral("The monitoring cycle as the window runs it with the settings of the program\n"
                           "folder: the ping and its watchdog, the reboot watch, periodic and state-change\n"
                           "statistics readings written to \"stats.txt\" and \"stats.csv\", the margin\n"
                           "history, and the line history (\"history.db\", read by the history command).\n"
                           "Each reading's line goes to standard output (--json: one object per line),\n"
                           "everything else to standard error. Runs until SIGTERM or SIGINT (or for\n"
                           "--timeout seconds) and exits 0 with every file complete.\n"
                           "--metrics ADDRESS:PORT serves GET /metrics in the Prometheus text format (a\n"
                           "port alone listens on loopback): line rates, maximum rates, margins,\n"
                           "attenuation and power per direction, line state, ping state, round trip and\n"
                           "failures, router uptime, watchdog reboots, readings and failed readings;\n"
                           "as counters since the start the modem's errors (CRC, FEC and HEC per\n"
                           "direction, errored and severely errored seconds, LOS, SEF, init errors) and\n"
                           "the resyncs; and the bytes through each interface of the Bandwidth settings\n"
                           "(the bandwidth readings then run at the Bandwidth interval, logged and\n"
                           "totalled as the window's bandwidth logging does)."),
            RunMonitor};
}

} // namespace quillon
