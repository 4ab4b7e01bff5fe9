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
    version.uptime = BlankTabs(commands.GetTelnetResponse(QString::fromLatin1(UptimeCommand), true)).trimmed();
    return version;
}

} // namespace quillon
