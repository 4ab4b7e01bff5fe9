#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

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

// Appends monitoring readings to the logs that are switched on. Monitoring
// runs unattended, so a log that cannot be written is reported in the error
// log without a box, and only once an hour for each file.
class StatsLogger final
{
public:
    // Returns the text line, which always goes to the window's reading box.
    QString log(const StatsLogEntry &entry, bool saveText, bool saveCsv);

private:
    void append(const char *fileName, const QString &line);

    QHash<QString, QDateTime> m_lastReported;
};

} // namespace quillon
