#pragma once

#include "history/core/historytypes.h"

namespace quillon {

struct ModemStats;

// The figures of a statistics reading as numbers: rates in kbit/s (a rate
// given in bps is converted), dB as printed; NoValue for an empty, "n/a" or
// not-synced text.
HistoryReading ReadingFromStats(const ModemStats &stats, qint64 timeMs, ReadingSource source);

// The rate text of the statistics ("21012 kbps", "1176000 bps", "448") in kbit/s.
double RateKbps(const QString &text);

} // namespace quillon
