#include "fuzz/fuzzinput.h"
#include "graphs/core/snrhistory.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SnrHistory history;
    history.fromText(fuzz::text(data, size));
    history.addSample(fuzz::parts(data, size).last());
    history.drawing();
    fuzz::require(history.toLine().count(QLatin1Char(',')) == SnrHistory::Points - 1);
    return 0;
}
