#pragma once

#include "imaging/core/jpegbytesink.h"
#include "imaging/core/jpeghuffman.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace quillon::jpeg {

// The quantised blocks of one component, in the order its scan visits them.
struct PackedBlocks
{
    std::vector<qint16> dc;
    std::vector<quint64> nonZero;       // bit k: AC at zig-zag position k is not zero
    std::unique_ptr<qint16[]> ac;       // the non-zero ACs of every block, one after another
    std::size_t acCount{0};
};

struct ScanComponent
{
    const PackedBlocks *blocks{nullptr};
    int blocksPerUnit{1}; // H * V when interleaved, 1 alone in its scan
    int table{0};         // Huffman table number, 0 or 1
};

struct ScanLayout
{
    std::vector<ScanComponent> components;
    std::size_t units{0}; // minimum coded units in the scan
};

// Worst case of one block: DC, 63 ACs and EOB at their longest, every byte stuffed.
constexpr std::size_t kMaxBlockBytes = 2 * ((27 + 63 * 26 + 16) / 8 + 1);

// Adds the DC difference categories and AC run/size symbols of a scan to the
// counts of each table number.
void countScan(const ScanLayout &scan, SymbolCounts dc[2], SymbolCounts ac[2]);

// Appends the entropy-coded segment of a scan, byte-stuffed and padded with
// ones; out must have room for kMaxBlockBytes per block.
void encodeScan(const ScanLayout &scan, const HuffmanCodes dc[2], const HuffmanCodes ac[2], ByteSink &out);

} // namespace quillon::jpeg
