#pragma once

// Interface byte counters turned into the bytes moved between readings: the
// 32-bit wrap, interfaces made anew and router reboots told apart.

#include "bandwidth/core/netdev.h"

#include <QDateTime>

#include <array>
#include <optional>

namespace quillon {

inline constexpr double TwoToThe32 = 4294967296.0;
// The fastest an interface is taken to move bytes when no other is set.
inline constexpr double DefaultMaxRateMbit = 100.0;

struct ByteCounts
{
    quint64 rx{0};
    quint64 tx{0};
};

// The bytes one counter moved from `previous` to `current`. After a reboot
// the counter began again at 0. A drop is a wrap of a 32-bit counter only
// when the bytes it implies could have been carried in the time between at
// `maxBytesPerSec`; otherwise the interface was made anew (a PPP reconnect)
// and began again at 0. Counters past 2^32 are 64-bit: they never wrap there.
quint64 CounterDelta(quint64 previous, quint64 current, bool rebooted, double elapsedSecs, double maxBytesPerSec);

// Whether the router restarted between two readings `elapsedSecs` apart:
// its uptime is now shorter than the time since the earlier reading, or than
// the uptime then. Unknown uptimes tell nothing.
bool RebootedBetween(std::optional<double> uptimeBefore, std::optional<double> uptimeNow, double elapsedSecs);

// The fastest rate the "Maximum rate" setting allows, in bytes per second;
// the setting holds Mbit/s, anything not a positive number means 100.
double MaxBytesPerSec(const QString &maxRateMbit);

// Seconds between monitored readings from the interval box: below 1, empty
// or not a number counts as 60; at most a day.
int BandwidthIntervalSecs(const QString &text);

// One interface slot. All amounts are bytes.
struct InterfaceCounters
{
    bool Found{false};          // named in the last reading
    ByteCounts Current;         // counters of the last reading
    std::optional<ByteCounts> Previous; // the baseline; none at start-up and after a clear
    QDateTime BaselineAt;       // when the baseline was asked for
    std::optional<double> BaselineUptime;
    ByteCounts Delta;           // moved in the last measured interval
    double DeltaSecs{0};        // length of that interval; 0 when unknown
    ByteCounts RunTotal;        // sum of the deltas since start-up or the clear
    ByteCounts MaxDelta;
    double MaxRxRate{0};        // bytes per second
    double MaxTxRate{0};
    bool MaxRateKnown{false};   // an interval of known length has been measured
};

// What one monitored reading measured.
struct Measurement
{
    std::array<bool, InterfaceSlots> hasData{};  // found, with a baseline before this reading
    std::array<std::optional<ByteCounts>, InterfaceSlots> firstCounters{}; // baselines set by this reading
    bool rebooted{false}; // the router restarted since the last monitored reading
    bool anyData() const;
};

class BandwidthCounters final
{
public:
    // A reading shown on demand: only Found and Current change.
    void show(const std::array<QString, InterfaceSlots> &names, const NetDevReading &reading);
    // A monitored reading: each found slot measures from its baseline and the
    // reading becomes the new baseline; a slot not found moves nothing.
    Measurement measure(const std::array<QString, InterfaceSlots> &names, const NetDevReading &reading,
                        const QDateTime &asked, std::optional<double> uptime, double maxBytesPerSec);
    // Baselines, counts, totals, rates and maxima back to their start.
    void clear();

    const std::array<InterfaceCounters, InterfaceSlots> &all() const { return m_slots; }
    const InterfaceCounters &slot(int s) const { return m_slots[size_t(s)]; }

private:
    std::array<InterfaceCounters, InterfaceSlots> m_slots{};
    QDateTime m_lastAt;
    std::optional<double> m_lastUptime;
};

} // namespace quillon
