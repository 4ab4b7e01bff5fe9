#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"

namespace quillon {

ModemStats ProcessModemStats(const TelnetCommands &commands)
{
    return ParseModemStats(commands.GetTelnetResponse(QStringLiteral("cat ") + QString::fromLatin1(ModulationSchemesPath)),
                           commands.GetTelnetResponse(QStringLiteral("cat ") + QString::fromLatin1(ModemStatsPath)));
}

RouterVersion ProcessVersion(const TelnetCommands &commands)
{
    RouterVersion version;
    version.versionText = commands.GetTelnetResponse(QStringLiteral("cat ") + QString::fromLatin1(VersionPath));
    RemoveNoWhere(version.versionText);
    QString uptime = commands.GetTelnetResponse(QStringLiteral("cat ") + QString::fromLatin1(UptimePath));
    RemoveNoWhere(uptime);
    for (const QString &line : BlankTabs(uptime).split(QStringLiteral("\r\n"))) {
        if (!line.trimmed().isEmpty()) {
            version.uptime = line.trimmed();
            break;
        }
    }
    return version;
}

} // namespace quillon
