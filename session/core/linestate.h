#pragma once

#include "config/core/envreplies.h"
#include "graphs/core/snrhistory.h"
#include "graphs/core/tonetables.h"
#include "stats/core/boottime.h"
#include "stats/core/modemstats.h"
#include "stats/core/vendors.h"

#include <QString>

#include <array>
#include <optional>

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
    ThresholdReading threshold; // the last read of the five environment values
    bool thresholdRead{false};
    // Each feature word as last read well; empty until one read of it was.
    std::array<std::optional<quint32>, 3> featureWords;

    // A reading's values taken over; the mode only when the reading named one.
    void takeStats(const ModemStats &stats)
    {
        lastStats = stats;
        statsRead = true;
        if (stats.modeFound)
            isADSL2 = stats.isADSL2;
    }

    // A malformed word keeps the last good reading of that word.
    void takeThreshold(const ThresholdReading &reading)
    {
        threshold = reading;
        thresholdRead = true;
        for (size_t i = 0; i < featureWords.size(); ++i) {
            if (const std::optional<quint32> word = reading.word(int(i)))
                featureWords[i] = word;
        }
    }
};

} // namespace quillon
