#include "app/cli/cli.h"

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "base/appinfo.h"

#include <QCoreApplication>
#include <QTextStream>

namespace quillon {

namespace {

const char kUsage[] =
    "Usage: quillon-cli [OPTIONS] COMMAND [ARGS]\n"
    "\n"
    "Quillon's router and network functions without a display: the same settings,\n"
    "files and formats as the window.\n"
    "\n"
    "Options (before the command):\n"
    "  --dir DIR             The program folder: settings.ini, logs, records. Default: the\n"
    "                        executable's folder, else ~/.local/share/quillon/, or\n"
    "                        QUILLON_APPDIR.\n"
    "  --router HOST         Router address for this run (settings.ini is not changed).\n"
    "  --port N              Telnet port for this run.\n"
    "  --user NAME           Router user name for this run.\n"
    "  --password-file FILE  Router password from the first line of FILE; else the\n"
    "                        environment variable QUILLON_PASSWORD; else settings.ini.\n"
    "  --json                Output as JSON: one object, or one per line for monitor\n"
    "                        and bandwidth --watch.\n"
    "  --timeout SECONDS     Bound on the whole command (default 60; for monitor and\n"
    "                        bandwidth --watch: how long to run, default until done\n"
    "                        or SIGTERM or SIGINT).\n"
    "  -h, --help            This help; COMMAND --help for a command's.\n"
    "  -v, --version         The version.\n"
    "\n"
    "Commands:\n";

const char kExitStatus[] =
    "\n"
    "Exit status: 0 success; 1 router or network failure (the reason on standard\n"
    "error); 2 usage error; 3 a file could not be read or written.\n";

void printUsage(QTextStream &out)
{
    out << kUsage;
    for (const CliCommand &c : cliCommands())
        out << "  " << c.synopsis << "\n";
    out << kExitStatus;
}

} // namespace

const QList<CliCommand> &cliCommands()
{
    static const QList<CliCommand> commands{
        infoCommand(),    statsCommand(),   tonesCommand(),     featuresCommand(), thresholdCommand(),
        syslogCommand(),  monitorCommand(), historyCommand(),   bandwidthCommand(), totalsCommand(),
        rebootCommand(),  pingCommand(),    traceCommand(),     resolveCommand(),   exchangeCommand()};
    return commands;
}

int runCli(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-cli"));
    QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);

    CliContext::Options options;
    const auto usage = [&err](const QString &message) {
        err << "quillon-cli: " << message << " (see quillon-cli --help)\n";
        return CliExit::Usage;
    };
    while (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            printUsage(out);
            return CliExit::Ok;
        }
        if (option == QLatin1String("-v") || option == QLatin1String("--version")) {
            out << appTitleWithVersion() << "\n";
            return CliExit::Ok;
        }
        if (option == QLatin1String("--json")) {
            options.json = true;
            continue;
        }
        const QStringList withValue{QStringLiteral("--dir"), QStringLiteral("--router"), QStringLiteral("--port"),
                                    QStringLiteral("--user"), QStringLiteral("--password-file"),
                                    QStringLiteral("--timeout")};
        if (!withValue.contains(option))
            return usage(QStringLiteral("unknown option %1").arg(option));
        if (args.isEmpty())
            return usage(QStringLiteral("%1 needs a value").arg(option));
        const QString value = args.takeFirst();
        if (option == QLatin1String("--dir")) {
            options.dir = value;
        } else if (option == QLatin1String("--router")) {
            options.router = value;
        } else if (option == QLatin1String("--port")) {
            bool ok = false;
            const int port = value.toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return usage(QStringLiteral("--port takes a number from 1 to 65535"));
            options.port = value;
        } else if (option == QLatin1String("--user")) {
            options.user = value;
        } else if (option == QLatin1String("--password-file")) {
            options.passwordFile = value;
        } else {
            bool ok = false;
            options.timeoutSecs = value.toInt(&ok);
            if (!ok || options.timeoutSecs < 1 || options.timeoutSecs > 7 * 24 * 3600)
                return usage(QStringLiteral("--timeout takes a number of seconds from 1 to 604800"));
            options.timeoutGiven = true;
        }
    }
    if (args.isEmpty()) {
        printUsage(err);
        return CliExit::Usage;
    }
    const QString name = args.takeFirst();
    for (const CliCommand &command : cliCommands()) {
        if (command.name != name)
            continue;
        if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
            out << "Usage: quillon-cli [OPTIONS] " << command.synopsis << "\n\n" << command.help << "\n";
            return CliExit::Ok;
        }
        CliContext context(options);
        if (const int status = context.prepare(); status != CliExit::Ok)
            return status;
        return command.run(context, args);
    }
    return usage(QStringLiteral("unknown command %1").arg(name));
}

QString CliArgs::value(const QString &option, const QString &fallback) const
{
    for (const auto &[name, v] : values) {
        if (name == option)
            return v;
    }
    return fallback;
}

bool CliArgs::hasValue(const QString &option) const
{
    for (const auto &entry : values) {
        if (entry.first == option)
            return true;
    }
    return false;
}

CliArgs ParseCliArgs(const QStringList &args, const QStringList &flagNames, const QStringList &valueNames,
                     int minPositional, int maxPositional)
{
    CliArgs parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (flagNames.contains(a)) {
            parsed.flags << a;
        } else if (valueNames.contains(a)) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("%1 needs a value").arg(a);
                return parsed;
            }
            parsed.values.append({a, args[++i]});
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1 && !a.at(1).isDigit()) {
            parsed.error = QStringLiteral("unknown option %1").arg(a);
            return parsed;
        } else {
            parsed.positional << a;
        }
    }
    if (parsed.positional.size() < minPositional)
        parsed.error = QStringLiteral("missing argument");
    else if (parsed.positional.size() > maxPositional)
        parsed.error = QStringLiteral("unexpected argument %1").arg(parsed.positional.value(maxPositional));
    return parsed;
}

} // namespace quillon
