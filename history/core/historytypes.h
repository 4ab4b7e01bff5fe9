#pragma once

// What the line history keeps: one record per statistics reading, the events
// seen on the line, and the buckets the charts and exports are drawn from.

#include "stats/core/linecounters.h"

#include <QList>
#include <QString>

#include <array>
#include <cmath>
#include <limits>

namespace quillon {

// Values with a minimum, average and maximum per bucket.
enum class HistoryValue : int {
    DsRate,
    UsRate,
    DsMaxRate,
    UsMaxRate,
    DsMargin,
    UsMargin,
    DsAttenuation,
    UsAttenuation,
    DsPower,
    UsPower,
    PingRtt, // round trips of the interval's pings, ms
};
inline constexpr int HistoryValueCount = int(HistoryValue::PingRtt) + 1;

// Counts per interval, summed per bucket.
enum class HistoryCount : int {
    DsCrc,
    UsCrc,
    DsFec,
    UsFec,
    DsHec,
    UsHec,
    ErroredSecs,
    SeverelyErroredSecs,
    Los,
    Sef,
    InitErrors,
    PingsSent,
    PingsLost,
};
inline constexpr int HistoryCountCount = int(HistoryCount::PingsLost) + 1;

// Column and export names ("ds_margin", "ds_crc", ...) and export headings.
const char *historyValueKey(HistoryValue v);
const char *historyCountKey(HistoryCount c);
QString historyValueTitle(HistoryValue v);
QString historyCountTitle(HistoryCount c);

enum class ReadingSource : int { Monitor = 0, FullFetch = 1, Import = 2 };

inline constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();
inline bool hasValue(double v) { return !std::isnan(v); }

struct HistoryReading
{
    qint64 timeMs{0}; // ms since the epoch, UTC
    ReadingSource source{ReadingSource::Monitor};
    qint64 uptimeSecs{-1}; // router uptime when known
    // NoValue where the reading had none; PingRtt holds the interval's average.
    std::array<double, HistoryValueCount> values = filledValues();
    double pingMinMs{NoValue};
    double pingMaxMs{NoValue};
    // -1: unknown (the first reading, an import).
    std::array<qint64, HistoryCountCount> counts = filledCounts();
    QString mode;
    QString path;
    QString pingState; // "Up", "Down" or empty
    qint32 lastRttMs{-1};
    LineCounters counters;

    double value(HistoryValue v) const { return values[size_t(v)]; }
    void setValue(HistoryValue v, double x) { values[size_t(v)] = x; }
    qint64 count(HistoryCount c) const { return counts[size_t(c)]; }
    void setCount(HistoryCount c, qint64 n) { counts[size_t(c)] = n; }

    static std::array<double, HistoryValueCount> filledValues()
    {
        std::array<double, HistoryValueCount> a{};
        a.fill(NoValue);
        return a;
    }
    static std::array<qint64, HistoryCountCount> filledCounts()
    {
        std::array<qint64, HistoryCountCount> a{};
        a.fill(-1);
        return a;
    }
};

enum class HistoryEventKind : int {
    Resync = 1,         // the line trained again (showtime count, or the counters started over)
    RouterRestarted = 2, // the router came back from a restart it was not asked for by us
    WatchdogReboot = 3,  // the ping watchdog rebooted the router
    RequestedReboot = 4, // a reboot asked for in the program
};

QString historyEventTitle(HistoryEventKind kind);

struct HistoryEvent
{
    qint64 timeMs{0};
    HistoryEventKind kind{HistoryEventKind::Resync};
    QString detail;

    bool operator==(const HistoryEvent &) const = default;
};

struct ValueRange
{
    double min{NoValue};
    double avg{NoValue};
    double max{NoValue};
};

// The readings of one stretch of time, merged.
struct HistoryBucket
{
    qint64 startMs{0};
    qint64 readings{0};
    std::array<ValueRange, HistoryValueCount> values{};
    std::array<qint64, HistoryCountCount> counts = HistoryReading::filledCounts(); // -1: none known

    const ValueRange &value(HistoryValue v) const { return values[size_t(v)]; }
    qint64 count(HistoryCount c) const { return counts[size_t(c)]; }
};

struct HistorySeries
{
    qint64 fromMs{0};
    qint64 toMs{0};
    qint64 bucketMs{0};
    QList<HistoryBucket> buckets;
    QList<HistoryEvent> events;
};

} // namespace quillon
