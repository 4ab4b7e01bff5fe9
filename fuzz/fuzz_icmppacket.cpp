#include "fuzz/fuzzinput.h"
#include "netdiag/core/icmppacket.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const auto n = qsizetype(size);
    for (const bool withIp : {true, false}) {
        for (const bool matchId : {true, false})
            icmp::ParsePacket(bytes, n, withIp, 0x1234, 1, matchId);
    }
    icmp::Checksum(bytes, n);
    return 0;
}
