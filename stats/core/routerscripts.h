#pragma once

#include <QString>

namespace quillon {

// Where and as whom the scripts log in: the texts of the router settings.
struct RouterLogin
{
    QString host;
    QString port;
    QString user;
    QString password;
};

// Empty when the login has both a user name and a password; else the message
// to show at once: the router's login prompt would wait for them until the
// stall timer ends the script.
QString MissingLoginMessage(const RouterLogin &login);

// A file that never exists on the router: `cat path "no_where"` prints the
// file and then an error line naming it, which tells the script the whole
// file has arrived.
inline constexpr char MarkerWord[] = "no_where";

inline constexpr char ModulationSchemesPath[] = "/proc/avalanche/avsar_dsl_modulation_schemes";
inline constexpr char ModemStatsPath[] = "/proc/avalanche/avsar_modem_stats";
inline constexpr char VersionPath[] = "/proc/avalanche/avsar_ver";
inline constexpr char UptimePath[] = "/proc/uptime";

// Backslash and double quote: a literal quote inside a quoted SEND argument.
QString QuoteEscape();

// Appends a line: the line alone into an empty script, else CR LF + line.
void AddToScript(QString &script, const QString &line);

// The six login lines every script starts with.
void AddLoginPreamble(QString &script, const RouterLogin &login);
// SEND of `cat path "no_where"` and the WAIT for the marker.
void AddMarkerRead(QString &script, const QString &path);

// Job 1: modulation table and modem statistics (ten lines).
QString GetStatsScript(const RouterLogin &login);
// Job 3: driver version and uptime. The caller records the moment it runs
// this as the uptime's reference time.
QString GetRouterVersionScript(const RouterLogin &login);
// Job 4: log in, wait five seconds, reboot. Run with WaitForReboot set.
QString RebootRouterScript(const RouterLogin &login);

} // namespace quillon
