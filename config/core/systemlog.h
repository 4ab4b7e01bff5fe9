#pragma once

// The router's system log: its reply turned into the text shown, and the
// cumulative copy "sys-log.txt" that only ever gains the lines it lacks.

#include <QString>

namespace quillon {

class TelnetCommands;

inline constexpr char SysLogFileName[] = "sys-log.txt";
inline constexpr int MinLogIntervalMins = 1;
inline constexpr int MaxLogIntervalMins = 7 * 24 * 60;

// The log as txtReport shows it: one trimmed line per entry, tabs as
// blanks, no empty lines, no "Log Buffer is cleared!" notice, no marker
// line and no prompt.
QString ProcessSystemLog(const TelnetCommands &commands);
QString CleanSystemLog(const QString &reply);

struct LogMerge
{
    QString contents; // the file's new text, without the final line end
    int added{0};
};
// `stored` is the file's text, or a null text when there is no file. Lines
// at the start of the log that the file already holds (ignoring case) are
// dropped; from the first new line on, everything is added.
LogMerge MergeSystemLog(const QString &stored, const QString &log);

struct LogSave
{
    bool saved{false}; // the file holds the whole log now (also when nothing was new)
    QString status;
};
// Merges the log into the file at `path`, replacing the file in one step.
LogSave SaveSystemLog(const QString &log, const QString &path);

// The interval box's minutes, 1 ... a week; 0 or not a number is 1.
int LogIntervalMinsFor(const QString &text);
// "hh:mm:ss", with hours beyond a day.
QString LogCountdownText(qint64 seconds);

} // namespace quillon
