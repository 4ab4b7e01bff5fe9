#pragma once

#include "graphs/core/snrhistory.h"
#include "graphs/core/tonetables.h"
#include "stats/core/boottime.h"
#include "stats/core/modemstats.h"
#include "stats/core/vendors.h"

#include <QString>

namespace quillon {

// What the program knows of the router's line: filled by the router jobs,
// read by whatever shows it (the window, the command line).
struct LineState
{
    VendorTable vendors;
    BootTimeTracker boot;
    QString versionText;     // driver and DSP version lines of the last full fetch
    ModemStats lastStats;    // the last statistics reading
    bool statsRead{false};
    bool isADSL2{false};     // the trained mode, kept when a reading names no known mode
    ToneTables tones;
    SnrHistory snrHistory;

    // A reading's values taken over; the mode only when the reading named one.
    void takeStats(const ModemStats &stats)
    {
        lastStats = stats;
        statsRead = true;
        if (stats.modeFound)
            isADSL2 = stats.isADSL2;
    }
};

} // namespace quillon
