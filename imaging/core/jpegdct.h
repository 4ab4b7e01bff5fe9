#pragma once

#include "imaging/core/jpegtables.h"

#include <QtGlobal>

#include <array>

namespace quillon::jpeg {

// The transform leaves its output transposed (horizontal frequency major), so
// the multipliers are held in that layout.
struct QuantMultipliers
{
    alignas(32) std::array<float, 64> value{};
};

// From a table in zig-zag order: the DCT output scaling divided by the entry.
QuantMultipliers makeMultipliers(const Table64 &zigZagTable);

// Scaled forward DCT (Arai-Agui-Nakajima) of 64 level-shifted samples in place;
// the output is transposed: index v * 8 + u for vertical frequency u and
// horizontal frequency v, and each value lacks the row and column factors.
void forwardDct(float *block);

// Transforms the 8 x 8 samples at src (rows stride floats apart) and
// quantises with halves to even. Stores the DC value, the zig-zag positions
// 1..63 that are not zero as bits, and those AC values in zig-zag order into
// ac (room for 63); returns how many AC values it stored.
int transformBlock(const float *src, qsizetype stride, const QuantMultipliers &q,
                   qint16 &dc, quint64 &nonZero, qint16 *ac);

} // namespace quillon::jpeg
