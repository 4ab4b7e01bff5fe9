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

// The router's value if it is a plain decimal number, else empty: NUL, 0xFF or
// a comma from a garbled reply would shift or break the log's columns.
QString logNumber(const QString &value)
{
    constexpr qsizetype MaxDigits = 24;
    const QString v = value.trimmed();
    qsizetype i = (v.startsWith(QLatin1Char('-')) || v.startsWith(QLatin1Char('+'))) ? 1 : 0;
    const qsizetype start = i;
    bool point = false;
    for (; i < v.size(); ++i) {
        const QChar c = v.at(i);
        if (c == QLatin1Char('.') && !point && i > start && i + 1 < v.size())
            point = true;
        else if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    }
    return (v.size() > start && v.size() <= MaxDigits) ? v : QString();
}

// Printable ASCII only, without the CSV separator.
QString logText(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        if (c >= QLatin1Char(' ') && c <= QLatin1Char('~') && c != QLatin1Char(','))
            out += c;
    }
    return out;
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
    QString line = logTime(e.when) + QLatin1Char('\t') + logNumber(e.dsRate) + sep + logNumber(e.dsMargin) + sep
        + logText(e.pingState) + sep + QString::number(e.lastRtt);
    if (e.stateChanged)
        line += QStringLiteral(", Changed");
    return line;
}

QString StatsCsvLine(const StatsLogEntry &e)
{
    return QStringList{logTime(e.when), logNumber(e.dsRate), logNumber(e.dsAttenuation), logNumber(e.dsMargin),
                       logNumber(e.usRate), logNumber(e.usAttenuation), logNumber(e.usMargin),
                       logText(e.pingState), QString::number(e.lastRtt)}
        .join(QLatin1Char(','));
}

LoggedReading LogStatsReading(const StatsLogEntry &entry, bool saveText, bool saveCsv)
{
    LoggedReading logged{StatsTextLine(entry), {}};
    if (saveCsv) {
        if (const WriteResult r = WriteToFile(StatsCsvLine(entry), QString::fromLatin1(StatsCsvFileName), false); !r)
            logged.writeErrors.append(r.error);
    }
    if (saveText) {
        if (const WriteResult r = WriteToFile(logged.text, QString::fromLatin1(StatsTextFileName), false); !r)
            logged.writeErrors.append(r.error);
    }
    return logged;
}

} // namespace quillon
