// Commands that read the router: info, stats, tones.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "app/cli/cliroutercommon.h"
#include "base/settingstable.h"
#include "graphs/core/bitsfetch.h"
#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"
#include "stats/core/statslog.h"

#include <QJsonArray>

#include <memory>

namespace quillon {

namespace {

// "24472 kbps" and the like in kbit/s; null when it is not a rate.
QJsonValue RateKbps(const QString &text)
{
    const QStringList parts = text.simplified().split(QLatin1Char(' '));
    bool ok = false;
    const double v = parts.value(0).toDouble(&ok);
    if (!ok)
        return QJsonValue::Null;
    const QString unit = parts.value(1).toLower();
    if (unit.isEmpty() || unit == QLatin1String("kbps"))
        return v;
    if (unit == QLatin1String("bps"))
        return v / 1000.0;
    if (unit == QLatin1String("mbps"))
        return v * 1000.0;
    return QJsonValue::Null;
}

QJsonArray Lines(const QString &text)
{
    QJsonArray lines;
    for (const QString &line : QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines.append(line);
    }
    return lines;
}

int RunInfo(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    SessionCore &core = c.core();
    bool finished = false;
    std::unique_ptr<JobFailure> failure;
    QObject::connect(&core.fetch, &RouterInfoFetch::finished, [&] { finished = true; });
    QObject::connect(&core.fetch, &RouterInfoFetch::failed,
                     [&](const JobFailure &f) { failure = std::make_unique<JobFailure>(f); });
    switch (core.fetch.start()) {
    case RouterInfoFetch::StartResult::Started:
        break;
    case RouterInfoFetch::StartResult::MissingLogin:
        return c.fail(CliExit::Failure, MissingLoginMessage(c.settings().login));
    case RouterInfoFetch::StartResult::RouterNotAnswering:
        return c.fail(CliExit::Failure, QStringLiteral("Router is not responding on the given IP address."));
    case RouterInfoFetch::StartResult::AlreadyRunning:
        return c.fail(CliExit::Failure, QStringLiteral("A fetch is already running."));
    }
    if (!c.waitFor([&] { return finished || failure; }))
        return c.waitFailed();
    if (failure)
        return c.fail(CliExit::Failure, failure->sentence);

    const QStringList report = core.fetch.reportLines();
    if (!c.json()) {
        c.out() << QString(report.join(QLatin1Char('\n'))).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << "\n";
        return CliExit::Ok;
    }
    const LineState &line = core.line;
    QJsonObject o = StatsJson(line.lastStats, core.fetch.labels());
    o.insert(QStringLiteral("last_boot"), JsonText(BootTimeText(line.boot.BootTime())));
    o.insert(QStringLiteral("version"), Lines(line.versionText));
    QString analysis;
    AnalyseBits(line.tones, analysis, 0, wholeSetting(QStringLiteral("txtDSStart"), c.settings().dsStartBit));
    AnalysePsdsSNR(line.tones, analysis, 0);
    o.insert(QStringLiteral("analysis"), Lines(analysis));
    c.printJson(o);
    return CliExit::Ok;
}

int RunStats(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    ModemStats stats;
    const int status = RunRouterJob(c, JobKind::Stats, [](const SessionSettings &s) { return GetStatsScript(s.login); },
                                    [&](const TelnetCommands &commands) { stats = ProcessModemStats(commands); });
    if (status != CliExit::Ok)
        return status;
    const StatsLogEntry entry = StatsLogEntryFor(stats, QString(), 0, false);
    if (!c.json()) {
        c.out() << StatsTextLine(entry) << "\n";
        return CliExit::Ok;
    }
    const LineState &line = c.core().line;
    QJsonObject o = StatsJson(stats, StatsLabels(stats, line.vendors, line.boot.BootTime()));
    o.insert(QStringLiteral("time"), entry.when.toString(Qt::ISODate));
    c.printJson(o);
    return CliExit::Ok;
}

// The value of tone `tone` in a table, or empty.
QString ToneText(const ToneTable &table, int tone)
{
    // Entries hold tone N under Index N + 1, in order, unless a reply skipped some.
    if (tone < table.size() && table[tone].Index == tone + 1)
        return QString::number(table[tone].Value);
    for (const ToneValue &v : table) {
        if (v.Index == tone + 1)
            return QString::number(v.Value);
    }
    return {};
}

QString PsdText(const QList<PsdPoint> &points, int tone)
{
    return tone < points.size() ? QString::number(points[tone].Db, 'g', 7) : QString();
}

int RunTones(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {QStringLiteral("--csv")}, {}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    ToneTables tables;
    const int status = RunRouterJob(c, JobKind::Bits, [](const SessionSettings &s) { return GetBits(s.login); },
                                    [&](const TelnetCommands &commands) { ProcessBits(commands, tables); });
    if (status != CliExit::Ok)
        return status;
    qsizetype tones = std::max(tables.SnrPsd.size(), tables.QlnPsd.size());
    for (const ToneTable *t : {&tables.DSBits, &tables.RxSnr[0].Values, &tables.RxSnr[1].Values, &tables.RxSnr[2].Values})
        if (!t->isEmpty() && t->first().Index > 0)
            tones = std::max(tones, t->size());
    const QStringList header{QStringLiteral("tone"), QStringLiteral("bits"), QStringLiteral("snr_bin0_db"),
                             QStringLiteral("snr_bin1_db"), QStringLiteral("snr_bin2_db"), QStringLiteral("snr_psd_db"),
                             QStringLiteral("qln_psd_db")};
    QList<QStringList> rows;
    for (int tone = 0; tone < tones; ++tone)
        rows.append({QString::number(tone), ToneText(tables.DSBits, tone), ToneText(tables.RxSnr[0].Values, tone),
                     ToneText(tables.RxSnr[1].Values, tone), ToneText(tables.RxSnr[2].Values, tone),
                     PsdText(tables.SnrPsd, tone), PsdText(tables.QlnPsd, tone)});
    if (c.json()) {
        QJsonObject o;
        for (qsizetype col = 1; col < header.size(); ++col) {
            QJsonArray values;
            for (const QStringList &row : rows)
                values.append(JsonNumber(row[col]));
            o.insert(header[col], values);
        }
        c.printJson(o);
        return CliExit::Ok;
    }
    const QChar separator = a.has(QStringLiteral("--csv")) ? QLatin1Char(',') : QLatin1Char('\t');
    c.out() << header.join(separator) << "\n";
    for (const QStringList &row : rows)
        c.out() << row.join(separator) << "\n";
    return CliExit::Ok;
}

} // namespace

int RunRouterJob(CliContext &c, JobKind kind, const std::function<QString(const SessionSettings &)> &script,
                 const std::function<void(const TelnetCommands &)> &done)
{
    SessionCore &core = c.core();
    const SessionSettings settings = c.settings();
    if (const QString missing = MissingLoginMessage(settings.login); !missing.isEmpty())
        return c.fail(CliExit::Failure, missing);
    bool ended = false;
    std::unique_ptr<JobFailure> failure;
    RouterJob job;
    job.kind = kind;
    job.start = [&c, script] { return script(c.settings()); };
    job.done = [&](const TelnetCommands &commands) {
        done(commands);
        ended = true;
    };
    job.failed = [&](const JobFailure &f) {
        failure = std::make_unique<JobFailure>(f);
        ended = true;
    };
    core.session.enqueue(std::move(job));
    if (!c.waitFor([&] { return ended; })) {
        core.session.shutDown();
        return c.waitFailed();
    }
    return failure ? c.fail(CliExit::Failure, failure->sentence) : CliExit::Ok;
}

QJsonObject StatsJson(const ModemStats &s, const ModemStatsLabels &l)
{
    QJsonObject o;
    o.insert(QStringLiteral("ds_rate_kbps"), JsonNumber(s.dsRate));
    o.insert(QStringLiteral("us_rate_kbps"), JsonNumber(s.usRate));
    o.insert(QStringLiteral("ds_max_rate_kbps"), RateKbps(s.dsMaxRate));
    o.insert(QStringLiteral("us_max_rate_kbps"), RateKbps(s.usMaxRate));
    o.insert(QStringLiteral("ds_margin_db"), JsonNumber(s.dsMargin));
    o.insert(QStringLiteral("us_margin_db"), JsonNumber(s.usMargin));
    o.insert(QStringLiteral("ds_attenuation_db"), JsonNumber(s.dsAttenuation));
    o.insert(QStringLiteral("us_attenuation_db"), JsonNumber(s.usAttenuation));
    o.insert(QStringLiteral("ds_power_db"), JsonNumber(s.dsPower));
    o.insert(QStringLiteral("us_power_db"), JsonNumber(s.usPower));
    o.insert(QStringLiteral("mode"), JsonText(s.mode));
    o.insert(QStringLiteral("path"), JsonText(s.path));
    o.insert(QStringLiteral("vendor_code"), JsonText(s.vendorCode));
    o.insert(QStringLiteral("vendor_revision"), JsonText(s.vendorRevision));
    QJsonObject labels;
    labels.insert(QStringLiteral("lblLastBoot"), l.lastBoot);
    labels.insert(QStringLiteral("lblDownRate"), l.downRate);
    labels.insert(QStringLiteral("lblUpRate"), l.upRate);
    labels.insert(QStringLiteral("lblMaxDownRate"), l.maxDownRate);
    labels.insert(QStringLiteral("lblMaxUpRate"), l.maxUpRate);
    labels.insert(QStringLiteral("lblDownSNR"), l.downSNR);
    labels.insert(QStringLiteral("lblUpSNR"), l.upSNR);
    labels.insert(QStringLiteral("lblDownAtt"), l.downAtt);
    labels.insert(QStringLiteral("lblUpAtt"), l.upAtt);
    labels.insert(QStringLiteral("lblVendor"), l.vendor);
    labels.insert(QStringLiteral("lblDownPower"), l.downPower);
    labels.insert(QStringLiteral("lblUpPower"), l.upPower);
    labels.insert(QStringLiteral("lblMode"), l.mode);
    o.insert(QStringLiteral("labels"), labels);
    return o;
}

CliCommand infoCommand()
{
    return {QStringLiteral("info"), QStringLiteral("info"),
            QStringLiteral("Get Router Info: reads the version, the tone tables and the statistics and prints\n"
                           "the Report tab's text. --json: the Stats tab's values as numbers (null when\n"
                           "unknown) with its texts under \"labels\", \"last_boot\", the \"version\" lines\n"
                           "and the gap \"analysis\" lines."),
            RunInfo};
}

CliCommand statsCommand()
{
    return {QStringLiteral("stats"), QStringLiteral("stats"),
            QStringLiteral("One statistics reading: prints the line \"stats.txt\" would get (no ping state:\n"
                           "the reading was not taken by the monitor). --json: the values."),
            RunStats};
}

CliCommand tonesCommand()
{
    return {QStringLiteral("tones"), QStringLiteral("tones [--csv]"),
            QStringLiteral("Reads the tone tables: per tone the bits, the SNR of bins 0-2, and the SNR and\n"
                           "QLN power spectra in dB, with a header row; TAB-separated, comma-separated\n"
                           "with --csv. --json: one array per column, null where a tone has no value."),
            RunTones};
}

} // namespace quillon
