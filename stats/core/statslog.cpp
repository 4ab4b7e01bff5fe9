#include "stats/core/statslog.h"

#include "base/clock.h"
#include "base/errorlog.h"
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

QString StatsLogger::log(const StatsLogEntry &entry, bool saveText, bool saveCsv)
{
    const QString text = StatsTextLine(entry);
    if (saveCsv)
        append(StatsCsvFileName, StatsCsvLine(entry));
    if (saveText)
        append(StatsTextFileName, text);
    return text;
}

void StatsLogger::append(const char *fileName, const QString &line)
{
    const WriteResult written = WriteToFile(line, QString::fromLatin1(fileName), false);
    if (written)
        return;
    const QString name = QString::fromLatin1(fileName);
    const QDateTime now = Clock::now();
    const auto last = m_lastReported.constFind(name);
    if (last != m_lastReported.constEnd() && last->secsTo(now) < 3600)
        return;
    m_lastReported.insert(name, now);
    LogError(false, QStringLiteral("75"), written.error, QStringLiteral("modStats"), QStringLiteral("LogStatsReading"));
}

} // namespace quillon
