#pragma once

#include "history/core/historytypes.h"
#include "stats/core/linecounters.h"

namespace quillon {

enum class LineRestart { None, Resync, Reboot };

// What happened to the line's counters between two readings.
struct CounterStep
{
    // The error counts of the interval (the ping counts stay -1); -1 where
    // either reading lacked the counter and no restart explains it.
    std::array<qint64, HistoryCountCount> counts = HistoryReading::filledCounts();
    LineRestart restart{LineRestart::None};
    int resyncs{0};
    QString detail; // a sentence for the event, empty without one
};

// A counter below its previous value means the counters started again (all
// of them count from zero), unless it sat just under 2^32 and has just
// wrapped: a drop is never read as billions of errors. `rebootHint`: the
// uptime or a reboot the program made says the router restarted, which names
// a restart of the counters a reboot.
CounterStep StepCounters(const LineCounters &previous, const LineCounters &current, bool rebootHint);

} // namespace quillon
