#include "bandwidth/core/netdev.h"

#include "base/misc.h"
#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"

#include <cmath>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
constexpr int RxColumn = 1;
constexpr int TxColumn = 9;
// Longer than any router stays up; a larger figure is garbage.
constexpr double MaxUptimeSecs = 2.0e9;

std::optional<quint64> counterOf(const QString &field)
{
    // Twenty digits hold any 64-bit counter; toULongLong refuses what overflows.
    if (field.isEmpty() || field.size() > 20)
        return std::nullopt;
    for (const QChar c : field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const quint64 value = field.toULongLong(&ok);
    return ok ? std::optional<quint64>(value) : std::nullopt;
}

} // namespace

const NetDevCounters *NetDevReading::find(const QString &name) const
{
    for (const NetDevCounters &c : interfaces) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

NetDevReading ParseNetDev(const QString &reply)
{
    NetDevReading reading;
    reading.text = RemoveMultipleBlocks(reply, CrLf, false);
    for (QString line : reading.text.split(QLatin1Char('\n'))) {
        line.replace(QLatin1Char('\t'), QLatin1Char(' '));
        line = line.simplified();
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        // The kernel leaves no blank after the colon once a counter fills its column.
        const QStringList columns = line.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const auto rx = counterOf(columns.value(RxColumn - 1));
        const auto tx = counterOf(columns.value(TxColumn - 1));
        if (rx && tx)
            reading.interfaces.append({line.left(colon).trimmed(), *rx, *tx});
    }
    return reading;
}

std::optional<double> ParseUptime(const QString &reply)
{
    for (const QString &line : reply.split(QLatin1Char('\n'))) {
        const QString first = line.simplified().section(QLatin1Char(' '), 0, 0);
        if (first.isEmpty())
            continue;
        bool ok = false;
        const double up = first.toDouble(&ok);
        if (ok && std::isfinite(up) && up >= 0 && up <= MaxUptimeSecs)
            return up;
        return std::nullopt;
    }
    return std::nullopt;
}

QString GetBandwidthScript(const RouterLogin &login)
{
    QString script;
    AddLoginPreamble(script, login);
    AddMarkerRead(script, QString::fromLatin1(NetDevPath));
    // The marker, not the prompt: the prompt after the counters may still be
    // arriving and would end a wait for "#" before the uptime came.
    AddMarkerRead(script, QString::fromLatin1(UptimePath));
    return script;
}

BandwidthReplies ProcessBandwidth(const TelnetCommands &commands)
{
    BandwidthReplies replies;
    QString netdev = commands.GetTelnetResponse(QStringLiteral("cat ") + QString::fromLatin1(NetDevPath));
    RemoveNoWhere(netdev);
    replies.netdev = ParseNetDev(netdev);
    QString uptime = commands.GetTelnetResponse(QStringLiteral("cat ") + QString::fromLatin1(UptimePath));
    RemoveNoWhere(uptime);
    for (const QString &line : uptime.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            replies.uptimeText = line.trimmed();
            break;
        }
    }
    replies.uptime = ParseUptime(replies.uptimeText);
    return replies;
}

QList<RouterIdSet> ParseRouterIds(const QString &text)
{
    QList<RouterIdSet> sets;
    QStringList defaults;
    for (const char *id : DefaultInterfaces)
        defaults.append(QLatin1String(id));
    sets.append({QStringLiteral("Default"), defaults});
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString name = Field(line, QStringLiteral(":"), 1).trimmed();
        if (name.isEmpty() || !line.contains(QLatin1Char(':')))
            continue;
        const QString ids = Field(line, QStringLiteral(":"), 2).trimmed();
        sets.append({name, ids.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(0, InterfaceSlots)});
    }
    return sets;
}

} // namespace quillon
