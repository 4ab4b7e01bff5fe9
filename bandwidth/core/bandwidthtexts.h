#pragma once

// The texts the bandwidth readings leave behind: the log block of
// "bandwidth.txt", the history sample, the label rows of each records view,
// the period summary and the month list.

#include "bandwidth/core/bandwidthcounters.h"

#include <QDateTime>
#include <QString>

#include <array>

namespace quillon {

class BandwidthSnapshots;

inline constexpr char BandwidthLogFileName[] = "bandwidth.txt";
// The on-screen log is cut back by whole lines once it passes this length.
inline constexpr qsizetype BandwidthTextLimit = 64000;

// The entries of the records view list, in list order.
enum class RecordsView { CurrentSession, SinceBoot, LastHour, Today, ThisWeek, ThisMonth, Rates, MaxRates };
inline constexpr std::array<const char *, 8> RecordsViewNames{
    "Current session", "Since router boot", "Last Hour", "Today", "This Week", "This Month", "Rates", "Max Rates"};

struct SlotFigures
{
    QString rx;
    QString tx;
};
using ViewFigures = std::array<SlotFigures, InterfaceSlots>;

// The label rows of a records view: byte sizes, or rates ("-" when unknown).
ViewFigures RecordsViewFigures(int view, const BandwidthCounters &counters, const BandwidthSnapshots &records);

// A monitored reading's block for "bandwidth.txt": the header line, then one
// line per slot with data; CR LF after every slot line but slot 3's. Empty
// when no slot has data.
QString BandwidthLogBlock(const QDateTime &when, const BandwidthCounters &counters, const Measurement &m);

// What the history chart gets from a reading: "bytes,colour" for each ticked
// graph of a slot with data, "|"-joined, slot by slot, received first.
QString HistorySample(const BandwidthCounters &counters, const Measurement &m, const GraphTicks &ticks);

// The text appended to, keeping it under the limit by dropping its oldest lines.
void AppendToBandwidthText(QString &text, const QString &block);

// "I/F:", "Hour:", "Day:", "Week:", "Month:" rows of the period records.
QString PeriodSummary(const BandwidthSnapshots &records);
// "Month" and the header, then every month the records hold, newest first.
QString MonthlyTotals(const BandwidthSnapshots &records);

// The slot labels as the record formatting wants them.
QStringList SlotLabelList();

// The ticked-graph list as stored: chkGraphRx 0..3 then chkGraphTx 0..3.
QString BuildBWTickedGraphList(const GraphTicks &ticks);
// Any non-zero value ticks; missing values untick.
void ApplyBWTickedGraphList(const QString &list, GraphTicks &ticks);

// The counters of the last reading, one line per slot found: label, interface
// name, received and sent bytes, tab-separated.
QString SlotCountersText(const BandwidthCounters &counters, const std::array<QString, InterfaceSlots> &ids);

// The mini window's text: one line per slot with a ticked graph.
QString MiniStatsText(const GraphTicks &ticks, const ViewFigures &figures);

} // namespace quillon
