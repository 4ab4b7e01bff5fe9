#include "exchange/core/exchangescrapers.h"
#include "fuzz/fuzzinput.h"

#include <cmath>

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A web page is read as UTF-8, as the downloader hands it over.
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    Exc_FindExchangeCode(page);
    Exc_FindExchangePostcode(page);
    const float km = Exc_FindDrivingDistance(page);
    fuzz::require(std::isfinite(km) && km >= 0);
    const QString token = LookupTokenWithoutBlanks(page.left(64));
    if (IsLookupToken(token))
        fuzz::require(!token.contains(QLatin1Char(' ')));
    return 0;
}
