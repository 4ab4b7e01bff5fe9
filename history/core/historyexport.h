#pragma once

#include "history/core/historytypes.h"

#include <QString>

#include <optional>

namespace quillon {

class HistoryStore;

// One line per bucket: time (local, "yyyy-MM-dd hh:mm"), readings, each
// value's min/avg/max, each count, and the events of the bucket.
QString HistoryCsv(const HistorySeries &series, qint64 utcOffsetMs);

enum class HistoryFormat { Text, Csv, Json };

// "24h", "7d", "90m", or a date "yyyy-mm-dd" / "dd/mm/yyyy" (local midnight);
// nullopt when it is none of these.
std::optional<qint64> ParseHistorySince(const QString &text, qint64 nowMs, qint64 utcOffsetMs);

// What `quillon-cli history` prints: every stored reading from sinceMs on
// (hours where only the hourly summary is left), with the events. Readings
// stamped later than now (the clock was set back since) are shown too.
QString HistoryReport(HistoryStore &store, qint64 sinceMs, qint64 utcOffsetMs, HistoryFormat format);

} // namespace quillon
