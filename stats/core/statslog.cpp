#include "stats/core/statslog.h"

#include "base/clock.h"
#include "base/misc.h"
#include "stats/core/modemstats.h"

namespace quillon {

namespace {

QString logTime(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy hh:mm"));
}

} // namespace

StatsLogEntry StatsLogEntryFor(const ModemStats &stats, const QString &pingState, qint32 lastRtt, bool stateChanged)
{
    StatsLogEntry e;
    e.when = Clock::now();
    e.dsRate = stats.dsRate;
    e.dsAttenuation = stats.dsAttenuation;
    e.dsMargin = stats.dsMargin;
    e.usRate = stats.usRate;
    e.usAttenuation = stats.usAttenuation;
    e.usMargin = stats.usMargin;
    e.pingState = pingState;
    e.lastRtt = lastRtt;
    e.stateChanged = stateChanged;
    return e;
}

QString StatsTextLine(const StatsLogEntry &e)
{
    const QString sep = QStringLiteral(", ");
    QString line = logTime(e.when) + QLatin1Char('\t') + e.dsRate + sep + e.dsMargin + sep + e.pingState + sep
        + QString::number(e.lastRtt);
    if (e.stateChanged)
        line += QStringLiteral(", Changed");
    return line;
}

QString StatsCsvLine(const StatsLogEntry &e)
{
    return QStringList{logTime(e.when), e.dsRate, e.dsAttenuation, e.dsMargin, e.usRate, e.usAttenuation,
                       e.usMargin, e.pingState, QString::number(e.lastRtt)}
        .join(QLatin1Char(','));
}

QString LogStatsReading(const StatsLogEntry &entry, bool saveText, bool saveCsv)
{
    const QString text = StatsTextLine(entry);
    if (saveCsv)
        WriteToFile(StatsCsvLine(entry), QString::fromLatin1(StatsCsvFileName), false);
    if (saveText)
        WriteToFile(text, QString::fromLatin1(StatsTextFileName), false);
    return text;
}

} // namespace quillon
