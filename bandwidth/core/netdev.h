#pragma once

// What the router says about its interfaces: the byte counters of
// /proc/net/dev, the uptime, and the interface names per router model.

#include "bandwidth/core/bandwidthsettings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillon {

class TelnetCommands;
struct RouterLogin;

inline constexpr char NetDevPath[] = "/proc/net/dev";
inline constexpr char RouterIdsFileName[] = "routerids.txt";

struct NetDevCounters
{
    QString name;
    quint64 rx{0}; // received bytes
    quint64 tx{0}; // transmitted bytes
};

struct NetDevReading
{
    QString text; // the reply with its repeated line ends collapsed, as shown to the user
    QList<NetDevCounters> interfaces;

    // The first interface of that name, ignoring case.
    const NetDevCounters *find(const QString &name) const;
};

// The reply of "cat /proc/net/dev" without its end-marker line. A line names
// counters when it has a colon after the name and whole numbers in the first
// (received bytes) and ninth (transmitted bytes) columns after it; "No
// statistics available." and the header lines name none.
NetDevReading ParseNetDev(const QString &reply);

// The seconds of a "cat /proc/uptime" reply; none when it holds no number.
std::optional<double> ParseUptime(const QString &reply);

// Job 8: the interface counters and the uptime, each read up to the end marker.
QString GetBandwidthScript(const RouterLogin &login);

struct BandwidthReplies
{
    NetDevReading netdev;
    QString uptimeText;            // the uptime reply's first line
    std::optional<double> uptime;  // its seconds, when it holds a number
};
BandwidthReplies ProcessBandwidth(const TelnetCommands &commands);

// One entry of the router-model list: the interface names of slots 0..3.
struct RouterIdSet
{
    QString name;
    QStringList ids;
};

// "routerids.txt": one "name : ids" per line, ids separated by single
// blanks; empty lines, lines starting with "#" and lines without a name are
// skipped. The list always starts with "Default".
QList<RouterIdSet> ParseRouterIds(const QString &text);

} // namespace quillon
