#pragma once

#include <QStringView>

#include <array>

namespace quillon {

// The modem's error and sync counters of one statistics reply, raw as the
// driver prints them (32-bit, counting since the line or the router started).
enum class LineCounter : int {
    DsCrcInterleaved,
    DsFecInterleaved,
    DsHecInterleaved,
    UsCrcInterleaved,
    UsFecInterleaved,
    UsHecInterleaved,
    DsCrcFast,
    DsFecFast,
    DsHecFast,
    UsCrcFast,
    UsFecFast,
    UsHecFast,
    Los,
    Sef,
    ErroredSecs,
    SeverelyErroredSecs,
    TotalInitErrors,
    TotalInitTimeouts,
    ShowtimeInitErrors,
    ShowtimeInitTimeouts,
    ShowtimeCount,
    DsSuperframes,
    UsSuperframes,
};

inline constexpr int LineCounterCount = int(LineCounter::UsSuperframes) + 1;

// A short stable key per counter ("ds_crc_i", "es", ...): database columns,
// export headers and metric names use it.
const char *lineCounterKey(LineCounter counter);

struct LineCounters
{
    static constexpr qint64 Absent = -1;

    // Absent where the reply has no such line (older drivers, garbage).
    std::array<qint64, LineCounterCount> values = filled(Absent);

    qint64 value(LineCounter c) const { return values[size_t(c)]; }
    bool has(LineCounter c) const { return value(c) >= 0; }
    void set(LineCounter c, qint64 v) { values[size_t(c)] = v; }
    bool any() const;

    bool operator==(const LineCounters &) const = default;

private:
    static constexpr std::array<qint64, LineCounterCount> filled(qint64 v)
    {
        std::array<qint64, LineCounterCount> a{};
        a.fill(v);
        return a;
    }
};

// `text`: the statistics reply, marker line removed, TABs blanked.
LineCounters ParseLineCounters(QStringView text);

} // namespace quillon
