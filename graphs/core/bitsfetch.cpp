#include "graphs/core/bitsfetch.h"

#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"

namespace quillon {

namespace {

const QString BitTablePath = QStringLiteral("/proc/avalanche/avsar_bit_allocation_table");
const QString RxSnr0Path = QStringLiteral("/proc/avalanche/avsar_rxsnr0");
const QString RxSnr1Path = QStringLiteral("/proc/avalanche/avsar_rxsnr1");
const QString RxSnr2Path = QStringLiteral("/proc/avalanche/avsar_rxsnr2");
const QString QlnPsdsPath = QStringLiteral("/proc/avalanche/avsar_QLNpsds");
const QString SnrPsdsPath = QStringLiteral("/proc/avalanche/avsar_SNRpsds");

// The marker's error line must go even when it is the reply's last line: its
// "ca" start would pass for a line of hex values.
QString reply(const TelnetCommands &commands, const QString &path)
{
    QString text = commands.GetTelnetResponse(QStringLiteral("cat ") + path);
    RemoveNoWhere(text);
    return text;
}

} // namespace

const QStringList &BitsPaths()
{
    static const QStringList paths{BitTablePath, RxSnr0Path, RxSnr1Path, RxSnr2Path, QlnPsdsPath, SnrPsdsPath};
    return paths;
}

QString GetBits(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    for (const QString &path : BitsPaths())
        AddMarkerRead(script, path);
    return script;
}

void ProcessBits(const TelnetCommands &commands, ToneTables &tables)
{
    ImportTable(tables, reply(commands, BitTablePath));
    ImportSNRTable(tables, reply(commands, RxSnr0Path), 0);
    ImportSNRTable(tables, reply(commands, RxSnr1Path), 1);
    ImportSNRTable(tables, reply(commands, RxSnr2Path), 2);
    ImportPsdsTable(tables, reply(commands, SnrPsdsPath), true);
    ImportPsdsTable(tables, reply(commands, QlnPsdsPath), false);
}

} // namespace quillon
