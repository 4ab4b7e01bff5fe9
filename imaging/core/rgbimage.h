#pragma once

#include <QtGlobal>

namespace quillon {

// Pixels handed to the encoder: rows of 8-bit RGB, top row first.
struct RgbImage
{
    enum class Layout {
        Rgb24,  // R, G, B bytes
        Xrgb32, // native 32-bit words 0xXXRRGGBB (QImage::Format_RGB32 / ARGB32), rows 4-byte aligned
    };

    const uchar *pixels{nullptr};
    int width{0};
    int height{0};
    qsizetype bytesPerLine{0};
    Layout layout{Layout::Xrgb32};
};

} // namespace quillon
