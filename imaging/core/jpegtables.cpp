#include "imaging/core/jpegtables.h"

#include "base/misc.h"

#include <algorithm>

namespace quillon::jpeg {

namespace {

constexpr std::array<quint8, 64> kLuminanceNatural = {
    16, 11, 10, 16, 24, 40, 51, 61,
    12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77,
    24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103, 99,
};

constexpr std::array<quint8, 64> kChrominanceNatural = {
    17, 18, 24, 47, 99, 99, 99, 99,
    18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99,
    47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99,
};

Table64 toZigZag(const std::array<quint8, 64> &natural)
{
    Table64 out{};
    for (int k = 0; k < 64; ++k)
        out[k] = natural[kZigZagToNatural[k]];
    return out;
}

} // namespace

const std::array<quint8, 64> kZigZagToNatural = {
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

const Table64 &baseLuminanceTable()
{
    static const Table64 table = toZigZag(kLuminanceNatural);
    return table;
}

const Table64 &baseChrominanceTable()
{
    static const Table64 table = toZigZag(kChrominanceNatural);
    return table;
}

int qualityScale(int quality)
{
    quality = std::clamp(quality, 1, 100);
    if (quality < 50)
        return int(roundHalfEven(5000.0 / quality));
    return 200 - 2 * quality;
}

Table64 scaleTable(const Table64 &base, int scale)
{
    Table64 out{};
    for (int k = 0; k < 64; ++k) {
        const qint64 entry = roundHalfEven((double(base[k]) * scale + 50.0) / 100.0);
        out[k] = quint8(std::clamp<qint64>(entry, 1, 255));
    }
    return out;
}

} // namespace quillon::jpeg
