#include "imaging/core/jpegdct.h"

#include <cmath>

namespace quillon::jpeg {

namespace {

constexpr float kC4 = 0.707106781186548f;
constexpr float kC6MinusC2 = 0.382683432365091f;
constexpr float kC2MinusC6 = 0.541196100146196f;
constexpr float kC2PlusC6 = 1.30656296487638f;

// Adding and subtracting 1.5 * 2^23 leaves a float rounded to a whole number
// with halves to even (the default rounding mode), and unlike lrintf it
// vectorises on plain x86-64. Valid while |x| < 2^22; coefficients stay below 2^11.
constexpr float kRoundMagic = 12582912.0f;

// Zig-zag position -> index in the transposed transform output.
constexpr std::array<quint8, 64> transposedZigZag()
{
    std::array<quint8, 64> out{};
    constexpr std::array<quint8, 64> zz = {
        0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
        12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
        35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
        58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
    };
    for (int k = 0; k < 64; ++k)
        out[k] = quint8((zz[k] % 8) * 8 + zz[k] / 8);
    return out;
}

constexpr std::array<quint8, 64> kZigZagToTransposed = transposedZigZag();

// One 1-D pass over the eight rows of d, column by column: written as
// element-wise row operations so the compiler turns each into vector code.
inline void dctPass(float *d)
{
    for (int j = 0; j < 8; ++j) {
        const float t0 = d[0 * 8 + j] + d[7 * 8 + j];
        const float t7 = d[0 * 8 + j] - d[7 * 8 + j];
        const float t1 = d[1 * 8 + j] + d[6 * 8 + j];
        const float t6 = d[1 * 8 + j] - d[6 * 8 + j];
        const float t2 = d[2 * 8 + j] + d[5 * 8 + j];
        const float t5 = d[2 * 8 + j] - d[5 * 8 + j];
        const float t3 = d[3 * 8 + j] + d[4 * 8 + j];
        const float t4 = d[3 * 8 + j] - d[4 * 8 + j];

        const float e10 = t0 + t3;
        const float e13 = t0 - t3;
        const float e11 = t1 + t2;
        const float e12 = t1 - t2;
        d[0 * 8 + j] = e10 + e11;
        d[4 * 8 + j] = e10 - e11;
        const float z1 = (e12 + e13) * kC4;
        d[2 * 8 + j] = e13 + z1;
        d[6 * 8 + j] = e13 - z1;

        const float o10 = t4 + t5;
        const float o11 = t5 + t6;
        const float o12 = t6 + t7;
        const float z5 = (o10 - o12) * kC6MinusC2;
        const float z2 = kC2MinusC6 * o10 + z5;
        const float z4 = kC2PlusC6 * o12 + z5;
        const float z3 = o11 * kC4;
        const float z11 = t7 + z3;
        const float z13 = t7 - z3;
        d[5 * 8 + j] = z13 + z2;
        d[3 * 8 + j] = z13 - z2;
        d[1 * 8 + j] = z11 + z4;
        d[7 * 8 + j] = z11 - z4;
    }
}

inline void transpose(float *d)
{
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 8; ++j) {
            const float t = d[i * 8 + j];
            d[i * 8 + j] = d[j * 8 + i];
            d[j * 8 + i] = t;
        }
}

} // namespace

QuantMultipliers makeMultipliers(const Table64 &zigZagTable)
{
    double factor[8];
    factor[0] = 1.0 / (2.0 * std::sqrt(2.0));
    for (int k = 1; k < 8; ++k)
        factor[k] = 1.0 / (4.0 * std::cos(k * M_PI / 16.0));

    QuantMultipliers q;
    for (int k = 0; k < 64; ++k) {
        const int natural = kZigZagToNatural[k];
        const int u = natural / 8;
        const int v = natural % 8;
        q.value[v * 8 + u] = float(factor[u] * factor[v] / zigZagTable[k]);
    }
    return q;
}

void forwardDct(float *block)
{
    dctPass(block);
    transpose(block);
    dctPass(block);
}

int transformBlock(const float *src, qsizetype stride, const QuantMultipliers &q,
                   qint16 &dc, quint64 &nonZero, qint16 *ac)
{
    alignas(32) float d[64];
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            d[i * 8 + j] = src[i * stride + j];
    forwardDct(d);

    alignas(32) qint32 quantised[64];
    for (int k = 0; k < 64; ++k)
        quantised[k] = qint32((d[k] * q.value[k] + kRoundMagic) - kRoundMagic);

    dc = qint16(quantised[0]);
    quint64 bits = 0;
    int count = 0;
    for (int k = 1; k < 64; ++k) {
        const qint32 c = quantised[kZigZagToTransposed[k]];
        ac[count] = qint16(c);
        count += c != 0;
        bits |= quint64(c != 0) << k;
    }
    nonZero = bits;
    return count;
}

} // namespace quillon::jpeg
