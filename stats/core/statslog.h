#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quillon {

inline constexpr char StatsTextFileName[] = "stats.txt";
inline constexpr char StatsCsvFileName[] = "stats.csv";

// What one monitoring reading puts into the statistics logs.
struct StatsLogEntry
{
    QDateTime when;
    QString dsRate;
    QString dsAttenuation;
    QString dsMargin;
    QString usRate;
    QString usAttenuation;
    QString usMargin;
    QString pingState; // "Up", "Down" or empty before the first ping
    qint32 lastRtt{0};
    bool stateChanged{false}; // the reading was started by a change of ping state
};

struct ModemStats;

// The entry of a monitoring reading taken now (Clock::now()).
StatsLogEntry StatsLogEntryFor(const ModemStats &stats, const QString &pingState, qint32 lastRtt, bool stateChanged);

// Every value is written as printable text, and a value that is not the
// number its column holds is written empty, so a line never gains a field.
// "dd/mm/yyyy hh:mm<TAB>rate, margin, state, rtt[, Changed]"
QString StatsTextLine(const StatsLogEntry &entry);
// "dd/mm/yyyy hh:mm,dsRate,dsAttn,dsMargin,usRate,usAttn,usMargin,state,rtt"
QString StatsCsvLine(const StatsLogEntry &entry);

struct LoggedReading
{
    QString text;            // the text line, which always goes to the window's reading box
    QStringList writeErrors; // one sentence per log that could not be appended to
};

// Appends the reading to the logs that are switched on. A failed append is
// returned, not reported: the caller decides how to tell the user.
LoggedReading LogStatsReading(const StatsLogEntry &entry, bool saveText, bool saveCsv);

} // namespace quillon
