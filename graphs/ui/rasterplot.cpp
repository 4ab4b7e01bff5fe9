#include "graphs/ui/rasterplot.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace quillon {

RasterPlot::RasterPlot(uchar *bits, qsizetype bytesPerLine, int width, int height)
    : m_bits(bits)
    , m_bytesPerLine(bytesPerLine)
    , m_width(width)
    , m_height(height)
{
}

std::optional<RasterPlot> RasterPlot::from(QPainter &painter)
{
    QPaintDevice *device = painter.device();
    if (!device || device->devType() != QInternal::Image || painter.hasClipping()
        || !painter.transform().isIdentity() || painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    auto *image = static_cast<QImage *>(device);
    if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied
        && image->format() != QImage::Format_ARGB32)
        return std::nullopt;
    if (image->devicePixelRatio() != 1.0 || image->isNull())
        return std::nullopt;
    // The painter has detached the image already; writing through the shared
    // pointer keeps both on the same pixels.
    return RasterPlot(const_cast<uchar *>(image->constBits()), image->bytesPerLine(), image->width(), image->height());
}

void RasterPlot::column(int x, int top, int bottom, QRgb colour)
{
    if (x < 0 || x >= m_width)
        return;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_height - 1);
    for (int y = top; y <= bottom; ++y)
        scanLine(y)[x] = colour;
}

void RasterPlot::row(int y, int left, int right, QRgb colour)
{
    if (y < 0 || y >= m_height)
        return;
    left = std::max(left, 0);
    right = std::min(right, m_width - 1);
    if (left <= right)
        std::fill(scanLine(y) + left, scanLine(y) + right + 1, colour);
}

bool RasterPlot::line(QPoint from, QPoint to, QRgb colour)
{
    if (!inside(from) || !inside(to))
        return false;
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1;
    const int sy = y < to.y() ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        scanLine(y)[x] = colour;
        if (x == to.x() && y == to.y())
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return true;
}

} // namespace quillon
