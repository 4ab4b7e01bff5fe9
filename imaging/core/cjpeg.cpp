#include "imaging/core/cjpeg.h"

#include "imaging/core/jpegentropy.h"
#include "imaging/core/jpegmarkers.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr char kIdentification[] = "Quillon JPEG encoder";
constexpr int kMaxBlocksPerMcu = 10;
constexpr int kMaxSampling = 4;

int ceilDiv(int a, int b)
{
    return (a + b - 1) / b;
}

} // namespace

cJpeg::cJpeg()
{
    for (int c = 0; c < kComponents; ++c) {
        m_components[c].id = c + 1;
        m_components[c].table = c == 0 ? 0 : 1;
    }
    m_components[0].h = 2;
    m_components[0].v = 2;
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
    for (int t = 0; t < 2; ++t)
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
    const int factors[6] = {h1, v1, h2, v2, h3, v3};
    for (int f : factors)
        if (f < 1 || f > kMaxSampling)
            throw JpegError(JpegError::InvalidSamplingValue);
    for (int c = 0; c < kComponents; ++c) {
        m_components[c].h = factors[2 * c];
        m_components[c].v = factors[2 * c + 1];
        m_components[c].samples.reset();
    }
    m_width = 0;
    m_height = 0;
}

int cJpeg::maxH() const
{
    return std::max({m_components[0].h, m_components[1].h, m_components[2].h});
}

int cJpeg::maxV() const
{
    return std::max({m_components[0].v, m_components[1].v, m_components[2].v});
}

cJpeg::Coefficients cJpeg::transform(const Component &c) const
{
    const qsizetype blocks = qsizetype(c.blocksWide) * c.blocksHigh;
    Coefficients out;
    out.values.resize(std::size_t(blocks) * 64);
    out.nonZero.resize(std::size_t(blocks));
    const qsizetype stride = qsizetype(c.blocksWide) * 8;
    const jpeg::QuantMultipliers &q = m_multipliers[c.table];
    qsizetype index = 0;
    for (int by = 0; by < c.blocksHigh; ++by) {
        const float *row = c.samples.get() + by * 8 * stride;
        for (int bx = 0; bx < c.blocksWide; ++bx, ++index)
            out.nonZero[index] = jpeg::transformBlock(row + bx * 8, stride, q, out.values.data() + index * 64);
    }
    return out;
}

QByteArray cJpeg::encode() const
{
    if (!hasImage())
        return {};

    std::array<Coefficients, kComponents> coefficients;
    for (int c = 0; c < kComponents; ++c)
        coefficients[c] = transform(m_components[c]);

    // Components join a scan in order while its unit stays within 10 blocks.
    std::vector<std::vector<int>> scans;
    int blocksInScan = 0;
    for (int c = 0; c < kComponents; ++c) {
        const int blocks = m_components[c].h * m_components[c].v;
        if (scans.empty() || blocksInScan + blocks > kMaxBlocksPerMcu) {
            scans.emplace_back();
            blocksInScan = 0;
        }
        scans.back().push_back(c);
        blocksInScan += blocks;
    }

    std::vector<jpeg::ScanLayout> layouts;
    for (const std::vector<int> &members : scans) {
        jpeg::ScanLayout layout;
        layout.mcusWide = m_mcusWide;
        layout.mcusHigh = m_mcusHigh;
        for (int c : members) {
            const Component &comp = m_components[c];
            jpeg::BlockGrid grid;
            grid.coefficients = coefficients[c].values.data();
            grid.nonZero = coefficients[c].nonZero.data();
            grid.gridWidth = comp.blocksWide;
            grid.h = comp.h;
            grid.v = comp.v;
            grid.blocksWide = ceilDiv(comp.width, 8);
            grid.blocksHigh = ceilDiv(comp.height, 8);
            grid.table = comp.table;
            layout.components.push_back(grid);
        }
        layouts.push_back(std::move(layout));
    }

    jpeg::SymbolCounts dcCounts[2]{};
    jpeg::SymbolCounts acCounts[2]{};
    for (const jpeg::ScanLayout &layout : layouts)
        jpeg::countScan(layout, dcCounts, acCounts);
    const int tablesUsed = kComponents > 1 ? 2 : 1;
    jpeg::HuffmanSpec dcSpec[2];
    jpeg::HuffmanSpec acSpec[2];
    jpeg::HuffmanCodes dcCodes[2];
    jpeg::HuffmanCodes acCodes[2];
    for (int t = 0; t < tablesUsed; ++t) {
        dcSpec[t] = jpeg::buildOptimalTable(dcCounts[t]);
        acSpec[t] = jpeg::buildOptimalTable(acCounts[t]);
        dcCodes[t] = jpeg::makeCodes(dcSpec[t]);
        acCodes[t] = jpeg::makeCodes(acSpec[t]);
    }

    std::vector<quint8> out;
    out.reserve(std::size_t(m_width) * m_height / 4 + 4096);
    jpeg::writeStartOfImage(out);
    jpeg::writeJfifHeader(out);
    if (!m_comment.isEmpty())
        jpeg::writeComment(out, m_comment.toLatin1());
    jpeg::writeComment(out, QByteArray(kIdentification));
    for (int t = 0; t < tablesUsed; ++t)
        jpeg::writeQuantTable(out, t, m_tables[t]);

    std::vector<jpeg::FrameComponent> frame;
    for (const Component &c : m_components)
        frame.push_back({c.id, c.h, c.v, c.table, c.table, c.table});
    jpeg::writeFrameHeader(out, m_width, m_height, frame);
    for (int t = 0; t < tablesUsed; ++t) {
        jpeg::writeHuffmanTable(out, jpeg::TableClass::DC, t, dcSpec[t]);
        jpeg::writeHuffmanTable(out, jpeg::TableClass::AC, t, acSpec[t]);
    }
    for (std::size_t s = 0; s < scans.size(); ++s) {
        std::vector<jpeg::FrameComponent> members;
        for (int c : scans[s])
            members.push_back(frame[c]);
        jpeg::writeScanHeader(out, members);
        jpeg::encodeScan(layouts[s], dcCodes, acCodes, out);
    }
    jpeg::writeEndOfImage(out);
    return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size()));
}

qint32 cJpeg::SaveFile(const QString &path) const
{
    if (path.isEmpty())
        return EmptyPath;
    if (QFileInfo::exists(path))
        return FileExists;
    const QByteArray bytes = encode();

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
