#pragma once

#include "imaging/core/jpegdct.h"
#include "imaging/core/jpegerror.h"
#include "imaging/core/jpegtables.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace quillon {

// Pixels handed to the encoder: rows of 8-bit RGB, top row first.
struct RgbImage
{
    enum class Layout {
        Rgb24,  // R, G, B bytes
        Xrgb32, // native 32-bit words 0xXXRRGGBB (QImage::Format_RGB32 / ARGB32)
    };

    const uchar *pixels{nullptr};
    int width{0};
    int height{0};
    qsizetype bytesPerLine{0};
    Layout layout{Layout::Xrgb32};
};

// Baseline JPEG encoder: JFIF file, Y Cb Cr with chosen sampling, float DCT,
// Huffman tables optimised for each image.
class cJpeg final
{
public:
    enum SaveResult : qint32 { Saved = 0, EmptyPath = 1, FileExists = 2, WriteFailed = 3 };

    static constexpr int kComponents = 3;
    static constexpr int kMaxCommentLength = 65533; // segment length field counts itself

    cJpeg();

    int quality() const { return m_quality; }
    // 1..100; other values leave the quality as it was.
    void setQuality(int quality);

    QString comment() const { return m_comment; }
    // Throws JpegError(IllegalCommentLength) past kMaxCommentLength characters.
    void setComment(const QString &comment);

    // Each factor 1..4, else JpegError(InvalidSamplingValue). Drops any sampled image.
    void SetSamplingFrequencies(int h1, int v1, int h2, int v2, int h3, int v3);

    // Reads and converts the rectangle (clipped to the image); throws
    // JpegError(IllegalImageSize) when it is empty or larger than 65535.
    void SampleImage(const RgbImage &image, int width, int height, int left = 0, int top = 0);
    void SampleImage(const RgbImage &image) { SampleImage(image, image.width, image.height); }
    bool hasImage() const { return m_width > 0; }

    // The whole file; empty when nothing was sampled. Throws JpegError.
    QByteArray encode() const;

    // Writes the file, never replacing an existing one and never leaving a
    // partial file. Returns a SaveResult.
    qint32 SaveFile(const QString &path) const;

    // Scaled table in zig-zag order: 0 luminance, 1 chrominance.
    const jpeg::Table64 &quantTable(int table) const { return m_tables[table & 1]; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    struct Component
    {
        int id{0};
        int h{1};
        int v{1};
        int table{0};
        int blocksWide{0}; // stored grid, whole MCUs
        int blocksHigh{0};
        int width{0};      // samples that belong to the image
        int height{0};
        std::unique_ptr<float[]> samples; // blocksWide * 8 by blocksHigh * 8
    };

    struct Coefficients
    {
        std::vector<qint16> values;
        std::vector<quint64> nonZero;
    };

    int maxH() const;
    int maxV() const;
    Coefficients transform(const Component &c) const;
    void convertRows(const RgbImage &image, int left, int top, int width);

    int m_quality{75};
    QString m_comment;
    std::array<jpeg::Table64, 2> m_tables{};
    std::array<jpeg::QuantMultipliers, 2> m_multipliers{};
    std::array<Component, kComponents> m_components{};
    int m_width{0};
    int m_height{0};
    int m_mcusWide{0};
    int m_mcusHigh{0};
};

} // namespace quillon
