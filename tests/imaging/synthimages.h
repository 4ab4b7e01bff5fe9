#pragma once

#include <QtGlobal>

#include <vector>

namespace quillon::test {

// Deterministic test pictures as 0xFFRRGGBB words, row after row.
struct SynthImage
{
    int width{0};
    int height{0};
    std::vector<quint32> pixels;
};

// Flat panels, gradient title bars, one-pixel "text" strokes, grid lines and
// plotted curves: what a window capture looks like.
SynthImage screenshotLike(int width, int height);
// Smooth colour fields with texture, grain and soft-edged shapes.
SynthImage photoLike(int width, int height);

// PSNR in dB over R, G and B of two pictures of the same size (Rgb888 rows
// tightly packed for b).
double psnr(const SynthImage &a, const std::vector<quint8> &rgb888);

} // namespace quillon::test
