#include "history/core/statscsvimport.h"

#include <QByteArray>

#include <cmath>
#include <cstdlib>

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &line : input.split('\n')) {
        const std::optional<HistoryReading> r = ParseStatsCsvLine(line);
        if (!r)
            continue;
        for (double v : r->values) {
            if (hasValue(v) && !std::isfinite(v))
                std::abort();
        }
        if (r->lastRttMs < -1 || r->lastRttMs > 10000000)
            std::abort();
    }
    return 0;
}
