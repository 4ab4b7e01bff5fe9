#include "stats/core/statslog.h"

#include "base/apppaths.h"
#include "base/clock.h"
#include "base/errorlog.h"
#include "base/misc.h"
#include "stats/core/modemstats.h"

#include <QFile>

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

QString StatsLogger::log(const StatsLogEntry &entry, bool saveText, bool saveCsv)
{
    const QString text = StatsTextLine(entry);
    if (saveCsv)
        append(QString::fromLatin1(StatsCsvFileName), StatsCsvLine(entry));
    if (saveText)
        append(QString::fromLatin1(StatsTextFileName), text);
    return text;
}

void StatsLogger::append(const QString &fileName, const QString &line)
{
    const QString path = AppPaths::file(fileName);
    QFile file(path);
    const QByteArray bytes = (line + QStringLiteral("\r\n")).toLatin1();
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(bytes) == bytes.size() && file.flush())
        return;
    const QDateTime now = Clock::now();
    const auto last = m_lastReported.constFind(fileName);
    if (last != m_lastReported.constEnd() && last->secsTo(now) < 3600)
        return;
    m_lastReported.insert(fileName, now);
    LogError(false, QStringLiteral("75"), QStringLiteral("Cannot append to ") + path + QStringLiteral(": ") + file.errorString(),
             QStringLiteral("modStats"), QStringLiteral("LogStatsReading"));
}

} // namespace quillon
