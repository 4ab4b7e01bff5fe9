// quillon-routersim: the bundled router simulator as a stand-alone server.

#include "tools/routersim/routersim.h"
#include "tools/routersim/simweb.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using quillon::sim::RouterSim;
using quillon::sim::SimOptions;
using quillon::sim::SimWebServer;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[0], &b, 1);
}

// Signals arrive on a socket pair so the event loop ends in an orderly way.
bool installSignalHandlers(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char b = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[1], &b, 1);
        QCoreApplication::quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

struct Flag
{
    const char *name;
    bool SimOptions::*member;
    const char *help;
};

struct Value
{
    const char *name;
    const char *valueName;
    const char *help;
};

const Flag kFlags[] = {
    {"raw-tabs", &SimOptions::rawTabs, "Send TAB bytes as they are instead of expanding them to 8-column stops."},
    {"terminal-query", &SimOptions::terminalQuery, "Send the cursor-position query ESC [6n after every shell prompt."},
    {"byte-by-byte", &SimOptions::byteByByte, "Send every output byte in its own write."},
    {"random-splits", &SimOptions::randomSplits, "Cut the output into writes at random points."},
    {"error-without-marker", &SimOptions::errorWithoutMarker,
     "cat's missing-file error does not name the file (a marker read never ends)."},
    {"garbage", &SimOptions::garbage, "Scatter control and high bytes through command output."},
    {"big-file", &SimOptions::bigFile, "Provide /proc/bigfile, 1 MB of text."},
    {"wide-counters", &SimOptions::wideCounters,
     "Print the interface byte counters as a 64-bit kernel does: they pass 2^32 without wrapping."},
    {"negative-margin", &SimOptions::negativeMargin,
     "The line has degraded since training: DS margin -3 dB (printed 2147483645), ADSL2+ US margin -3 dB "
     "(printed 4294967293)."},
    {"drip-from-connect", &SimOptions::dripFromConnect, "With --drip, drip the login prompts too."},
    {"hostile-values", &SimOptions::hostileValues, "Put NUL, 0xFF and commas inside the statistics values."},
    {"iac-mid-line", &SimOptions::iacMidLine, "Put telnet commands (IAC ...) in the middle of output lines."},
    {"endless-output", &SimOptions::endlessOutput, "Command output never ends: no marker, no prompt."},
    {"close-after-prompt", &SimOptions::closeAfterPrompt, "Drop the line right after the first shell prompt."},
};

const Value kValues[] = {
    {"port", "port", "TCP port to listen on (default 2323; 0 picks a free one)."},
    {"address", "address", "Address to listen on (default 127.0.0.1)."},
    {"profile", "name", "Line profile: adsl (G.dmt, 256 tones, long line) or adsl2plus (512 tones, short line). "
                        "Default adsl."},
    {"user", "name", "Login name (default root)."},
    {"password", "text", "Login password (default Gravo)."},
    {"prompt", "text", "Shell prompt (default \"/var # \"; \"# \" is the other common one)."},
    {"cat-error-style", "0|1", "0: \"cat: F: No such file or directory\" (BusyBox before 1.6), "
                               "1: \"cat: can't open 'F': No such file or directory\". Default 0."},
    {"drop-after-bytes", "n", "Close a connection once this many bytes of command output were sent (default off)."},
    {"time-scale", "x", "Simulated seconds per real second (default 1; 3600 makes an hour pass each second)."},
    {"reply-delay", "ms", "Pause before the output of every command (default 0)."},
    {"reboot-down", "ms", "How long the router is away after \"reboot\" (default 3000)."},
    {"wrap-after", "bytes", "Start every interface byte counter this far below 2^32, so it wraps after that "
                            "volume (default 0: the profile's own values)."},
    {"seed", "n", "Seed of the line noise and of the random faults (default 1)."},
    {"margin-drift", "dB", "Slow swing of the line noise over six hours (default 1; 0 holds the margin steady)."},
    {"login-fail-delay", "ms", "Pause before \"Login incorrect\" (default 0)."},
    {"login-attempts", "n", "Failed logins before the connection is closed (default 3)."},
    {"train-secs", "s", "Seconds after each boot before the line is in showtime (default 0)."},
    {"resync-every", "s", "The line trains again every this many simulated seconds (default 0: never)."},
    {"http-port", "port", "Also serve the Exchange tab's two web services over HTTP on this port (0 picks a free "
                          "one) and print \"web pages on http://ADDRESS:PORT\". Default off."},
    {"drip", "ms", "Send command output one byte per this many ms (default 0: off)."},
    {"line-break-flood", "bytes", "Send this many bytes of CR LF before every command's output (default 0)."},
};

QString knownPostcodes()
{
    QStringList list;
    for (const quillon::sim::SimExchange &e : quillon::sim::simExchanges())
        list << QString::fromLatin1(e.postcode).insert(3, QLatin1Char(' '));
    return list.join(QStringLiteral(", "));
}

bool toNumber(const QString &text, double &out)
{
    bool ok = false;
    out = text.toDouble(&ok);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-routersim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated ADSL router (TI AR7 firmware, BusyBox telnetd and ash) for trying and testing Quillon.\n"
        "It serves telnet on loopback and prints \"listening on ADDRESS:PORT\" when ready.\n"
        "Files: /proc/avalanche/avsar_ver, avsar_modem_stats, avsar_dsl_modulation_schemes,\n"
        "  avsar_bit_allocation_table, avsar_rxsnr0/1/2, avsar_SNRpsds, avsar_QLNpsds, avsar_modem_training;\n"
        "  /proc/uptime, /proc/net/dev, /proc/ticfg/env (writable), /proc/version, /var and /tmp (RAM disk).\n"
        "Commands: cat, echo, grep, getenv, setenv, unsetenv, cm_cli (logger:status/log,\n"
        "  begin;logger:command/logclear;end), reboot, cd, pwd, help, exit; pipes, ;, &&, ||, > and >>.\n"
        "The environment variables high_precision=1 and DSL_BIT_TMODE change the modem's texts as on a real router.\n"
        "With --http-port it also serves a made-up exchange-lookup site (/broadband/search.php?q=POSTCODE,\n"
        "  /broadband/exchange.php?ecode=CODE) and directions service (/maps?...&saddr=FROM&daddr=TO) that know\n"
        "  the postcodes ")
        + knownPostcodes() + QStringLiteral(".\nRuns until interrupted (SIGINT or SIGTERM)."));
    parser.addHelpOption();
    for (const Value &v : kValues) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(v.name), QString::fromLatin1(v.help),
                                            QString::fromLatin1(v.valueName)));
    }
    for (const Flag &f : kFlags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(f.name), QString::fromLatin1(f.help)));
    parser.process(app);

    QTextStream err(stderr);
    SimOptions o;
    for (const Flag &f : kFlags)
        o.*(f.member) = parser.isSet(QString::fromLatin1(f.name));
    const auto text = [&](const char *name, QString &out) {
        if (parser.isSet(QString::fromLatin1(name)))
            out = parser.value(QString::fromLatin1(name));
    };
    text("profile", o.profile);
    text("user", o.user);
    text("password", o.password);
    text("prompt", o.prompt);
    if (o.profile != QLatin1String("adsl") && o.profile != QLatin1String("adsl2plus")) {
        err << "quillon-routersim: unknown profile " << o.profile << " (adsl or adsl2plus)\n";
        return 2;
    }

    bool bad = false;
    const auto number = [&](const char *name, double low, double high, double fallback) {
        const QString key = QString::fromLatin1(name);
        if (!parser.isSet(key))
            return fallback;
        double v = 0;
        if (!toNumber(parser.value(key), v) || v < low || v > high) {
            err << "quillon-routersim: bad value for --" << key << ": " << parser.value(key) << '\n';
            bad = true;
            return fallback;
        }
        return v;
    };
    const auto port = quint16(number("port", 0, 65535, 2323));
    const bool web = parser.isSet(QStringLiteral("http-port"));
    const auto webPort = quint16(number("http-port", 0, 65535, 0));
    o.catErrorStyle = int(number("cat-error-style", 0, 1, o.catErrorStyle));
    o.dropAfterBytes = qint64(number("drop-after-bytes", 0, 9e15, double(o.dropAfterBytes)));
    o.timeScale = number("time-scale", 0, 1e7, o.timeScale);
    o.replyDelayMs = int(number("reply-delay", 0, 3600000, o.replyDelayMs));
    o.rebootDownMs = int(number("reboot-down", 0, 3600000, o.rebootDownMs));
    o.wrapAfterBytes = quint64(number("wrap-after", 0, 4294967296.0, double(o.wrapAfterBytes)));
    o.seed = quint32(number("seed", 0, 4294967295.0, o.seed));
    o.marginDriftDb = number("margin-drift", 0, 30, o.marginDriftDb);
    o.loginFailDelayMs = int(number("login-fail-delay", 0, 600000, o.loginFailDelayMs));
    o.maxLoginAttempts = int(number("login-attempts", 1, 1000, o.maxLoginAttempts));
    o.trainSecs = int(number("train-secs", 0, 86400, o.trainSecs));
    o.resyncEverySecs = number("resync-every", 0, 365 * 86400.0, o.resyncEverySecs);
    o.dripMs = int(number("drip", 0, 3600000, o.dripMs));
    o.lineBreakFlood = qint64(number("line-break-flood", 0, 1e10, double(o.lineBreakFlood)));
    QHostAddress address(QHostAddress::LocalHost);
    if (parser.isSet(QStringLiteral("address")) && !address.setAddress(parser.value(QStringLiteral("address")))) {
        err << "quillon-routersim: bad address " << parser.value(QStringLiteral("address")) << '\n';
        bad = true;
    }
    if (bad)
        return 2;

    if (!installSignalHandlers(app))
        err << "quillon-routersim: signals will end the program abruptly\n";

    RouterSim sim(o);
    if (!sim.start(port, address)) {
        err << "quillon-routersim: cannot listen on " << address.toString() << ':' << port << ": "
            << sim.errorString() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << "listening on " << sim.address().toString() << ':' << sim.port() << Qt::endl;
    SimWebServer webServer;
    if (web) {
        if (!webServer.start(webPort, address)) {
            err << "quillon-routersim: cannot serve web pages on " << address.toString() << ':' << webPort << ": "
                << webServer.errorString() << '\n';
            return 1;
        }
        out << "web pages on http://" << address.toString() << ':' << webServer.port() << Qt::endl;
    }
    QObject::connect(&sim, &RouterSim::rebootStarted, &app, [&] { out << "rebooting" << Qt::endl; });
    QObject::connect(&sim, &RouterSim::rebootFinished, &app, [&] { out << "back after reboot" << Qt::endl; });
    return app.exec();
}
