#include "history/core/counterstep.h"

namespace quillon {

namespace {

constexpr qint64 kTwoTo32 = 0x100000000ll;
// A wrap leaves a counter that stood this close to 2^32 this close to 0.
constexpr qint64 kWrapWindow = 1ll << 26;

using C = LineCounter;

struct CountSource
{
    HistoryCount count;
    C first;
    C second; // == first for a single counter
};

const CountSource kSources[] = {
    {HistoryCount::DsCrc, C::DsCrcInterleaved, C::DsCrcFast},
    {HistoryCount::UsCrc, C::UsCrcInterleaved, C::UsCrcFast},
    {HistoryCount::DsFec, C::DsFecInterleaved, C::DsFecFast},
    {HistoryCount::UsFec, C::UsFecInterleaved, C::UsFecFast},
    {HistoryCount::DsHec, C::DsHecInterleaved, C::DsHecFast},
    {HistoryCount::UsHec, C::UsHecInterleaved, C::UsHecFast},
    {HistoryCount::ErroredSecs, C::ErroredSecs, C::ErroredSecs},
    {HistoryCount::SeverelyErroredSecs, C::SeverelyErroredSecs, C::SeverelyErroredSecs},
    {HistoryCount::Los, C::Los, C::Los},
    {HistoryCount::Sef, C::Sef, C::Sef},
    {HistoryCount::InitErrors, C::TotalInitErrors, C::TotalInitErrors},
};

// Counters that only grow while the line stays up.
const C kMonotonic[] = {C::DsCrcInterleaved, C::DsFecInterleaved, C::DsHecInterleaved, C::UsCrcInterleaved,
                        C::UsFecInterleaved,  C::UsHecInterleaved, C::DsCrcFast,        C::DsFecFast,
                        C::DsHecFast,         C::UsCrcFast,        C::UsFecFast,        C::UsHecFast,
                        C::Los,               C::Sef,              C::ErroredSecs,      C::SeverelyErroredSecs,
                        C::DsSuperframes,     C::UsSuperframes};

bool wrapped(qint64 previous, qint64 current)
{
    return previous >= kTwoTo32 - kWrapWindow && current < kWrapWindow;
}

bool droppedWithoutWrap(const LineCounters &p, const LineCounters &c, C counter)
{
    const qint64 a = p.value(counter);
    const qint64 b = c.value(counter);
    return a >= 0 && b >= 0 && b < a && !wrapped(a, b);
}

qint64 delta(const LineCounters &p, const LineCounters &c, C counter, bool restarted)
{
    const qint64 b = c.value(counter);
    if (b < 0)
        return -1;
    if (restarted)
        return b;
    const qint64 a = p.value(counter);
    if (a < 0)
        return -1;
    return b >= a ? b - a : b + kTwoTo32 - a;
}

} // namespace

CounterStep StepCounters(const LineCounters &previous, const LineCounters &current, bool rebootHint)
{
    CounterStep step;
    bool reset = false;
    for (C counter : kMonotonic)
        reset = reset || droppedWithoutWrap(previous, current, counter);

    const qint64 before = previous.value(C::ShowtimeCount);
    const qint64 after = current.value(C::ShowtimeCount);
    const bool counted = before >= 0 && after >= 0;
    // The driver's showtime count starts again with the router, so a count
    // that fell, or stayed while the counters restarted, is a reboot.
    if (counted && after < before)
        reset = true;
    if (reset && (rebootHint || (counted && after <= before))) {
        step.restart = LineRestart::Reboot;
        step.detail = QStringLiteral("The router restarted: its line counters started again");
    } else if (counted && after > before) {
        step.restart = LineRestart::Resync;
        step.resyncs = int(qMin<qint64>(after - before, 1000000));
        step.detail = QStringLiteral("The line trained again (showtime count %1 to %2)").arg(before).arg(after);
    } else if (reset) {
        step.restart = LineRestart::Resync;
        step.resyncs = 1;
        step.detail = QStringLiteral("The line trained again: its error counters started over");
    }

    for (const CountSource &s : kSources) {
        const qint64 a = delta(previous, current, s.first, reset);
        const qint64 b = s.second == s.first ? -1 : delta(previous, current, s.second, reset);
        step.counts[size_t(s.count)] = (a < 0 && b < 0) ? -1 : qMax<qint64>(a, 0) + qMax<qint64>(b, 0);
    }
    return step;
}

} // namespace quillon
