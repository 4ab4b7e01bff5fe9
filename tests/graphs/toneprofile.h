#pragma once

#include "graphs/core/tonetables.h"
#include "tests/support/testsupport.h"

namespace quillon::test {

// Captures are stored with LF; the telnet server sends CR LF.
inline QString wire(const QString &fixture)
{
    return QString::fromLatin1(readData(QStringLiteral("graphs/") + fixture)).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

inline ToneTables importProfile(const QString &profile)
{
    ToneTables t;
    ImportTable(t, wire(profile + QStringLiteral("_bit_allocation_table.txt")));
    for (int bin = 0; bin < 3; ++bin)
        ImportSNRTable(t, wire(profile + QStringLiteral("_rxsnr%1.txt").arg(bin)), bin);
    ImportPsdsTable(t, wire(profile + QStringLiteral("_SNRpsds.txt")), true);
    ImportPsdsTable(t, wire(profile + QStringLiteral("_QLNpsds.txt")), false);
    return t;
}

} // namespace quillon::test
