#include "imaging/core/jpegentropy.h"

#include <bit>

namespace quillon::jpeg {

namespace {

constexpr int kZeroRunLength = 0xF0;
constexpr int kEndOfBlock = 0x00;

inline int bitLength(int magnitude)
{
    return magnitude == 0 ? 0 : 32 - std::countl_zero(quint32(magnitude));
}

inline int magnitude(int value)
{
    return value < 0 ? -value : value;
}

// Calls visit(table, dcDifference, nonZero, acValues) for every block of the
// scan in coding order.
template <typename Visit>
void forEachBlock(const ScanLayout &scan, Visit &&visit)
{
    struct Cursor
    {
        const PackedBlocks *blocks;
        std::size_t block;
        const qint16 *ac;
        int predictor;
    };
    std::vector<Cursor> cursors;
    for (const ScanComponent &c : scan.components)
        cursors.push_back({c.blocks, 0, c.blocks->ac.get(), 0});

    for (std::size_t unit = 0; unit < scan.units; ++unit)
        for (std::size_t ci = 0; ci < cursors.size(); ++ci) {
            Cursor &cur = cursors[ci];
            const int table = scan.components[ci].table;
            for (int n = scan.components[ci].blocksPerUnit; n > 0; --n) {
                const int dc = cur.blocks->dc[cur.block];
                const quint64 nonZero = cur.blocks->nonZero[cur.block];
                visit(table, dc - cur.predictor, nonZero, cur.ac);
                cur.predictor = dc;
                cur.ac += std::popcount(nonZero);
                ++cur.block;
            }
        }
}

class BitWriter final
{
public:
    explicit BitWriter(ByteSink &out)
        : m_out(out)
        , m_p(out.cursor())
    {
    }

    // len <= 32 with at most 31 bits pending, so the accumulator never overflows.
    void put(quint32 bits, int len)
    {
        m_acc = (m_acc << len) | bits;
        m_bits += len;
        if (m_bits >= 32)
            flushWord();
    }

    void finish()
    {
        const int pad = (8 - m_bits % 8) % 8;
        put((1u << pad) - 1, pad);
        while (m_bits >= 8) {
            m_bits -= 8;
            emitByte(quint8(m_acc >> m_bits));
        }
        m_out.advance(std::size_t(m_p - m_out.cursor()));
    }

private:
    void flushWord()
    {
        m_bits -= 32;
        const quint32 w = quint32(m_acc >> m_bits);
        const quint32 inverted = ~w;
        if (((inverted - 0x01010101u) & ~inverted & 0x80808080u) == 0) {
            m_p[0] = quint8(w >> 24);
            m_p[1] = quint8(w >> 16);
            m_p[2] = quint8(w >> 8);
            m_p[3] = quint8(w);
            m_p += 4;
            return;
        }
        emitByte(quint8(w >> 24));
        emitByte(quint8(w >> 16));
        emitByte(quint8(w >> 8));
        emitByte(quint8(w));
    }

    void emitByte(quint8 b)
    {
        *m_p++ = b;
        if (b == 0xFF)
            *m_p++ = 0;
    }

    ByteSink &m_out;
    quint8 *m_p{nullptr};
    quint64 m_acc{0};
    int m_bits{0};
};

} // namespace

void countScan(const ScanLayout &scan, SymbolCounts dc[2], SymbolCounts ac[2])
{
    forEachBlock(scan, [&](int table, int diff, quint64 nonZero, const qint16 *values) {
        ++dc[table][bitLength(magnitude(diff))];
        SymbolCounts &counts = ac[table];
        int last = 0;
        while (nonZero) {
            const int k = std::countr_zero(nonZero);
            nonZero &= nonZero - 1;
            const int run = k - last - 1;
            last = k;
            counts[kZeroRunLength] += quint64(run >> 4);
            ++counts[((run & 15) << 4) | bitLength(magnitude(*values++))];
        }
        if (last != 63)
            ++counts[kEndOfBlock];
    });
}

void encodeScan(const ScanLayout &scan, const HuffmanCodes dc[2], const HuffmanCodes ac[2], ByteSink &out)
{
    BitWriter writer(out);
    forEachBlock(scan, [&](int table, int diff, quint64 nonZero, const qint16 *values) {
        {
            const int bits = bitLength(magnitude(diff));
            const quint32 extra = quint32(diff < 0 ? diff - 1 : diff) & ((1u << bits) - 1);
            const HuffmanCodes &t = dc[table];
            writer.put((quint32(t.code[bits]) << bits) | extra, t.length[bits] + bits);
        }
        const HuffmanCodes &t = ac[table];
        int last = 0;
        while (nonZero) {
            const int k = std::countr_zero(nonZero);
            nonZero &= nonZero - 1;
            int run = k - last - 1;
            last = k;
            for (; run >= 16; run -= 16)
                writer.put(t.code[kZeroRunLength], t.length[kZeroRunLength]);
            const int value = *values++;
            const int bits = bitLength(magnitude(value));
            const quint32 extra = quint32(value < 0 ? value - 1 : value) & ((1u << bits) - 1);
            const int symbol = (run << 4) | bits;
            writer.put((quint32(t.code[symbol]) << bits) | extra, t.length[symbol] + bits);
        }
        if (last != 63)
            writer.put(t.code[kEndOfBlock], t.length[kEndOfBlock]);
    });
    writer.finish();
}

} // namespace quillon::jpeg
