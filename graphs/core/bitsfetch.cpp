#include "graphs/core/bitsfetch.h"

#include "app/core/misc.h"
#include "router/core/telnetcommands.h"

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString LineEnd = QStringLiteral("\\n");
const QString QuoteEscape = QStringLiteral("\\\"");
const QString Marker = QStringLiteral("no_where");

const QString BitTableCommand = QStringLiteral("cat /proc/avalanche/avsar_bit_allocation_table");
const QString RxSnr0Command = QStringLiteral("cat /proc/avalanche/avsar_rxsnr0");
const QString RxSnr1Command = QStringLiteral("cat /proc/avalanche/avsar_rxsnr1");
const QString RxSnr2Command = QStringLiteral("cat /proc/avalanche/avsar_rxsnr2");
const QString QlnPsdsCommand = QStringLiteral("cat /proc/avalanche/avsar_QLNpsds");
const QString SnrPsdsCommand = QStringLiteral("cat /proc/avalanche/avsar_SNRpsds");

QString reply(const TelnetCommands &commands, const QString &command)
{
    return CutMarkerLine(commands.GetTelnetResponse(command));
}

} // namespace

const QStringList &BitsCommands()
{
    static const QStringList commands{BitTableCommand, RxSnr0Command, RxSnr1Command,
                                      RxSnr2Command,   QlnPsdsCommand, SnrPsdsCommand};
    return commands;
}

QString GetBits(const RouterLogin &login)
{
    QStringList lines{
        QStringLiteral("HOST ") + login.address + QLatin1Char(' ') + login.port,
        QStringLiteral("WAIT ") + Quote(QStringLiteral("login")),
        QStringLiteral("SEND ") + Quote(login.user + LineEnd),
        QStringLiteral("WAIT ") + Quote(QStringLiteral("password")),
        QStringLiteral("SEND ") + Quote(login.password + LineEnd),
        QStringLiteral("WAIT ") + Quote(QStringLiteral("#")),
    };
    for (const QString &command : BitsCommands()) {
        lines.append(QStringLiteral("SEND ")
                     + Quote(command + QLatin1Char(' ') + QuoteEscape + Marker + QuoteEscape + LineEnd));
        lines.append(QStringLiteral("WAIT ") + Quote(Marker));
    }
    return lines.join(CrLf);
}

// The marker's "cat" error line is usually the last line of the reply, with no
// line end after it, and its "ca" start passes for a line of hex values; so
// every line from the first that names the marker is dropped.
QString CutMarkerLine(const QString &reply)
{
    QStringList lines = reply.split(CrLf);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).contains(Marker, Qt::CaseInsensitive)) {
            lines.erase(lines.begin() + i, lines.end());
            break;
        }
    }
    return lines.join(CrLf);
}

void ProcessBits(const TelnetCommands &commands, ToneTables &tables)
{
    ImportTable(tables, reply(commands, BitTableCommand));
    ImportSNRTable(tables, reply(commands, RxSnr0Command), 0);
    ImportSNRTable(tables, reply(commands, RxSnr1Command), 1);
    ImportSNRTable(tables, reply(commands, RxSnr2Command), 2);
    ImportPsdsTable(tables, reply(commands, SnrPsdsCommand), true);
    ImportPsdsTable(tables, reply(commands, QlnPsdsCommand), false);
}

} // namespace quillon
