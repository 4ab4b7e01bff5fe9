#include "base/clock.h"
#include "fuzz/fuzzinput.h"
#include "stats/core/snapshots.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The load time decides which lines are the current periods.
    ScopedClock clock(QDateTime(QDate(2008, 10, 28), QTime(14, 5, 9)));
    BandwidthSnapshots snapshots;
    snapshots.LoadSnapshotsFrom(fuzz::text(data, size));
    snapshots.SinceBoot().Loaded = false;
    snapshots.UpdateSnapshots(SlotArray{}, QDateTime(QDate(2008, 10, 28), QTime(9, 14)));
    for (const SnapshotRecord *r : {&snapshots.LastHour(), &snapshots.ThisMonth(), &snapshots.SavedBoot()})
        BandwidthSnapshots::FormatSnapshot(*r, false, {});
    return 0;
}
