// reboot: the router's reboot, watched until it is back.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "stats/core/routerscripts.h"

namespace quillon {

namespace {

int RunReboot(CliContext &c, const QStringList &args)
{
    const CliArgs a = ParseCliArgs(args, {QStringLiteral("--no-wait")}, {}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    if (const QString missing = MissingLoginMessage(c.settings().login); !missing.isEmpty())
        return c.fail(CliExit::Failure, missing);
    SessionCore &core = c.core();
    bool ended = false;
    bool back = false;
    QString last;
    QObject::connect(&core.reboot, &RouterReboot::statusChanged, [&](const QString &text) {
        last = text;
        c.err() << text << Qt::endl;
    });
    QObject::connect(&core.reboot, &RouterReboot::finished, [&](bool b) {
        ended = true;
        back = b;
    });
    bool sent = false;
    QObject::connect(&core.session, &RouterSession::jobEnded, [&](JobKind kind) {
        sent = sent || (kind == JobKind::Reboot && core.reboot.active());
    });
    core.reboot.start();
    const bool noWait = a.has(QStringLiteral("--no-wait"));
    if (!c.waitFor([&] { return ended || (noWait && sent); }))
        return c.waitFailed();
    if (noWait && !ended)
        return CliExit::Ok;
    return back ? CliExit::Ok : CliExit::Failure;
}

} // namespace

CliCommand rebootCommand()
{
    return {QStringLiteral("reboot"), QStringLiteral("reboot [--no-wait]"),
            QStringLiteral("Reboots the router and watches it with pings until it has gone down and come\n"
                           "back (and, with the settle time of the settings, answered steadily); the\n"
                           "watch's messages go to standard error. A router takes a minute or two: give\n"
                           "--timeout enough. --no-wait returns once the command has been sent."),
            RunReboot};
}

} // namespace quillon
