#include "stats/core/statslog.h"

#include "app/core/misc.h"

namespace quillon {

namespace {

QString logTime(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy hh:mm"));
}

} // namespace

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
