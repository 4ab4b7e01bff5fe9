#include "fuzz/fuzzinput.h"
#include "netdiag/core/dnsmessage.h"

using namespace quillon;
using namespace quillon::dns;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray message(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<DNSInfo> info = GetDNSInfo(message);
    if (!info)
        return 0;
    // The counts promise no more records than were read.
    fuzz::require(info->Answers.size() <= info->ANCOUNT && info->Questions.size() <= info->QDCOUNT);
    for (const QList<DNSRecord> *records : {&info->Answers, &info->Authority, &info->Additional}) {
        for (const DNSRecord &r : *records)
            EscapeHostName(r.Name + r.Data);
    }
    GetRespCode(info->RCODE);
    return 0;
}
