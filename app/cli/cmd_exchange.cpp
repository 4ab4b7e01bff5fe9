// exchange: the Exchange tab's estimate and its distance lookup.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "exchange/core/exchangelookup.h"
#include "exchange/core/exchangemodel.h"
#include "exchange/core/exchangescrapers.h"
#include "exchange/core/exchangeviews.h"

#include <QJsonObject>

namespace quillon {

namespace {

int RunEstimate(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {QStringLiteral("--adsl2")},
                                   {QStringLiteral("--attenuation"), QStringLiteral("--distance"), QStringLiteral("--loss")},
                                   0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    if (!a.hasValue(QStringLiteral("--attenuation")))
        return c.usage(QStringLiteral("exchange estimate needs --attenuation DB"));
    const ExchangeInputs in{a.value(QStringLiteral("--attenuation")), a.has(QStringLiteral("--adsl2")),
                            a.value(QStringLiteral("--loss"), c.values().value(QStringLiteral("LossRate"))),
                            a.value(QStringLiteral("--distance"))};
    QString message;
    const auto lines = ExchangeLabelsFor(in, &message);
    if (!message.isEmpty())
        return c.fail(CliExit::Usage, message);
    if (c.json()) {
        QJsonObject o;
        for (const auto &[caption, value] : lines)
            o.insert(caption, value);
        c.printJson(o);
        return CliExit::Ok;
    }
    for (const auto &[caption, value] : lines)
        c.out() << caption << ": " << value << "\n";
    return CliExit::Ok;
}

int RunLookup(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {}, 1, 8);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const QString postcode = LookupTokenWithoutBlanks(a.positional.join(QLatin1Char(' ')));
    if (postcode.isEmpty())
        return c.usage(QStringLiteral("a postcode holds only letters, digits and blanks"));
    ExchangeLookup lookup;
    lookup.setSites(c.values().value(QStringLiteral("LookupSite")), c.values().value(QStringLiteral("DirectionsSite")));
    if (lookup.lookupSite().isEmpty() || lookup.directionsSite().isEmpty())
        return c.fail(CliExit::Failure,
                      QStringLiteral("The exchange-lookup site and the directions service must both be set "
                                     "(settings.ini, section Exchange)."));
    lookup.setAbortCheck([&c] { return c.stopRequested(); });
    QObject::connect(&lookup, &ExchangeLookup::statusChanged, [&c](const QString &text) { c.err() << text << Qt::endl; });
    if (!lookup.SiteReachable(lookup.lookupSite()))
        return c.fail(CliExit::Failure, QStringLiteral("The exchange-lookup site cannot be reached."));
    // Nobody to ask: a value the pages do not give stays missing.
    const ExchangeLookup::Result r = lookup.Run(postcode, [](const QString &) { return std::optional<QString>(); });
    if (r.aborted)
        return c.fail(CliExit::Failure, QStringLiteral("The distance lookup was aborted."));
    if (!r.problem.isEmpty())
        return c.fail(CliExit::Failure, r.problem);
    if (r.code.isEmpty() || r.km <= 0)
        return c.fail(CliExit::Failure, QStringLiteral("Could not find the distance to the exchange."));
    if (c.json()) {
        c.printJson({{QStringLiteral("exchange"), r.code},
                     {QStringLiteral("exchange_postcode"), r.exchangePostcode},
                     {QStringLiteral("distance_km"), double(r.km)}});
        return CliExit::Ok;
    }
    c.out() << "Exchange: " << r.code << "\nExchange postcode: " << r.exchangePostcode
            << "\nDistance: " << FormatTwoDecimals(double(r.km)) << " km\n";
    return CliExit::Ok;
}

int RunExchange(CliContext &c, const QStringList &args)
{
    const QString what = args.value(0);
    if (what == QLatin1String("estimate"))
        return RunEstimate(c, args.mid(1));
    if (what == QLatin1String("lookup"))
        return RunLookup(c, args.mid(1));
    return c.usage(QStringLiteral("exchange takes estimate or lookup"));
}

} // namespace

CliCommand exchangeCommand()
{
    return {QStringLiteral("exchange"),
            QStringLiteral("exchange estimate --attenuation DB [--adsl2] [--distance KM] [--loss DB_PER_KM]\n"
                           "  exchange lookup POSTCODE"),
            QStringLiteral("estimate: the Exchange tab's labels for a downstream attenuation, one\n"
                           "\"Caption: value\" line each: distance, rate, type, profile or throughput, and\n"
                           "with --distance the best rate, best profile or throughput and the internal\n"
                           "wiring's attenuation. --loss defaults to the settings' loss rate.\n"
                           "lookup: the nearest exchange's code, its postcode and the distance in km, from\n"
                           "the two web services of settings.ini (section Exchange)."),
            RunExchange};
}

} // namespace quillon
