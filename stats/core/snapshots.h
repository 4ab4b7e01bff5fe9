#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>

namespace quillon {

inline constexpr char SnapshotFileName[] = "bwtotals.txt";
inline constexpr int SnapshotSlots = 4; // WAN, LAN, WLAN, USB

struct SlotTotals
{
    double Rx{0};
    double Tx{0};
};

using SlotArray = std::array<SlotTotals, SnapshotSlots>;

// Bytes carried per interface slot during one period; Loaded when read from
// the file (for the since-boot record: counting has started).
struct SnapshotRecord
{
    SlotArray Totals{};
    bool Loaded{false};
};

// The bandwidth totals per router boot, hour, day, week and month, kept in
// "bwtotals.txt" beside the program. Periods: 1 hour, 2 day, 3 week, 4 month.
class BandwidthSnapshots final
{
public:
    // Reads the file; the load time (Clock::now()) is the first reference time.
    void LoadSnapshots();
    // The same from the file's text.
    void LoadSnapshotsFrom(const QString &text);

    // After every bandwidth sample: `delta` holds the bytes of the last
    // interval per slot, `bootTime` the router's current boot time. The
    // caller stores the router's counters in SinceBoot() at its first reading.
    void UpdateSnapshots(const SlotArray &delta, const QDateTime &bootTime);

    // Close-down: drops old hour lines, records the boot and the current
    // periods and replaces the file. Does nothing unless a sample was taken.
    // False when the file could not be written (the user has been told).
    bool Close(const QDateTime &bootTime);

    // One line of totals for the displays: the slot names with "-Rx"/"-Tx"
    // as a header, or the sizes.
    static QString FormatSnapshot(const SnapshotRecord &record, bool header, const QStringList &slotNames);
    // "Boot - " + boot time as written in the file.
    static QString BootLabel(const QDateTime &bootTime);

    SnapshotRecord &SinceBoot() { return m_sinceBoot; }
    const SnapshotRecord &LastHour() const { return m_periods[0]; }
    const SnapshotRecord &Today() const { return m_periods[1]; }
    const SnapshotRecord &ThisWeek() const { return m_periods[2]; }
    const SnapshotRecord &ThisMonth() const { return m_periods[3]; }
    const SnapshotRecord &SavedBoot() const { return m_savedBoot; }
    QDateTime SavedBootTime() const { return m_savedBootTime; }
    QDateTime SavedAt() const { return m_savedAt; }
    QDateTime LastSnapshotTime() const { return m_lastSnapshotTime; }
    bool SnapshotsActive() const { return m_active; }
    // Month lines of the file, newest label first.
    const QStringList &MonthLines() const { return m_monthLines; }
    const QStringList &SnapshotLines() const { return m_lines; }

private:
    SnapshotRecord &period(int p) { return m_periods[size_t(p - 1)]; }
    static void LoadThisSnapshot(SnapshotRecord &record, const QString &data);
    void UpdateThisSnapshot(SnapshotRecord &record, const QDateTime &time, int p, const SlotArray &delta);
    void AddToSnapshot(const SnapshotRecord &source, SnapshotRecord &target, const QDateTime &time, int p,
                       bool addAll) const;
    static void SetToSnapshot(const SnapshotRecord &source, SnapshotRecord &target);
    void ImportBetween();
    void ImportCurrentBoot(const QDateTime &time, bool add, const QDateTime &bootTime);
    void SendSnapshotToFile(const QString &label, const SnapshotRecord &record, bool withTime);
    void CleanUpSnapshotLog();
    bool SaveSnaphotArray();

    SnapshotRecord m_savedBoot;
    SnapshotRecord m_sinceBoot;
    std::array<SnapshotRecord, 4> m_periods{};
    QDateTime m_lastSnapshotTime;
    QDateTime m_savedBootTime;
    QDateTime m_savedAt;
    bool m_active{false};
    QStringList m_lines;
    QStringList m_monthLines;
};

} // namespace quillon
