#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

namespace quillon::jpeg {

// Symbol counts of one table; index 256 is unused (the reserved code point is
// added when the table is built).
using SymbolCounts = std::array<quint64, 257>;

// A table as written in DHT: bits[1..16] codes of each length, symbols in code order.
struct HuffmanCodeTable
{
    std::array<quint8, 17> bits{};
    std::vector<quint8> values;
};

// Code and length of each symbol, ready for the entropy coder.
struct HuffmanCodes
{
    std::array<quint16, 256> code{};
    std::array<quint8, 256> length{};
};

// Optimal table for the counts (T.81 Annex K.2): one reserved code point so no
// code is all ones, lengths limited to 16 bits. Throws JpegError(BadHuffmanTable).
HuffmanCodeTable buildOptimalTable(const SymbolCounts &counts);

// Canonical codes of a table (T.81 Annex C). Throws JpegError(BadHuffmanTable)
// when the table is not a valid prefix code.
HuffmanCodes makeCodes(const HuffmanCodeTable &huff);

} // namespace quillon::jpeg
