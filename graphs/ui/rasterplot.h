#pragma once

#include <QPoint>
#include <QRgb>

#include <optional>

class QImage;
class QPainter;

namespace quillon {

// Direct pixel writes for the one-pixel lines a chart is made of, used when a
// painter draws untransformed and unclipped into a 32-bit image: hundreds of
// tiny lines cost far less this way than through the paint engine.
class RasterPlot final
{
public:
    static std::optional<RasterPlot> from(QPainter &painter);

    // Rows top..bottom inclusive of column x, clipped to the image.
    void column(int x, int top, int bottom, QRgb colour);
    // Columns left..right inclusive of row y, clipped to the image.
    void row(int y, int left, int right, QRgb colour);
    // False (and nothing drawn) unless both ends lie inside the image.
    bool line(QPoint from, QPoint to, QRgb colour);

private:
    RasterPlot(uchar *bits, qsizetype bytesPerLine, int width, int height);
    QRgb *scanLine(int y) const { return reinterpret_cast<QRgb *>(m_bits + y * m_bytesPerLine); }
    bool inside(QPoint p) const { return p.x() >= 0 && p.y() >= 0 && p.x() < m_width && p.y() < m_height; }

    uchar *m_bits{nullptr};
    qsizetype m_bytesPerLine{0};
    int m_width{0};
    int m_height{0};
};

} // namespace quillon
