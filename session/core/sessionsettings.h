#pragma once

#include "stats/core/routerscripts.h"

#include <QString>

namespace quillon {

// The settings the router work reads, as the texts the user gave. The window
// takes them from its controls at the moment they are needed; the command
// line from "settings.ini" and its options.
struct SessionSettings
{
    RouterLogin login;
    QString pingTarget;      // monitoring ping address or host name
    QString pingInterval;    // seconds
    QString maxFailedPings;
    bool statsEnabled{true}; // periodic statistics while monitoring
    QString statsInterval;   // minutes
    bool settleEnabled{false};
    QString settleTime;      // seconds
    bool saveStatsText{true};
    bool saveStatsCsv{true};
    QString dsStartBit;      // first downstream tone of the gap analysis
};

class SettingsValues;

// The router work's settings from the values of "settings.ini".
SessionSettings SessionSettingsFrom(const SettingsValues &values);

} // namespace quillon
