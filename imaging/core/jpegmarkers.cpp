#include "imaging/core/jpegmarkers.h"

#include "imaging/core/jpegerror.h"

namespace quillon::jpeg {

namespace {

constexpr quint8 kMarker = 0xFF;
constexpr quint8 kSOI = 0xD8;
constexpr quint8 kEOI = 0xD9;
constexpr quint8 kAPP0 = 0xE0;
constexpr quint8 kCOM = 0xFE;
constexpr quint8 kDQT = 0xDB;
constexpr quint8 kSOF0 = 0xC0;
constexpr quint8 kDHT = 0xC4;
constexpr quint8 kSOS = 0xDA;

constexpr char kJfifId[] = "JFIF"; // written with its terminating zero
constexpr quint8 kJfifMajor = 1;
constexpr quint8 kJfifMinor = 1;
constexpr quint8 kDensityAspectOnly = 0;
constexpr int kSamplePrecision = 8;
constexpr int kMaxSegmentLength = 0xFFFF;

void put16(std::vector<quint8> &out, int value)
{
    out.push_back(quint8(value >> 8));
    out.push_back(quint8(value));
}

void putMarker(std::vector<quint8> &out, quint8 code)
{
    out.push_back(kMarker);
    out.push_back(code);
}

// Marker and length field; the length counts itself.
void startSegment(std::vector<quint8> &out, quint8 code, int payload)
{
    putMarker(out, code);
    put16(out, payload + 2);
}

} // namespace

void writeStartOfImage(std::vector<quint8> &out)
{
    putMarker(out, kSOI);
}

void writeJfifHeader(std::vector<quint8> &out)
{
    startSegment(out, kAPP0, 14);
    out.insert(out.end(), kJfifId, kJfifId + sizeof kJfifId);
    out.push_back(kJfifMajor);
    out.push_back(kJfifMinor);
    out.push_back(kDensityAspectOnly);
    put16(out, 1);
    put16(out, 1);
    out.push_back(0); // no thumbnail
    out.push_back(0);
}

void writeComment(std::vector<quint8> &out, const QByteArray &text)
{
    if (text.size() + 2 > kMaxSegmentLength)
        throw JpegError(JpegError::IllegalCommentLength);
    startSegment(out, kCOM, int(text.size()));
    out.insert(out.end(), text.cbegin(), text.cend());
}

void writeQuantTable(std::vector<quint8> &out, int table, const Table64 &zigZag)
{
    if (table < 0 || table > 3)
        throw JpegError(JpegError::BadQuantizationTable);
    for (quint8 entry : zigZag)
        if (entry == 0)
            throw JpegError(JpegError::BadQuantizationTable);
    startSegment(out, kDQT, 65);
    out.push_back(quint8(table)); // 8-bit precision
    out.insert(out.end(), zigZag.cbegin(), zigZag.cend());
}

void writeFrameHeader(std::vector<quint8> &out, int width, int height, const std::vector<FrameComponent> &components)
{
    startSegment(out, kSOF0, 6 + 3 * int(components.size()));
    out.push_back(kSamplePrecision);
    put16(out, height);
    put16(out, width);
    out.push_back(quint8(components.size()));
    for (const FrameComponent &c : components) {
        out.push_back(quint8(c.id));
        out.push_back(quint8((c.h << 4) | c.v));
        out.push_back(quint8(c.quantTable));
    }
}

void writeHuffmanTable(std::vector<quint8> &out, TableClass tableClass, int table, const HuffmanSpec &spec)
{
    startSegment(out, kDHT, 17 + int(spec.values.size()));
    out.push_back(quint8((int(tableClass) << 4) | table));
    out.insert(out.end(), spec.bits.cbegin() + 1, spec.bits.cend());
    out.insert(out.end(), spec.values.cbegin(), spec.values.cend());
}

void writeScanHeader(std::vector<quint8> &out, const std::vector<FrameComponent> &components)
{
    startSegment(out, kSOS, 4 + 2 * int(components.size()));
    out.push_back(quint8(components.size()));
    for (const FrameComponent &c : components) {
        out.push_back(quint8(c.id));
        out.push_back(quint8((c.dcTable << 4) | c.acTable));
    }
    out.push_back(0);  // spectral selection 0..63
    out.push_back(63);
    out.push_back(0);  // no successive approximation
}

void writeEndOfImage(std::vector<quint8> &out)
{
    putMarker(out, kEOI);
}

} // namespace quillon::jpeg
