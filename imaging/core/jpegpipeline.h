#pragma once

#include "imaging/core/jpegdct.h"
#include "imaging/core/jpegentropy.h"
#include "imaging/core/rgbimage.h"

#include <array>

namespace quillon::jpeg {

struct ComponentLayout
{
    int h{1};
    int v{1};
    int table{0};
    bool interleaved{true}; // shares its scan with other components
    int blocksWide{0};      // blocks covering the component's own samples
    int blocksHigh{0};
};

struct FrameLayout
{
    int width{0};
    int height{0};
    int hMax{1};
    int vMax{1};
    int mcusWide{0};
    int mcusHigh{0};
    std::array<ComponentLayout, 3> components{};
};

// Fills in the sizes from width, height and each component's h and v.
void computeSizes(FrameLayout &frame);

// Converts the pixels to level-shifted Y, Cb, Cr, shrinks each component by
// area averaging, transforms and quantises it. Blocks are stored in the order
// their scan codes them. Works one band of MCU rows at a time so the samples
// never leave the cache.
void transformImage(const RgbImage &image, const FrameLayout &frame,
                    const std::array<QuantMultipliers, 2> &multipliers, std::array<PackedBlocks, 3> &out);

} // namespace quillon::jpeg
