// Commands that read and write the router's configuration: features,
// threshold, syslog.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "app/cli/cliroutercommon.h"
#include "config/core/configcli.h"
#include "config/core/dslfeatures.h"
#include "config/core/routertweaks.h"
#include "config/core/systemlogcycle.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"

#include <QJsonArray>

#include <memory>

namespace quillon {

namespace {

const QString kSet = QStringLiteral("--set");
const QString kClear = QStringLiteral("--clear");
const QString kSave = QStringLiteral("--save");

// The five values alone, through the same job as the window's read.
int ReadTweaks(CliContext &c, ThresholdReading &reading)
{
    SessionCore &core = c.core();
    bool ended = false;
    std::unique_ptr<JobFailure> failure;
    const QObject scope; // the connections end with this function
    QObject::connect(&core.tweaks, &RouterTweaks::thresholdRead, &scope, [&](const ThresholdReading &r) {
        reading = r;
        ended = true;
    });
    QObject::connect(&core.tweaks, &RouterTweaks::readFailed, &scope, [&](const JobFailure &f) {
        failure = std::make_unique<JobFailure>(f);
        ended = true;
    });
    core.tweaks.read();
    if (!c.waitFor([&] { return ended; })) {
        core.session.shutDown();
        return c.waitFailed();
    }
    return failure ? c.fail(CliExit::Failure, failure->sentence) : CliExit::Ok;
}

// Waits for a write started on the tweaks and its read-back to end.
int AwaitWrite(CliContext &c, RouterTweaks::WriteStart start)
{
    SessionCore &core = c.core();
    switch (start) {
    case RouterTweaks::WriteStart::Started:
        break;
    case RouterTweaks::WriteStart::MissingLogin:
        return c.fail(CliExit::Failure, MissingLoginMessage(c.settings().login));
    case RouterTweaks::WriteStart::Busy:
        return c.fail(CliExit::Failure, QStringLiteral("A write to the router is already running."));
    case RouterTweaks::WriteStart::WordsNotRead:
        return c.fail(CliExit::Failure,
                      QStringLiteral("The DSL Feature Control settings could not all be read from the router: "
                                     "settings that were never read could not be kept."));
    }
    if (!c.waitFor([&] { return !core.tweaks.checking(); })) {
        core.session.shutDown();
        return c.waitFailed();
    }
    return CliExit::Ok;
}

QJsonObject FeaturesJson(const ThresholdReading &reading, const FeatureBlocks &blocks)
{
    QJsonArray words;
    for (int i = 0; i < FeatureWordCount; ++i) {
        const EnvValue &value = reading.words[size_t(i)];
        const std::optional<quint32> word = reading.word(i);
        QJsonObject o;
        o.insert(QStringLiteral("name"), FeatureWordName(i));
        o.insert(QStringLiteral("word"), word ? QJsonValue(FormatFeatureWord(*word)) : QJsonValue());
        o.insert(QStringLiteral("state"), word ? QStringLiteral("set")
                                          : value.state == EnvValue::State::Unset ? QStringLiteral("not set")
                                                                                  : QStringLiteral("unknown"));
        QJsonArray bits;
        for (const DSLFeature &feature : blocks[size_t(i)].features) {
            if (word && (*word & (quint32(1) << feature.Bit)))
                bits.append(QJsonObject{{QStringLiteral("bit"), feature.Bit}, {QStringLiteral("text"), feature.ShortDes}});
        }
        o.insert(QStringLiteral("bits"), bits);
        words.append(o);
    }
    return {{QStringLiteral("words"), words}};
}

int RunFeatures(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {kSet}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    FeatureSetRequest request;
    if (a.hasValue(kSet)) {
        request = ParseFeatureSet(a.value(kSet));
        if (!request.error.isEmpty())
            return c.usage(request.error);
    }
    ThresholdReading reading;
    if (const int status = ReadTweaks(c, reading); status != CliExit::Ok)
        return status;
    const FeatureBlocks blocks = LoadDSLFeatureInfo();

    bool written = true;
    if (a.hasValue(kSet)) {
        SessionCore &core = c.core();
        const FeatureWordSet words = FeatureWordsToWrite(request.words, core.line.featureWords, blocks);
        for (int i = 0; i < FeatureWordCount; ++i) {
            const std::optional<quint32> &given = request.words[size_t(i)];
            const std::optional<quint32> &write = words[size_t(i)];
            if (given && write && *given != *write)
                c.err() << FeatureWordName(i) << ": bits \"dslfeatures.txt\" does not list were kept as read; writing "
                        << FormatFeatureWord(*write) << "\n";
        }
        std::unique_ptr<JobFailure> failure;
        const QObject scope;
        QObject::connect(&core.tweaks, &RouterTweaks::featuresWritten, &scope, [&](bool ok) { written = ok; });
        QObject::connect(&core.tweaks, &RouterTweaks::writeFailed, &scope,
                         [&](const JobFailure &f) { failure = std::make_unique<JobFailure>(f); });
        if (const int status = AwaitWrite(c, core.tweaks.writeFeatures(words)); status != CliExit::Ok)
            return status;
        if (failure)
            return c.fail(CliExit::Failure, failure->sentence);
        reading = core.line.threshold;
    }

    if (c.json()) {
        QJsonObject o = FeaturesJson(reading, blocks);
        if (a.hasValue(kSet))
            o.insert(QStringLiteral("written"), written);
        c.printJson(o);
    } else {
        c.out() << FeaturesText(reading, blocks);
    }
    if (!written)
        return c.fail(CliExit::Failure, QStringLiteral("Could not save DSL Feature Control settings to router. "
                                                       "The values read back from the router differ from those written."));
    if (a.hasValue(kSet))
        c.err() << "DSL Feature Control has been set. The router needs to be rebooted before the new settings are used.\n";
    return CliExit::Ok;
}

int RunThreshold(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {kClear}, {kSet}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const bool clear = a.has(kClear);
    const bool set = a.hasValue(kSet);
    if (clear && set)
        return c.usage(QStringLiteral("--set and --clear exclude each other"));
    const std::optional<int> steps = set ? ThresholdStepsFor(a.value(kSet)) : std::nullopt;
    if (set && !steps)
        return c.usage(QStringLiteral("--set takes decibels from 0.5 to 10.0 in half steps"));

    SessionCore &core = c.core();
    bool written = true;
    ThresholdReading reading;
    if (clear || set) {
        std::unique_ptr<JobFailure> failure;
        const QObject scope;
        QObject::connect(&core.tweaks, &RouterTweaks::thresholdWritten, &scope, [&](bool ok, bool) { written = ok; });
        QObject::connect(&core.tweaks, &RouterTweaks::writeFailed, &scope,
                         [&](const JobFailure &f) { failure = std::make_unique<JobFailure>(f); });
        if (const int status = AwaitWrite(c, core.tweaks.writeThreshold(clear, steps.value_or(0)));
            status != CliExit::Ok)
            return status;
        if (failure)
            return c.fail(CliExit::Failure, failure->sentence);
        reading = core.line.threshold;
    } else if (const int status = ReadTweaks(c, reading); status != CliExit::Ok) {
        return status;
    }

    // The caption ends in the current margin, as the Stats tab shows it.
    ModemStats stats;
    if (const int status = RunRouterJob(c, JobKind::Stats, [](const SessionSettings &s) { return GetStatsScript(s.login); },
                                        [&](const TelnetCommands &commands) { stats = ProcessModemStats(commands); });
        status != CliExit::Ok)
        return status;
    const QString text =
        CurrentThresholdText(reading, StatsLabels(stats, core.line.vendors, core.line.boot.BootTime()).downSNR);
    if (c.json()) {
        const std::optional<int> retrain = reading.retrainValue();
        const std::optional<double> db = reading.thresholdDb();
        QJsonObject o{{QStringLiteral("text"), text},
                      {QStringLiteral("retrain"), retrain ? QJsonValue(*retrain > 0) : QJsonValue()},
                      {QStringLiteral("threshold_db"), retrain && *retrain > 0 && db ? QJsonValue(*db) : QJsonValue()},
                      {QStringLiteral("ds_margin_db"), JsonNumber(stats.dsMargin)}};
        if (clear || set)
            o.insert(QStringLiteral("written"), written);
        c.printJson(o);
    } else {
        c.out() << text << "\n";
    }
    if (!written) {
        const QString sentence = QStringLiteral("Could not save SNR margin threshold settings to router.");
        return c.fail(CliExit::Failure, c.settings().useLongCommands
                                            ? sentence
                                            : sentence + QStringLiteral(" Please try enabling the compatibility mode."));
    }
    if (clear)
        c.err() << "Router's SNR margin threshold has been reset.\n";
    else if (set)
        c.err() << "Router's SNR margin threshold has been updated. The router needs to be rebooted before the new "
                   "threshold is used.\n";
    return CliExit::Ok;
}

int RunSyslog(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {kClear, kSave}, {}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    // The options decide for this run, whatever settings.ini ticks.
    c.values().setValue(QStringLiteral("chkSaveLog"), a.has(kSave) ? QStringLiteral("1") : QStringLiteral("0"));
    c.values().setValue(QStringLiteral("chkClearLog"), a.has(kClear) ? QStringLiteral("1") : QStringLiteral("0"));

    SessionCore &core = c.core();
    SystemLogCycle &log = core.systemLog;
    bool read = false;
    bool ended = false;
    std::unique_ptr<JobFailure> failure;
    QString status;
    const QObject scope;
    QObject::connect(&log, &SystemLogCycle::logRead, &scope, [&] { read = true; });
    QObject::connect(&log, &SystemLogCycle::statusChanged, &scope, [&](const QString &text) { status = text; });
    QObject::connect(&log, &SystemLogCycle::failed, &scope,
                     [&](const JobFailure &f) { failure = std::make_unique<JobFailure>(f); });
    QObject::connect(&log, &SystemLogCycle::finished, &scope, [&] { ended = true; });
    switch (log.fetchNow()) {
    case SystemLogCycle::StartResult::Started:
        break;
    case SystemLogCycle::StartResult::MissingLogin:
        return c.fail(CliExit::Failure, MissingLoginMessage(c.settings().login));
    case SystemLogCycle::StartResult::RouterNotAnswering:
        return c.fail(CliExit::Failure, QStringLiteral("Router is not responding on the given IP address."));
    case SystemLogCycle::StartResult::Busy:
        return c.fail(CliExit::Failure, QStringLiteral("The router is busy with other work."));
    }
    if (!c.waitFor([&] { return ended; })) {
        core.session.shutDown();
        return c.waitFailed();
    }

    // The log is printed whenever it was read, even when keeping or clearing it failed.
    if (!read)
        return c.fail(CliExit::Failure, failure ? failure->sentence : status);
    if (c.json()) {
        QJsonArray lines;
        for (const QString &line : SystemLogText(log.lastLog()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            lines.append(line);
        c.printJson({{QStringLiteral("lines"), lines}});
    } else {
        c.out() << SystemLogText(log.lastLog());
    }
    if (log.saveFailed())
        return c.fail(CliExit::File, status);
    if (failure)
        return c.fail(CliExit::Failure, failure->sentence + QStringLiteral(" The router's log was not cleared."));
    if (a.has(kSave))
        c.err() << status << "\n";
    return CliExit::Ok;
}

} // namespace

CliCommand featuresCommand()
{
    return {QStringLiteral("features"), QStringLiteral("features [--set fc0=0xHEX[,fc1=0xHEX][,pc0=0xHEX]]"),
            QStringLiteral("Reads the modem's three feature words and prints each as read\n"
                           "(\"DSL_FEATURE_CNTL_0 0x00004000\", or \"not set\" / \"unknown\"), each followed by\n"
                           "the bits \"dslfeatures.txt\" lists that are set in it (\"  14: text\").\n"
                           "--set writes the words given: the bits the file lists come from the value\n"
                           "given, every other bit stays as read (said on standard error); then reads them\n"
                           "back, prints them and fails (status 1) when they differ from those written.\n"
                           "Refused unless all three words could be read. A reboot is needed before the\n"
                           "router uses them.\n"
                           "--json: \"words\" with name, word, state and the set bits; \"written\" after --set."),
            RunFeatures};
}

CliCommand thresholdCommand()
{
    return {QStringLiteral("threshold"), QStringLiteral("threshold [--set DB | --clear]"),
            QStringLiteral("Reads the margin retrain switch and threshold and prints the Tweak frame's line\n"
                           "(\"Margin Retrain enabled. Router will retrain when margin drops below 6 dB.\n"
                           "Current SNR Margin = ...\"). --set DB turns the retrain on at DB decibels\n"
                           "(0.5 to 10.0 in half steps); --clear turns it off and clears the threshold.\n"
                           "A write is read back and fails (status 1) when the router did not take it.\n"
                           "--json: text, retrain, threshold_db, ds_margin_db; \"written\" after a write."),
            RunThreshold};
}

CliCommand syslogCommand()
{
    return {QStringLiteral("syslog"), QStringLiteral("syslog [--clear] [--save]"),
            QStringLiteral("Reads the router's system log and prints it as the Report tab shows it.\n"
                           "--save merges it into \"sys-log.txt\" (new lines only); --clear then clears\n"
                           "the router's log in a second session, and never when saving failed (status 3:\n"
                           "the router keeps its copy). The options decide, whatever settings.ini says.\n"
                           "--json: the log's \"lines\"."),
            RunSyslog};
}

} // namespace quillon
