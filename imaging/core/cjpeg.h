#pragma once

#include "imaging/core/jpegdct.h"
#include "imaging/core/jpegerror.h"
#include "imaging/core/jpegtables.h"
#include "imaging/core/rgbimage.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

namespace quillon {

// Baseline JPEG encoder: JFIF file, Y Cb Cr with chosen sampling, float DCT,
// Huffman tables optimised for each image.
class cJpeg final
{
public:
    enum SaveResult : qint32 { Saved = 0, EmptyPath = 1, FileExists = 2, WriteFailed = 3 };

    static constexpr int kComponents = 3;
    static constexpr int kMaxCommentLength = 65533; // the segment length field counts itself
    static constexpr int kMaxDimension = 65535;

    cJpeg();

    int quality() const { return m_quality; }
    // 1..100; other values leave the quality as it was.
    void setQuality(int quality);

    QString comment() const { return m_comment; }
    // Throws JpegError(IllegalCommentLength) past kMaxCommentLength characters.
    void setComment(const QString &comment);

    // Each factor 1..4, else JpegError(InvalidSamplingValue).
    void SetSamplingFrequencies(int h1, int v1, int h2, int v2, int h3, int v3);
    int samplingH(int component) const { return m_sampling[std::size_t(component) * 2]; }
    int samplingV(int component) const { return m_sampling[std::size_t(component) * 2 + 1]; }

    // Takes a copy of the rectangle (clipped to the image); throws
    // JpegError(IllegalImageSize) when that is empty or a side passes 65535.
    void SampleImage(const RgbImage &image, int width, int height, int left = 0, int top = 0);
    void SampleImage(const RgbImage &image) { SampleImage(image, image.width, image.height); }
    bool hasImage() const { return m_width > 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    // The whole file of the sampled image; empty when nothing was sampled.
    // Throws JpegError.
    QByteArray encode() const;
    // The whole file of an image, without keeping a copy of it. Throws JpegError.
    QByteArray encode(const RgbImage &image) const;

    // Writes the sampled image, never replacing an existing file and never
    // leaving a partial one. Returns a SaveResult; throws JpegError.
    qint32 SaveFile(const QString &path) const;

    // Scaled table in zig-zag order: 0 luminance, 1 chrominance.
    const jpeg::Table64 &quantTable(int table) const { return m_tables[std::size_t(table & 1)]; }

private:
    int m_quality{75};
    QString m_comment;
    std::array<int, 6> m_sampling{2, 2, 1, 1, 1, 1};
    std::array<jpeg::Table64, 2> m_tables{};
    std::array<jpeg::QuantMultipliers, 2> m_multipliers{};
    std::vector<quint32> m_pixels; // the sampled image as 0xFFRRGGBB
    int m_width{0};
    int m_height{0};
};

} // namespace quillon
