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

// Folds the reading at :t into the summary of its hour.
QString rollUpReading();

// Rows of [?1, ?2) in time order, each as: t, readings, per value
// min/avg/max, per count the sum; readings and hours alike.
QString readingRows();
QString hourRows();

} // namespace quillon::historysql
