#include "bandwidth/core/netdev.h"
#include "fuzz/fuzzinput.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::text(data, size);
    ParseNetDev(text);
    ParseUptime(text);
    ParseRouterIds(text);
    return 0;
}
