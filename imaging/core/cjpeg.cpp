#include "imaging/core/cjpeg.h"

#include "imaging/core/jpegentropy.h"
#include "imaging/core/jpegmarkers.h"
#include "imaging/core/jpegpipeline.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr char kIdentification[] = "Quillon JPEG encoder";
constexpr int kMaxBlocksPerMcu = 10;
constexpr int kMaxSampling = 4;
constexpr int kComponentIds[cJpeg::kComponents] = {1, 2, 3};
constexpr int kComponentTables[cJpeg::kComponents] = {0, 1, 1};

int bytesPerPixel(RgbImage::Layout layout)
{
    return layout == RgbImage::Layout::Rgb24 ? 3 : 4;
}

bool validImage(const RgbImage &image)
{
    return image.pixels && image.width > 0 && image.height > 0 && image.width <= cJpeg::kMaxDimension
        && image.height <= cJpeg::kMaxDimension
        && image.bytesPerLine >= qsizetype(image.width) * bytesPerPixel(image.layout);
}

} // namespace

cJpeg::cJpeg()
{
    setQuality(75);
}

void cJpeg::setQuality(int quality)
{
    if (quality < 1 || quality > 100)
        return;
    m_quality = quality;
    const int scale = jpeg::qualityScale(quality);
    m_tables[0] = jpeg::scaleTable(jpeg::baseLuminanceTable(), scale);
    m_tables[1] = jpeg::scaleTable(jpeg::baseChrominanceTable(), scale);
    for (std::size_t t = 0; t < 2; ++t)
        m_multipliers[t] = jpeg::makeMultipliers(m_tables[t]);
}

void cJpeg::setComment(const QString &comment)
{
    if (comment.size() > kMaxCommentLength)
        throw JpegError(JpegError::IllegalCommentLength);
    m_comment = comment;
}

void cJpeg::SetSamplingFrequencies(int h1, int v1, int h2, int v2, int h3, int v3)
{
    const std::array<int, 6> factors = {h1, v1, h2, v2, h3, v3};
    for (int f : factors)
        if (f < 1 || f > kMaxSampling)
            throw JpegError(JpegError::InvalidSamplingValue);
    m_sampling = factors;
}

void cJpeg::SampleImage(const RgbImage &image, int width, int height, int left, int top)
{
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = int(std::min<qint64>(qint64(left) + width, image.width));
    const int y1 = int(std::min<qint64>(qint64(top) + height, image.height));
    if (!validImage(image) || x1 <= x0 || y1 <= y0)
        throw JpegError(JpegError::IllegalImageSize);

    const int w = x1 - x0;
    const int h = y1 - y0;
    m_width = 0;
    m_pixels.resize(std::size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar *src = image.pixels + qsizetype(y0 + y) * image.bytesPerLine;
        quint32 *dst = m_pixels.data() + std::size_t(y) * w;
        if (image.layout == RgbImage::Layout::Rgb24) {
            for (int x = 0; x < w; ++x) {
                const uchar *p = src + (x0 + x) * 3;
                dst[x] = 0xFF000000u | (quint32(p[0]) << 16) | (quint32(p[1]) << 8) | p[2];
            }
        } else {
            std::memcpy(dst, src + qsizetype(x0) * 4, std::size_t(w) * 4);
        }
    }
    m_width = w;
    m_height = h;
}

QByteArray cJpeg::encode() const
{
    if (!hasImage())
        return {};
    RgbImage image;
    image.pixels = reinterpret_cast<const uchar *>(m_pixels.data());
    image.width = m_width;
    image.height = m_height;
    image.bytesPerLine = qsizetype(m_width) * 4;
    image.layout = RgbImage::Layout::Xrgb32;
    return encode(image);
}

QByteArray cJpeg::encode(const RgbImage &image) const
{
    if (!validImage(image))
        throw JpegError(JpegError::IllegalImageSize);

    jpeg::FrameLayout frame;
    frame.width = image.width;
    frame.height = image.height;
    for (int c = 0; c < kComponents; ++c) {
        frame.components[c].h = samplingH(c);
        frame.components[c].v = samplingV(c);
        frame.components[c].table = kComponentTables[c];
    }
    jpeg::computeSizes(frame);

    // Components join a scan in order while its unit stays within 10 blocks.
    std::vector<std::vector<int>> scans;
    int blocksInScan = 0;
    for (int c = 0; c < kComponents; ++c) {
        const int blocks = samplingH(c) * samplingV(c);
        if (scans.empty() || blocksInScan + blocks > kMaxBlocksPerMcu) {
            scans.emplace_back();
            blocksInScan = 0;
        }
        scans.back().push_back(c);
        blocksInScan += blocks;
    }
    for (const std::vector<int> &members : scans)
        for (int c : members)
            frame.components[c].interleaved = members.size() > 1;

    std::array<jpeg::PackedBlocks, kComponents> blocks;
    jpeg::transformImage(image, frame, m_multipliers, blocks);

    std::vector<jpeg::ScanLayout> layouts;
    std::size_t totalBlocks = 0;
    for (const std::vector<int> &members : scans) {
        jpeg::ScanLayout layout;
        for (int c : members) {
            const jpeg::ComponentLayout &comp = frame.components[c];
            layout.components.push_back({&blocks[c], comp.interleaved ? comp.h * comp.v : 1, comp.table});
            totalBlocks += blocks[c].dc.size();
        }
        layout.units = members.size() > 1 ? std::size_t(frame.mcusWide) * frame.mcusHigh : blocks[members[0]].dc.size();
        layouts.push_back(std::move(layout));
    }

    jpeg::SymbolCounts dcCounts[2]{};
    jpeg::SymbolCounts acCounts[2]{};
    for (const jpeg::ScanLayout &layout : layouts)
        jpeg::countScan(layout, dcCounts, acCounts);
    jpeg::HuffmanCodeTable dcSpec[2];
    jpeg::HuffmanCodeTable acSpec[2];
    jpeg::HuffmanCodes dcCodes[2];
    jpeg::HuffmanCodes acCodes[2];
    for (int t = 0; t < 2; ++t) {
        dcSpec[t] = jpeg::buildOptimalTable(dcCounts[t]);
        acSpec[t] = jpeg::buildOptimalTable(acCounts[t]);
        dcCodes[t] = jpeg::makeCodes(dcSpec[t]);
        acCodes[t] = jpeg::makeCodes(acSpec[t]);
    }

    jpeg::ByteSink out(jpeg::kMaxHeaderBytes + totalBlocks * jpeg::kMaxBlockBytes);
    jpeg::writeStartOfImage(out);
    jpeg::writeJfifHeader(out);
    if (!m_comment.isEmpty())
        jpeg::writeComment(out, m_comment.toLatin1());
    jpeg::writeComment(out, QByteArray(kIdentification));
    for (int t = 0; t < 2; ++t)
        jpeg::writeQuantTable(out, t, m_tables[std::size_t(t)]);

    std::vector<jpeg::FrameComponent> header;
    for (int c = 0; c < kComponents; ++c)
        header.push_back({kComponentIds[c], samplingH(c), samplingV(c), kComponentTables[c], kComponentTables[c], kComponentTables[c]});
    jpeg::writeFrameHeader(out, frame.width, frame.height, header);
    for (int t = 0; t < 2; ++t) {
        jpeg::writeHuffmanTable(out, jpeg::TableClass::DC, t, dcSpec[t]);
        jpeg::writeHuffmanTable(out, jpeg::TableClass::AC, t, acSpec[t]);
    }
    for (std::size_t s = 0; s < scans.size(); ++s) {
        std::vector<jpeg::FrameComponent> members;
        for (int c : scans[s])
            members.push_back(header[std::size_t(c)]);
        jpeg::writeScanHeader(out, members);
        jpeg::encodeScan(layouts[s], dcCodes, acCodes, out);
    }
    jpeg::writeEndOfImage(out);
    return out.toByteArray();
}

qint32 cJpeg::SaveFile(const QString &path) const
{
    if (path.isEmpty())
        return EmptyPath;
    if (QFileInfo::exists(path))
        return FileExists;
    const QByteArray bytes = encode();
    if (bytes.isEmpty())
        return WriteFailed;

    // Written aside and moved into place without replacing anything, so a
    // crash leaves no half file and a file that appeared meanwhile is kept.
    const QFileInfo target(path);
    QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return WriteFailed;
    // Temporary files are private; the capture gets the mode of any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.handle(), 0666 & ~mask);
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0)
        return WriteFailed;
    if (!file.rename(path))
        return QFileInfo::exists(path) ? FileExists : WriteFailed;
    file.setAutoRemove(false);
    return Saved;
}

} // namespace quillon
