#include "imaging/core/jpegentropy.h"

#include <bit>

namespace quillon::jpeg {

namespace {

constexpr int kZeroRunLength = 0xF0;
constexpr int kEndOfBlock = 0x00;
// Worst case of one block: 27 + 63 * 26 bits, every byte stuffed.
constexpr std::size_t kMaxBlockBytes = 2 * ((27 + 63 * 26) / 8 + 1);

inline int bitLength(int magnitude)
{
    return magnitude == 0 ? 0 : 32 - std::countl_zero(quint32(magnitude));
}

template <typename Visit>
void forEachBlock(const ScanLayout &scan, Visit &&visit)
{
    if (scan.components.size() == 1) {
        const BlockGrid &c = scan.components.front();
        for (int by = 0; by < c.blocksHigh; ++by)
            for (int bx = 0; bx < c.blocksWide; ++bx)
                visit(0, qsizetype(by) * c.gridWidth + bx);
        return;
    }
    for (int my = 0; my < scan.mcusHigh; ++my)
        for (int mx = 0; mx < scan.mcusWide; ++mx)
            for (std::size_t ci = 0; ci < scan.components.size(); ++ci) {
                const BlockGrid &c = scan.components[ci];
                for (int v = 0; v < c.v; ++v)
                    for (int h = 0; h < c.h; ++h)
                        visit(int(ci), qsizetype(my * c.v + v) * c.gridWidth + mx * c.h + h);
            }
}

class BitWriter final
{
public:
    explicit BitWriter(std::vector<quint8> &out)
        : m_out(out)
    {
    }

    void reserve(std::size_t bytes)
    {
        if (m_out.size() - m_pos < bytes)
            m_out.resize(m_out.size() + std::max(bytes, m_out.size() / 2));
    }

    // len <= 32 and at most 31 bits pending, so the accumulator never overflows.
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
        m_out.resize(m_pos);
    }

private:
    void flushWord()
    {
        m_bits -= 32;
        const quint32 w = quint32(m_acc >> m_bits);
        const quint32 inverted = ~w;
        if (((inverted - 0x01010101u) & ~inverted & 0x80808080u) == 0) {
            quint8 *p = m_out.data() + m_pos;
            p[0] = quint8(w >> 24);
            p[1] = quint8(w >> 16);
            p[2] = quint8(w >> 8);
            p[3] = quint8(w);
            m_pos += 4;
            return;
        }
        emitByte(quint8(w >> 24));
        emitByte(quint8(w >> 16));
        emitByte(quint8(w >> 8));
        emitByte(quint8(w));
    }

    void emitByte(quint8 b)
    {
        m_out[m_pos++] = b;
        if (b == 0xFF)
            m_out[m_pos++] = 0;
    }

    std::vector<quint8> &m_out;
    std::size_t m_pos{m_out.size()};
    quint64 m_acc{0};
    int m_bits{0};
};

} // namespace

void countScan(const ScanLayout &scan, SymbolCounts dc[2], SymbolCounts ac[2])
{
    int predictor[4] = {0, 0, 0, 0};
    forEachBlock(scan, [&](int ci, qsizetype block) {
        const BlockGrid &c = scan.components[ci];
        const qint16 *coef = c.coefficients + block * 64;
        const int diff = coef[0] - predictor[ci];
        predictor[ci] = coef[0];
        ++dc[c.table][bitLength(diff < 0 ? -diff : diff)];

        SymbolCounts &counts = ac[c.table];
        quint64 nonZero = c.nonZero[block];
        int last = 0;
        while (nonZero) {
            const int k = std::countr_zero(nonZero);
            nonZero &= nonZero - 1;
            int run = k - last - 1;
            last = k;
            counts[kZeroRunLength] += quint64(run >> 4);
            run &= 15;
            const int value = coef[k];
            ++counts[(run << 4) | bitLength(value < 0 ? -value : value)];
        }
        if (last != 63)
            ++counts[kEndOfBlock];
    });
}

void encodeScan(const ScanLayout &scan, const HuffmanCodes dc[2], const HuffmanCodes ac[2],
                std::vector<quint8> &out)
{
    BitWriter writer(out);
    int predictor[4] = {0, 0, 0, 0};
    forEachBlock(scan, [&](int ci, qsizetype block) {
        const BlockGrid &c = scan.components[ci];
        const qint16 *coef = c.coefficients + block * 64;
        writer.reserve(kMaxBlockBytes);

        const int diff = coef[0] - predictor[ci];
        predictor[ci] = coef[0];
        {
            const int bits = bitLength(diff < 0 ? -diff : diff);
            const quint32 extra = quint32(diff < 0 ? diff - 1 : diff) & ((1u << bits) - 1);
            const HuffmanCodes &t = dc[c.table];
            writer.put((quint32(t.code[bits]) << bits) | extra, t.length[bits] + bits);
        }

        const HuffmanCodes &t = ac[c.table];
        quint64 nonZero = c.nonZero[block];
        int last = 0;
        while (nonZero) {
            const int k = std::countr_zero(nonZero);
            nonZero &= nonZero - 1;
            int run = k - last - 1;
            last = k;
            for (; run >= 16; run -= 16)
                writer.put(t.code[kZeroRunLength], t.length[kZeroRunLength]);
            const int value = coef[k];
            const int bits = bitLength(value < 0 ? -value : value);
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
