#include "fuzz/fuzzinput.h"
#include "graphs/core/tonetables.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList p = fuzz::parts(data, size);
    ToneTables tables;
    ImportTable(tables, p.value(0));
    for (int bin = 0; bin < 3; ++bin)
        ImportSNRTable(tables, p.value(1 + bin), bin);
    ImportPsdsTable(tables, p.value(4), true);
    ImportPsdsTable(tables, p.value(5), false);
    fuzz::require(tables.DSBits.size() <= MaxToneValues && tables.USBits.size() <= MaxToneValues);
    QString log;
    const int threshold = p.size() > 6 ? int(p.at(6).size() % 16) : 0;
    AnalyseBits(tables, log, threshold, int(size % 600) - 50);
    AnalysePsdsSNR(tables, log, threshold);
    return 0;
}
