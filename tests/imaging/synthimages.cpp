#include "tests/imaging/synthimages.h"

#include <algorithm>
#include <cmath>

namespace quillon::test {

namespace {

class Random final
{
public:
    explicit Random(quint64 seed)
        : m_state(seed)
    {
    }
    quint32 next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return quint32(m_state >> 16);
    }
    int below(int n) { return int(next() % quint32(n)); }
    double unit() { return (next() & 0xFFFFFF) / double(0x1000000); }

private:
    quint64 m_state;
};

quint32 rgb(int r, int g, int b)
{
    return 0xFF000000u | (quint32(std::clamp(r, 0, 255)) << 16) | (quint32(std::clamp(g, 0, 255)) << 8)
         | quint32(std::clamp(b, 0, 255));
}

void fill(SynthImage &img, int x0, int y0, int w, int h, quint32 colour)
{
    for (int y = std::max(y0, 0); y < std::min(y0 + h, img.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x0 + w, img.width); ++x)
            img.pixels[std::size_t(y) * img.width + x] = colour;
}

void plot(SynthImage &img, int x, int y, quint32 colour)
{
    if (x >= 0 && y >= 0 && x < img.width && y < img.height)
        img.pixels[std::size_t(y) * img.width + x] = colour;
}

} // namespace

SynthImage screenshotLike(int width, int height)
{
    SynthImage img{width, height, std::vector<quint32>(std::size_t(width) * height, rgb(236, 233, 216))};
    Random rnd(12345);
    // Title bar with a horizontal gradient.
    for (int y = 0; y < std::min(24, height); ++y)
        for (int x = 0; x < width; ++x)
            img.pixels[std::size_t(y) * width + x] = rgb(10 + 100 * x / std::max(width, 1), 36 + y * 2, 106 + 120 * x / std::max(width, 1));

    // Panels of text lines.
    const int panels = std::max(1, width / 320);
    for (int p = 0; p < panels; ++p) {
        const int px = 8 + p * (width / panels);
        const int pw = width / panels - 16;
        fill(img, px, 32, pw, height / 2 - 40, rgb(255, 255, 255));
        for (int line = 0; 40 + line * 14 < height / 2 - 16; ++line) {
            int x = px + 6;
            while (x < px + pw - 12) {
                const int word = 2 + rnd.below(8);
                for (int c = 0; c < word && x < px + pw - 8; ++c, x += 7)
                    for (int s = 0; s < 6; ++s) {
                        const int gx = x + rnd.below(5);
                        const int gy = 40 + line * 14 + rnd.below(9);
                        plot(img, gx, gy, rgb(0, 0, 0));
                        plot(img, gx, gy + 1, rgb(0, 0, 0));
                    }
                x += 7;
            }
        }
    }

    // A chart: grid, bars and a curve.
    const int cx = 16;
    const int cy = height / 2 + 8;
    const int cw = width - 32;
    const int ch = height / 2 - 48;
    fill(img, cx, cy, cw, ch, rgb(0, 0, 0));
    for (int gx = cx; gx < cx + cw; gx += 40)
        fill(img, gx, cy, 1, ch, rgb(64, 64, 64));
    for (int gy = cy; gy < cy + ch; gy += 30)
        fill(img, cx, gy, cw, 1, rgb(64, 64, 64));
    for (int x = 0; x < cw; x += 3) {
        const int bar = int((0.5 + 0.4 * std::sin(x / 37.0) * std::cos(x / 111.0)) * ch);
        fill(img, cx + x, cy + ch - bar, 2, bar, rgb(242, 145, 64));
    }
    for (int x = 0; x < cw; ++x) {
        const int y = cy + ch / 2 + int(ch / 3 * std::sin(x / 53.0));
        plot(img, cx + x, y, rgb(64, 255, 64));
        plot(img, cx + x, y + 1, rgb(64, 255, 64));
    }
    // Buttons with a vertical shade.
    for (int b = 0; b * 110 + 16 < width - 100; ++b)
        for (int y = 0; y < 22; ++y)
            fill(img, 16 + b * 110, height - 32 + y, 100, 1, rgb(250 - y * 3, 250 - y * 3, 255 - y * 2));
    return img;
}

SynthImage photoLike(int width, int height)
{
    SynthImage img{width, height, std::vector<quint32>(std::size_t(width) * height)};
    Random rnd(987654321);
    double phase[9];
    for (double &p : phase)
        p = rnd.unit() * 6.283;
    struct Blob { double x, y, r; int cr, cg, cb; };
    std::vector<Blob> blobs;
    for (int i = 0; i < 12; ++i)
        blobs.push_back({rnd.unit() * width, rnd.unit() * height, 20 + rnd.unit() * std::max(width, height) / 6.0,
                         rnd.below(256), rnd.below(256), rnd.below(256)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / std::max(width, 1);
            const double v = double(y) / std::max(height, 1);
            double r = 120 + 60 * std::sin(5 * u + phase[0]) + 40 * std::cos(7 * v + phase[1]) + 12 * std::sin(x / 3.1 + y / 5.3 + phase[6]);
            double g = 110 + 50 * std::sin(4 * v + 3 * u + phase[2]) + 30 * std::cos(11 * u + phase[3]) + 10 * std::sin(x / 4.7 - y / 2.9 + phase[7]);
            double b = 100 + 70 * std::cos(6 * u - 2 * v + phase[4]) + 20 * std::sin(9 * v + phase[5]) + 8 * std::cos(x / 2.3 + phase[8]);
            for (const Blob &bl : blobs) {
                const double d = std::hypot(x - bl.x, y - bl.y);
                const double a = std::clamp((bl.r - d) / 3.0, 0.0, 1.0) * 0.6;
                r += a * (bl.cr - r);
                g += a * (bl.cg - g);
                b += a * (bl.cb - b);
            }
            const int grain = rnd.below(17) - 8;
            img.pixels[std::size_t(y) * width + x] = rgb(int(r) + grain, int(g) + grain, int(b) + grain);
        }
    return img;
}

double psnr(const SynthImage &a, const std::vector<quint8> &rgb888)
{
    double sum = 0;
    const std::size_t n = std::size_t(a.width) * a.height;
    if (rgb888.size() != n * 3)
        return 0;
    for (std::size_t i = 0; i < n; ++i) {
        const quint32 p = a.pixels[i];
        const int d0 = int((p >> 16) & 0xFF) - rgb888[3 * i];
        const int d1 = int((p >> 8) & 0xFF) - rgb888[3 * i + 1];
        const int d2 = int(p & 0xFF) - rgb888[3 * i + 2];
        sum += d0 * d0 + d1 * d1 + d2 * d2;
    }
    const double mse = sum / double(n * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

} // namespace quillon::test
