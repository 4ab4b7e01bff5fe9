#pragma once

#include <QtGlobal>

#include <array>

namespace quillon::jpeg {

using Table64 = std::array<quint8, 64>;

// Natural (row-major) index of each zig-zag position.
extern const std::array<quint8, 64> kZigZagToNatural;

// T.81 Annex K tables K.1 and K.2, in zig-zag order.
const Table64 &baseLuminanceTable();
const Table64 &baseChrominanceTable();

// Percentage applied to the base tables for a quality of 1..100.
int qualityScale(int quality);
// Entry = (base * scale + 50) / 100 rounded halves to even, kept within 1..255.
Table64 scaleTable(const Table64 &base, int scale);

} // namespace quillon::jpeg
