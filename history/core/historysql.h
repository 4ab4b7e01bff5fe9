#pragma once

// The line history's tables and the statements over them, built from the
// value and counter tables so that a new measure needs no hand-written SQL.

#include <QString>
#include <QStringList>

namespace quillon::historysql {

// Statements that bring a file of schema version `from` to `from` + 1.
QStringList migration(int from);

// "readings" row: t, source, uptime, the values (ping as min/avg/max), the
// counts, mode, path, ping_state, last_rtt, the raw counters, bound by position.
QString insertReading();
int readingColumns();
// The same columns for a SELECT, in the same order.
QString readingColumnList();

QString insertEvent();

// Parameters :cut (readings before it are rolled into their hours).
QString rollUpReadings();

// Parameters :from, :to (ms) and, when bucketed, :off and :b. Columns:
// bucket start, readings, per value min/avg/max, per count the sum.
QString bucketQuery(bool bucketed);

} // namespace quillon::historysql
