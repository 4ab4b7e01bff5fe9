#include "imaging/core/jpegpipeline.h"

#include <algorithm>
#include <vector>

namespace quillon::jpeg {

namespace {

// One source row as level-shifted Y, Cb, Cr, the last pixel repeated up to
// fullWidth so partial blocks at the right edge stay flat.
template <typename Pixel>
void convertRow(Pixel pixel, int width, int fullWidth,
                float *__restrict y, float *__restrict cb, float *__restrict cr)
{
    for (int x = 0; x < width; ++x) {
        int r = 0, g = 0, b = 0;
        pixel(x, r, g, b);
        const float fr = float(r), fg = float(g), fb = float(b);
        y[x] = 0.299f * fr + 0.587f * fg + 0.114f * fb - 128.0f;
        cb[x] = -0.16874f * fr - 0.33126f * fg + 0.5f * fb;
        cr[x] = 0.5f * fr - 0.41869f * fg - 0.08131f * fb;
    }
    std::fill(y + width, y + fullWidth, y[width - 1]);
    std::fill(cb + width, cb + fullWidth, cb[width - 1]);
    std::fill(cr + width, cr + fullWidth, cr[width - 1]);
}

struct Tap
{
    int first{0};
    int count{0};
    float weight[5]{};
};

// Area-averaging weights for shrinking by from/to (both 1..4): output i
// covers source [i * from / to, (i + 1) * from / to).
std::vector<Tap> areaTaps(int outputs, int from, int to)
{
    std::vector<Tap> taps(static_cast<std::size_t>(outputs));
    for (int i = 0; i < outputs; ++i) {
        const int lo = i * from;
        const int hi = lo + from;
        Tap &t = taps[std::size_t(i)];
        t.first = lo / to;
        for (int s = t.first; s * to < hi; ++s)
            t.weight[t.count++] = float(std::min((s + 1) * to, hi) - std::max(s * to, lo));
    }
    return taps;
}

class BandShrinker final
{
public:
    BandShrinker(int fullWidth, int hMax, int vMax, int h, int v)
        : m_fullWidth(fullWidth)
        , m_outWidth(fullWidth / hMax * h)
        , m_hMax(hMax)
        , m_h(h)
        , m_rows(areaTaps(8 * v, vMax, v))
        , m_norm(1.0f / float(hMax * vMax))
        , m_sum(static_cast<std::size_t>(fullWidth))
    {
        if (hMax != h && hMax != 2 * h)
            m_cols = areaTaps(m_outWidth, hMax, h);
    }

    int outWidth() const { return m_outWidth; }

    void shrink(const float *band, float *out)
    {
        for (std::size_t oy = 0; oy < m_rows.size(); ++oy) {
            const Tap &ty = m_rows[oy];
            float *__restrict acc = m_sum.data();
            const float *src = band + qsizetype(ty.first) * m_fullWidth;
            for (int x = 0; x < m_fullWidth; ++x)
                acc[x] = ty.weight[0] * src[x];
            for (int k = 1; k < ty.count; ++k) {
                src += m_fullWidth;
                const float w = ty.weight[k];
                for (int x = 0; x < m_fullWidth; ++x)
                    acc[x] += w * src[x];
            }

            float *__restrict dst = out + qsizetype(oy) * m_outWidth;
            if (m_hMax == m_h) {
                for (int x = 0; x < m_outWidth; ++x)
                    dst[x] = acc[x] * m_norm;
            } else if (m_hMax == 2 * m_h) {
                for (int x = 0; x < m_outWidth; ++x)
                    dst[x] = (acc[2 * x] + acc[2 * x + 1]) * m_norm;
            } else {
                for (int x = 0; x < m_outWidth; ++x) {
                    const Tap &tx = m_cols[std::size_t(x)];
                    float s = 0.0f;
                    for (int k = 0; k < tx.count; ++k)
                        s += tx.weight[k] * acc[tx.first + k];
                    dst[x] = s * m_norm;
                }
            }
        }
    }

private:
    int m_fullWidth{0};
    int m_outWidth{0};
    int m_hMax{1};
    int m_h{1};
    std::vector<Tap> m_rows;
    std::vector<Tap> m_cols;
    float m_norm{1.0f};
    std::vector<float> m_sum;
};

} // namespace

void computeSizes(FrameLayout &frame)
{
    frame.hMax = 1;
    frame.vMax = 1;
    for (const ComponentLayout &c : frame.components) {
        frame.hMax = std::max(frame.hMax, c.h);
        frame.vMax = std::max(frame.vMax, c.v);
    }
    frame.mcusWide = (frame.width + 8 * frame.hMax - 1) / (8 * frame.hMax);
    frame.mcusHigh = (frame.height + 8 * frame.vMax - 1) / (8 * frame.vMax);
    for (ComponentLayout &c : frame.components) {
        const int samplesWide = int((qint64(frame.width) * c.h + frame.hMax - 1) / frame.hMax);
        const int samplesHigh = int((qint64(frame.height) * c.v + frame.vMax - 1) / frame.vMax);
        c.blocksWide = (samplesWide + 7) / 8;
        c.blocksHigh = (samplesHigh + 7) / 8;
    }
}

void transformImage(const RgbImage &image, const FrameLayout &frame,
                    const std::array<QuantMultipliers, 2> &multipliers, std::array<PackedBlocks, 3> &out)
{
    const int fullWidth = frame.mcusWide * 8 * frame.hMax;
    const int bandRows = 8 * frame.vMax;
    std::array<std::vector<float>, 3> full;
    std::array<std::vector<float>, 3> shrunk;
    std::vector<BandShrinker> shrinkers;
    std::array<std::size_t, 3> next{};
    shrinkers.reserve(3);
    for (int c = 0; c < 3; ++c) {
        const ComponentLayout &comp = frame.components[c];
        full[c].resize(std::size_t(fullWidth) * bandRows);
        if (comp.h != frame.hMax || comp.v != frame.vMax) {
            shrinkers.emplace_back(fullWidth, frame.hMax, frame.vMax, comp.h, comp.v);
            shrunk[c].resize(std::size_t(shrinkers.back().outWidth()) * 8 * comp.v);
        }
        const std::size_t blocks = comp.interleaved
            ? std::size_t(frame.mcusWide) * frame.mcusHigh * comp.h * comp.v
            : std::size_t(comp.blocksWide) * comp.blocksHigh;
        PackedBlocks &p = out[c];
        p.dc.resize(blocks);
        p.nonZero.resize(blocks);
        p.ac = std::make_unique_for_overwrite<qint16[]>(blocks * 63);
        p.acCount = 0;
    }

    for (int band = 0; band < frame.mcusHigh; ++band) {
        for (int r = 0; r < bandRows; ++r) {
            const int row = std::min(band * bandRows + r, frame.height - 1);
            const uchar *src = image.pixels + qsizetype(row) * image.bytesPerLine;
            float *y = full[0].data() + qsizetype(r) * fullWidth;
            float *cb = full[1].data() + qsizetype(r) * fullWidth;
            float *cr = full[2].data() + qsizetype(r) * fullWidth;
            if (image.layout == RgbImage::Layout::Rgb24) {
                convertRow([src](int x, int &r8, int &g8, int &b8) {
                    r8 = src[3 * x];
                    g8 = src[3 * x + 1];
                    b8 = src[3 * x + 2];
                }, frame.width, fullWidth, y, cb, cr);
            } else {
                const quint32 *p = reinterpret_cast<const quint32 *>(src);
                convertRow([p](int x, int &r8, int &g8, int &b8) {
                    const quint32 v = p[x];
                    r8 = int((v >> 16) & 0xFF);
                    g8 = int((v >> 8) & 0xFF);
                    b8 = int(v & 0xFF);
                }, frame.width, fullWidth, y, cb, cr);
            }
        }

        std::size_t shrinker = 0;
        for (int c = 0; c < 3; ++c) {
            const ComponentLayout &comp = frame.components[c];
            const float *plane = full[c].data();
            qsizetype stride = fullWidth;
            if (!shrunk[c].empty()) {
                BandShrinker &s = shrinkers[shrinker++];
                s.shrink(full[c].data(), shrunk[c].data());
                plane = shrunk[c].data();
                stride = s.outWidth();
            }
            PackedBlocks &p = out[c];
            const QuantMultipliers &q = multipliers[std::size_t(comp.table)];
            auto store = [&](const float *block) {
                const std::size_t i = next[c]++;
                p.acCount += std::size_t(transformBlock(block, stride, q, p.dc[i], p.nonZero[i], p.ac.get() + p.acCount));
            };
            if (comp.interleaved) {
                for (int mx = 0; mx < frame.mcusWide; ++mx)
                    for (int v = 0; v < comp.v; ++v)
                        for (int h = 0; h < comp.h; ++h)
                            store(plane + v * 8 * stride + (mx * comp.h + h) * 8);
            } else {
                for (int v = 0; v < comp.v; ++v) {
                    if (band * comp.v + v >= comp.blocksHigh)
                        break;
                    for (int bx = 0; bx < comp.blocksWide; ++bx)
                        store(plane + v * 8 * stride + bx * 8);
                }
            }
        }
    }
}

} // namespace quillon::jpeg
