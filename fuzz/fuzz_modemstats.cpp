#include "fuzz/fuzzinput.h"
#include "stats/core/boottime.h"
#include "stats/core/modemstats.h"
#include "stats/core/statslog.h"
#include "stats/core/vendors.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList p = fuzz::parts(data, size);
    const ModemStats stats = ParseModemStats(p.value(1), p.value(0));
    const VendorTable vendors = VendorTable::fromText(p.value(2));
    BootTimeTracker boot;
    boot.FindBootTime(p.value(3), QDateTime(QDate(2008, 10, 28), QTime(14, 5)));
    StatsLabels(stats, vendors, boot.BootTime());

    StatsLogEntry entry = StatsLogEntryFor(stats, p.value(4), 7, true);
    entry.when = QDateTime(QDate(2008, 10, 28), QTime(14, 5));
    const QString csv = StatsCsvLine(entry);
    fuzz::require(csv.count(QLatin1Char(',')) == 8);
    for (const QString &line : {csv, StatsTextLine(entry)}) {
        for (const QChar c : line)
            fuzz::require(c == QLatin1Char('\t') || (c >= QLatin1Char(' ') && c <= QLatin1Char('~')));
    }
    return 0;
}
