#include "imaging/core/jpeghuffman.h"

#include "imaging/core/jpegerror.h"

namespace quillon::jpeg {

namespace {

constexpr int kSymbols = 257; // 256 byte values and the reserved code point
constexpr int kReserved = 256;
constexpr int kMaxBuildLength = 32;
constexpr int kMaxCodeLength = 16;

// Figure K.1: the least and the next least non-zero count; ties go to the
// larger symbol so that the reserved point ends up with a longest code.
void findTwoLeast(const std::array<quint64, kSymbols> &freq, int &v1, int &v2)
{
    v1 = -1;
    v2 = -1;
    for (int i = 0; i < kSymbols; ++i) {
        if (freq[i] == 0)
            continue;
        if (v1 < 0 || freq[i] <= freq[v1]) {
            v2 = v1;
            v1 = i;
        } else if (v2 < 0 || freq[i] <= freq[v2]) {
            v2 = i;
        }
    }
}

} // namespace

HuffmanCodeTable buildOptimalTable(const SymbolCounts &counts)
{
    std::array<quint64, kSymbols> freq = counts;
    freq[kReserved] = 1;
    std::array<int, kSymbols> codeSize{};
    std::array<int, kSymbols> others;
    others.fill(-1);

    for (;;) {
        int v1 = 0;
        int v2 = 0;
        findTwoLeast(freq, v1, v2);
        if (v2 < 0)
            break;
        freq[v1] += freq[v2];
        freq[v2] = 0;
        for (++codeSize[v1]; others[v1] >= 0; ++codeSize[v1])
            v1 = others[v1];
        others[v1] = v2;
        for (++codeSize[v2]; others[v2] >= 0; ++codeSize[v2])
            v2 = others[v2];
    }

    std::array<int, kMaxBuildLength + 1> bits{};
    for (int i = 0; i < kSymbols; ++i) {
        if (codeSize[i] == 0)
            continue;
        if (codeSize[i] > kMaxBuildLength)
            throw JpegError(JpegError::BadHuffmanTable);
        ++bits[codeSize[i]];
    }

    // Figure K.3: move pairs of over-long codes up a level.
    for (int i = kMaxBuildLength; i > kMaxCodeLength; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (j > 0 && bits[j] == 0)
                --j;
            if (j == 0)
                throw JpegError(JpegError::BadHuffmanTable);
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    int longest = kMaxCodeLength;
    while (longest > 0 && bits[longest] == 0)
        --longest;
    if (longest == 0)
        throw JpegError(JpegError::BadHuffmanTable);
    --bits[longest]; // the reserved point

    HuffmanCodeTable huff;
    for (int i = 1; i <= kMaxCodeLength; ++i)
        huff.bits[i] = quint8(bits[i]);
    // Figure K.4: symbols by code size, then by value.
    for (int size = 1; size <= kMaxBuildLength; ++size)
        for (int v = 0; v < 256; ++v)
            if (codeSize[v] == size)
                huff.values.push_back(quint8(v));
    return huff;
}

HuffmanCodes makeCodes(const HuffmanCodeTable &huff)
{
    HuffmanCodes codes;
    std::array<bool, 256> seen{};
    quint32 code = 0;
    std::size_t k = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        for (int n = 0; n < huff.bits[length]; ++n) {
            if (k >= huff.values.size())
                throw JpegError(JpegError::BadHuffmanTable);
            const quint8 symbol = huff.values[k++];
            if (seen[symbol])
                throw JpegError(JpegError::BadHuffmanTable);
            seen[symbol] = true;
            codes.code[symbol] = quint16(code);
            codes.length[symbol] = quint8(length);
            ++code;
        }
        // Codes must fit their length, and none may be all ones (T.81 C.2).
        if (code >= (1u << length))
            throw JpegError(JpegError::BadHuffmanTable);
        code <<= 1;
    }
    if (k != huff.values.size())
        throw JpegError(JpegError::BadHuffmanTable);
    return codes;
}

} // namespace quillon::jpeg
