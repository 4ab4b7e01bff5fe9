#include "imaging/core/cjpeg.h"

#include <algorithm>

namespace quillon {

namespace {

constexpr int kMaxDimension = 65535;

// Level-shifted Y, Cb, Cr of one source row, the last pixel repeated up to
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

// Shrinks one band of full-resolution rows into the component's rows.
void shrinkBand(const float *band, int fullWidth, int outRows, int outWidth, int hMax, int vMax,
                int h, int v, float *out, std::vector<float> &sum)
{
    const std::vector<Tap> rows = areaTaps(outRows, vMax, v);
    const float norm = 1.0f / float(hMax * vMax);
    const bool generalColumns = hMax != h && hMax != 2 * h;
    const std::vector<Tap> cols = generalColumns ? areaTaps(outWidth, hMax, h) : std::vector<Tap>();
    for (int oy = 0; oy < outRows; ++oy) {
        const Tap &ty = rows[std::size_t(oy)];
        float *__restrict acc = sum.data();
        const float *src = band + qsizetype(ty.first) * fullWidth;
        for (int x = 0; x < fullWidth; ++x)
            acc[x] = ty.weight[0] * src[x];
        for (int k = 1; k < ty.count; ++k) {
            src += fullWidth;
            const float w = ty.weight[k];
            for (int x = 0; x < fullWidth; ++x)
                acc[x] += w * src[x];
        }

        float *__restrict dst = out + qsizetype(oy) * outWidth;
        if (hMax == h) {
            for (int x = 0; x < outWidth; ++x)
                dst[x] = acc[x] * norm;
        } else if (hMax == 2 * h) {
            for (int x = 0; x < outWidth; ++x)
                dst[x] = (acc[2 * x] + acc[2 * x + 1]) * norm;
        } else {
            for (int x = 0; x < outWidth; ++x) {
                const Tap &tx = cols[std::size_t(x)];
                float s = 0.0f;
                for (int k = 0; k < tx.count; ++k)
                    s += tx.weight[k] * acc[tx.first + k];
                dst[x] = s * norm;
            }
        }
    }
}

} // namespace

void cJpeg::SampleImage(const RgbImage &image, int width, int height, int left, int top)
{
    const int bytesPerPixel = image.layout == RgbImage::Layout::Rgb24 ? 3 : 4;
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = int(std::min<qint64>(qint64(left) + width, image.width));
    const int y1 = int(std::min<qint64>(qint64(top) + height, image.height));
    if (!image.pixels || x1 <= x0 || y1 <= y0 || x1 - x0 > kMaxDimension || y1 - y0 > kMaxDimension
        || image.bytesPerLine < qsizetype(image.width) * bytesPerPixel)
        throw JpegError(JpegError::IllegalImageSize);

    m_width = 0; // stays empty if allocation fails
    const int w = x1 - x0;
    const int h = y1 - y0;
    const int hMax = maxH();
    const int vMax = maxV();
    m_mcusWide = (w + 8 * hMax - 1) / (8 * hMax);
    m_mcusHigh = (h + 8 * vMax - 1) / (8 * vMax);
    for (Component &c : m_components) {
        c.blocksWide = m_mcusWide * c.h;
        c.blocksHigh = m_mcusHigh * c.v;
        c.width = int((qint64(w) * c.h + hMax - 1) / hMax);
        c.height = int((qint64(h) * c.v + vMax - 1) / vMax);
        c.samples.reset();
        c.samples = std::make_unique_for_overwrite<float[]>(std::size_t(c.blocksWide) * c.blocksHigh * 64);
    }
    m_height = h;
    convertRows(image, x0, y0, w);
    m_width = w;
}

void cJpeg::convertRows(const RgbImage &image, int left, int top, int width)
{
    const int hMax = maxH();
    const int vMax = maxV();
    const int fullWidth = m_mcusWide * 8 * hMax;
    const int bandRows = 8 * vMax;

    // Components at full resolution are converted straight into their plane;
    // the others go through a band of full-resolution rows and are shrunk.
    std::array<std::vector<float>, kComponents> band;
    std::vector<float> sum(static_cast<std::size_t>(fullWidth));
    for (int c = 0; c < kComponents; ++c)
        if (m_components[c].h != hMax || m_components[c].v != vMax)
            band[c].resize(std::size_t(fullWidth) * bandRows);

    for (int b = 0; b < m_mcusHigh; ++b) {
        for (int r = 0; r < bandRows; ++r) {
            const int row = b * bandRows + r;
            const int sourceRow = std::min(row, m_height - 1);
            const uchar *src = image.pixels + qsizetype(top + sourceRow) * image.bytesPerLine;
            float *dst[kComponents];
            for (int c = 0; c < kComponents; ++c)
                dst[c] = band[c].empty() ? m_components[c].samples.get() + qsizetype(row) * fullWidth
                                         : band[c].data() + qsizetype(r) * fullWidth;
            if (image.layout == RgbImage::Layout::Rgb24) {
                const uchar *p = src + qsizetype(left) * 3;
                convertRow([p](int x, int &r8, int &g8, int &b8) {
                    r8 = p[3 * x];
                    g8 = p[3 * x + 1];
                    b8 = p[3 * x + 2];
                }, width, fullWidth, dst[0], dst[1], dst[2]);
            } else {
                const quint32 *p = reinterpret_cast<const quint32 *>(src) + left;
                convertRow([p](int x, int &r8, int &g8, int &b8) {
                    const quint32 v = p[x];
                    r8 = int((v >> 16) & 0xFF);
                    g8 = int((v >> 8) & 0xFF);
                    b8 = int(v & 0xFF);
                }, width, fullWidth, dst[0], dst[1], dst[2]);
            }
        }
        for (int c = 0; c < kComponents; ++c) {
            if (band[c].empty())
                continue;
            Component &comp = m_components[c];
            const int outWidth = comp.blocksWide * 8;
            const int outRows = 8 * comp.v;
            shrinkBand(band[c].data(), fullWidth, outRows, outWidth, hMax, vMax, comp.h, comp.v,
                       comp.samples.get() + qsizetype(b) * outRows * outWidth, sum);
        }
    }
}

} // namespace quillon
