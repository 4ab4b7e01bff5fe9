// Network diagnostics: ping, trace, resolve.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "base/settingstable.h"
#include "netdiag/core/orbdns.h"
#include "netdiag/core/pingtest.h"
#include "netdiag/core/traceroute.h"

namespace quillon {

namespace {

int RunPing(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {}, {QStringLiteral("-c"), QStringLiteral("-W"), QStringLiteral("-s")}, 1, 1);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const SettingsValues &v = c.values();
    const PingTestSettings settings{a.positional.first(),
                                    a.value(QStringLiteral("-c"), v.value(QStringLiteral("txtPingCount"))),
                                    a.value(QStringLiteral("-W"), v.value(QStringLiteral("txtTimeout"))),
                                    a.value(QStringLiteral("-s"), v.value(QStringLiteral("txtPackSz")))};
    for (const auto &[option, control] : {std::pair{"-c", "txtPingCount"}, std::pair{"-W", "txtTimeout"},
                                          std::pair{"-s", "txtPackSz"}}) {
        const QString text = a.value(QLatin1String(option));
        if (!text.isEmpty() && !isValidSetting(*findSettingOfControl(QLatin1String(control)), text))
            return c.usage(QStringLiteral("%1 takes a whole number in the Ping Test tab's range").arg(QLatin1String(option)));
    }
    PingTestHooks hooks = defaultPingTestHooks();
    hooks.abortRequested = [&c] { return c.stopRequested(); };
    c.out() << RunPingTest(settings, hooks).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << "\n";
    return c.stopRequested() ? CliExit::Failure : CliExit::Ok;
}

int RunTrace(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {QStringLiteral("--resolve"), QStringLiteral("--router-dns")},
                                   {QStringLiteral("--dns")}, 1, 1);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const SettingsValues &v = c.values();
    TraceOptions options;
    options.target = a.positional.first();
    options.packetSize = v.value(QStringLiteral("txtPackSz"));
    options.resolve = a.has(QStringLiteral("--resolve")) || a.hasValue(QStringLiteral("--dns"));
    options.standardDns = !a.hasValue(QStringLiteral("--dns"));
    options.dnsServer = a.value(QStringLiteral("--dns"));
    if (a.has(QStringLiteral("--router-dns")))
        options.routerAddress = v.value(QStringLiteral("txtRouter"));
    options.maxHops = wholeSetting(QStringLiteral("MaxHops"), v.value(QStringLiteral("MaxHops")));
    TraceRoute trace;
    bool ended = false;
    TraceOutcome outcome = TraceOutcome::Failed;
    QString text;
    QObject::connect(&trace, &TraceRoute::finished, [&](TraceOutcome o, const QString &t) {
        ended = true;
        outcome = o;
        text = t;
    });
    QObject::connect(&trace, &TraceRoute::lookupError, [&c](const QString &message) { c.err() << message << Qt::endl; });
    TraceHooks hooks;
    hooks.abortRequested = [&c] { return c.stopRequested(); };
    trace.start(options, hooks);
    if (!c.waitFor([&] { return ended; }))
        return c.waitFailed();
    switch (outcome) {
    case TraceOutcome::Complete:
        c.out() << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        return CliExit::Ok;
    case TraceOutcome::Aborted:
        return c.fail(CliExit::Failure, QStringLiteral("Trace route aborted."));
    case TraceOutcome::Failed:
        break;
    }
    return c.fail(CliExit::Failure, text);
}

int RunResolve(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {QStringLiteral("--tcp")}, {QStringLiteral("--server")}, 1, 1);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    if (!a.hasValue(QStringLiteral("--server")))
        return c.usage(QStringLiteral("resolve needs --server SERVER[:PORT]"));
    OrbDNS dns;
    dns.setTCP(a.has(QStringLiteral("--tcp")));
    QString answer;
    QString error;
    QObject::connect(&dns, &OrbDNS::DNSResponse, [&](const QString &text) { answer = text; });
    QObject::connect(&dns, &OrbDNS::ErrorMsg, [&](const QString &text) { error = text; });
    dns.LookUpIP(a.value(QStringLiteral("--server")), a.positional.first());
    if (!c.waitFor([&] { return !answer.isEmpty() || !error.isEmpty(); })) {
        dns.AbortWinsock();
        return c.waitFailed();
    }
    if (!error.isEmpty())
        return c.fail(CliExit::Failure, error);
    c.out() << answer << "\n";
    return answer.startsWith(QLatin1Char('!')) ? CliExit::Failure : CliExit::Ok;
}

} // namespace

CliCommand pingCommand()
{
    return {QStringLiteral("ping"), QStringLiteral("ping TARGET [-c COUNT] [-W MS] [-s BYTES]"),
            QStringLiteral("The Ping Test tab's report for TARGET (address or host name): COUNT echoes\n"
                           "(default: the tab's setting), each waiting at most MS milliseconds, with\n"
                           "BYTES of payload."),
            RunPing};
}

CliCommand traceCommand()
{
    return {QStringLiteral("trace"), QStringLiteral("trace TARGET [--resolve] [--dns SERVER] [--router-dns]"),
            QStringLiteral("The Ping Test tab's trace route to TARGET: one line per hop. --resolve looks the\n"
                           "hops' names up with the system's resolver; --dns SERVER[:PORT] with the\n"
                           "program's own resolver at that server; --router-dns asks the router itself\n"
                           "for its own name."),
            RunTrace};
}

CliCommand resolveCommand()
{
    return {QStringLiteral("resolve"), QStringLiteral("resolve ADDRESS --server SERVER[:PORT] [--tcp]"),
            QStringLiteral("The host name of ADDRESS from a PTR query to SERVER, with the program's own\n"
                           "resolver (over TCP with --tcp). A failed lookup prints \"!\" and the reason and\n"
                           "exits 1."),
            RunResolve};
}

} // namespace quillon
