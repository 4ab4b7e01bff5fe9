#include "bandwidth/core/bandwidthcounters.h"

#include "base/misc.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

constexpr int DefaultIntervalSecs = 60;
constexpr int MaxIntervalSecs = 24 * 60 * 60;
constexpr double MaxRateMbitLimit = 1.0e6;
// Minute-rounded boot times and router clocks that drift need some give.
constexpr double UptimeSlackSecs = 60.0;
constexpr double UptimeSlackShare = 0.01;
constexpr quint64 Wrap32 = 4294967296ull;

double secsBetween(const QDateTime &from, const QDateTime &to)
{
    return from.isValid() && to.isValid() ? double(from.msecsTo(to)) / 1000.0 : 0.0;
}

} // namespace

quint64 CounterDelta(quint64 previous, quint64 current, bool rebooted, double elapsedSecs, double maxBytesPerSec)
{
    if (rebooted)
        return current;
    if (current >= previous)
        return current - previous;
    if (previous < Wrap32 && current < Wrap32) {
        const quint64 wrapped = Wrap32 - previous + current;
        if (elapsedSecs > 0 && double(wrapped) <= maxBytesPerSec * elapsedSecs)
            return wrapped;
    }
    return current;
}

bool RebootedBetween(std::optional<double> uptimeBefore, std::optional<double> uptimeNow, double elapsedSecs)
{
    if (!uptimeNow)
        return false;
    const double slack = UptimeSlackSecs + UptimeSlackShare * std::max(0.0, elapsedSecs);
    if (uptimeBefore && *uptimeNow + slack < *uptimeBefore)
        return true;
    return elapsedSecs > 0 && *uptimeNow + slack < elapsedSecs;
}

double MaxBytesPerSec(const QString &maxRateMbit)
{
    double mbit = Val(maxRateMbit);
    if (!std::isfinite(mbit) || mbit <= 0)
        mbit = DefaultMaxRateMbit;
    return std::min(mbit, MaxRateMbitLimit) * 1.0e6 / 8.0;
}

int BandwidthIntervalSecs(const QString &text)
{
    const double secs = Val(text);
    if (!std::isfinite(secs) || secs < 1)
        return DefaultIntervalSecs;
    return int(std::min<qint64>(roundHalfEven(std::min(secs, double(MaxIntervalSecs))), MaxIntervalSecs));
}

bool Measurement::anyData() const
{
    return std::any_of(hasData.begin(), hasData.end(), [](bool b) { return b; });
}

void BandwidthCounters::show(const std::array<QString, InterfaceSlots> &names, const NetDevReading &reading)
{
    for (size_t s = 0; s < InterfaceSlots; ++s) {
        const NetDevCounters *found = names[s].isEmpty() ? nullptr : reading.find(names[s]);
        m_slots[s].Found = found != nullptr;
        if (found)
            m_slots[s].Current = {found->rx, found->tx};
    }
}

Measurement BandwidthCounters::measure(const std::array<QString, InterfaceSlots> &names,
                                       const NetDevReading &reading, const QDateTime &asked,
                                       std::optional<double> uptime, double maxBytesPerSec)
{
    Measurement m;
    m.rebooted = m_lastAt.isValid() && RebootedBetween(m_lastUptime, uptime, secsBetween(m_lastAt, asked));
    m_lastAt = asked;
    m_lastUptime = uptime;

    show(names, reading);
    for (size_t s = 0; s < InterfaceSlots; ++s) {
        InterfaceCounters &slot = m_slots[s];
        slot.Delta = {};
        slot.DeltaSecs = 0;
        if (!slot.Found)
            continue;
        if (!slot.Previous) {
            m.firstCounters[s] = slot.Current;
        } else {
            const double elapsed = secsBetween(slot.BaselineAt, asked);
            const bool rebooted = RebootedBetween(slot.BaselineUptime, uptime, elapsed);
            slot.Delta = {CounterDelta(slot.Previous->rx, slot.Current.rx, rebooted, elapsed, maxBytesPerSec),
                          CounterDelta(slot.Previous->tx, slot.Current.tx, rebooted, elapsed, maxBytesPerSec)};
            slot.DeltaSecs = std::max(0.0, elapsed);
            slot.RunTotal.rx += slot.Delta.rx;
            slot.RunTotal.tx += slot.Delta.tx;
            slot.MaxDelta = {std::max(slot.MaxDelta.rx, slot.Delta.rx), std::max(slot.MaxDelta.tx, slot.Delta.tx)};
            if (slot.DeltaSecs > 0) {
                slot.MaxRxRate = std::max(slot.MaxRxRate, double(slot.Delta.rx) / slot.DeltaSecs);
                slot.MaxTxRate = std::max(slot.MaxTxRate, double(slot.Delta.tx) / slot.DeltaSecs);
                slot.MaxRateKnown = true;
            }
            m.hasData[s] = true;
        }
        slot.Previous = slot.Current;
        slot.BaselineAt = asked;
        slot.BaselineUptime = uptime;
    }
    return m;
}

void BandwidthCounters::clear()
{
    m_slots = {};
    m_lastAt = {};
    m_lastUptime.reset();
}

} // namespace quillon
