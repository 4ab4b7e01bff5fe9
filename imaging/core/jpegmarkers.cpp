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

void put16(ByteSink &out, int value)
{
    out.put(quint8(value >> 8));
    out.put(quint8(value));
}

void putMarker(ByteSink &out, quint8 code)
{
    out.put(kMarker);
    out.put(code);
}

// Marker and length field; the length counts itself.
void startSegment(ByteSink &out, quint8 code, int payload)
{
    if (out.room() < std::size_t(payload) + 4)
        throw JpegError(JpegError::IllegalCommentLength);
    putMarker(out, code);
    put16(out, payload + 2);
}

} // namespace

void writeStartOfImage(ByteSink &out)
{
    putMarker(out, kSOI);
}

void writeJfifHeader(ByteSink &out)
{
    startSegment(out, kAPP0, 14);
    out.append(kJfifId, sizeof kJfifId);
    out.put(kJfifMajor);
    out.put(kJfifMinor);
    out.put(kDensityAspectOnly);
    put16(out, 1);
    put16(out, 1);
    out.put(0); // no thumbnail
    out.put(0);
}

void writeComment(ByteSink &out, const QByteArray &text)
{
    if (text.size() + 2 > kMaxSegmentLength)
        throw JpegError(JpegError::IllegalCommentLength);
    startSegment(out, kCOM, int(text.size()));
    out.append(text.constData(), std::size_t(text.size()));
}

void writeQuantTable(ByteSink &out, int table, const Table64 &zigZag)
{
    if (table < 0 || table > 3)
        throw JpegError(JpegError::BadQuantizationTable);
    for (quint8 entry : zigZag)
        if (entry == 0)
            throw JpegError(JpegError::BadQuantizationTable);
    startSegment(out, kDQT, 65);
    out.put(quint8(table)); // 8-bit precision
    out.append(zigZag.data(), zigZag.size());
}

void writeFrameHeader(ByteSink &out, int width, int height, const std::vector<FrameComponent> &components)
{
    startSegment(out, kSOF0, 6 + 3 * int(components.size()));
    out.put(kSamplePrecision);
    put16(out, height);
    put16(out, width);
    out.put(quint8(components.size()));
    for (const FrameComponent &c : components) {
        out.put(quint8(c.id));
        out.put(quint8((c.h << 4) | c.v));
        out.put(quint8(c.quantTable));
    }
}

void writeHuffmanTable(ByteSink &out, TableClass tableClass, int table, const HuffmanCodeTable &huff)
{
    startSegment(out, kDHT, 17 + int(huff.values.size()));
    out.put(quint8((int(tableClass) << 4) | table));
    out.append(huff.bits.data() + 1, 16);
    out.append(huff.values.data(), huff.values.size());
}

void writeScanHeader(ByteSink &out, const std::vector<FrameComponent> &components)
{
    startSegment(out, kSOS, 4 + 2 * int(components.size()));
    out.put(quint8(components.size()));
    for (const FrameComponent &c : components) {
        out.put(quint8(c.id));
        out.put(quint8((c.dcTable << 4) | c.acTable));
    }
    out.put(0);  // spectral selection 0..63
    out.put(63);
    out.put(0);  // no successive approximation
}

void writeEndOfImage(ByteSink &out)
{
    putMarker(out, kEOI);
}

} // namespace quillon::jpeg
