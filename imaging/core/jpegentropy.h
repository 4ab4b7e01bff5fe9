#pragma once

#include "imaging/core/jpeghuffman.h"

#include <QtGlobal>

#include <vector>

namespace quillon::jpeg {

// The quantised blocks of one component as one scan sees them.
struct BlockGrid
{
    const qint16 *coefficients{nullptr}; // 64 per block, zig-zag order
    const quint64 *nonZero{nullptr};     // per block, bit k for a non-zero AC at position k
    int gridWidth{0};                    // blocks per stored row
    int h{1};                            // sampling factors
    int v{1};
    int blocksWide{0};                   // blocks a non-interleaved scan covers
    int blocksHigh{0};
    int table{0};                        // Huffman table number
};

struct ScanLayout
{
    std::vector<BlockGrid> components;
    int mcusWide{0};
    int mcusHigh{0};
};

// Adds the DC difference categories and AC run/size symbols of a scan to the
// counts of each table number (0 or 1).
void countScan(const ScanLayout &scan, SymbolCounts dc[2], SymbolCounts ac[2]);

// Appends the entropy-coded segment of a scan, byte-stuffed and padded with ones.
void encodeScan(const ScanLayout &scan, const HuffmanCodes dc[2], const HuffmanCodes ac[2],
                std::vector<quint8> &out);

} // namespace quillon::jpeg
