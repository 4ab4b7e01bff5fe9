#include "tests/imaging/jpegwalker.h"

namespace quillon::test {

JpegWalk walkJpeg(const QByteArray &file)
{
    JpegWalk walk;
    const auto byte = [&file](qsizetype i) { return quint8(file.at(i)); };
    if (file.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) {
        walk.error = QStringLiteral("no SOI");
        return walk;
    }
    walk.segments.append(JpegSegment{0xD8, {}});
    qsizetype pos = 2;
    while (pos + 2 <= file.size()) {
        if (byte(pos) != 0xFF) {
            walk.error = QStringLiteral("no marker at %1").arg(pos);
            return walk;
        }
        const quint8 marker = byte(pos + 1);
        pos += 2;
        if (marker == 0xD9) {
            walk.segments.append(JpegSegment{marker, {}});
            if (pos != file.size())
                walk.error = QStringLiteral("%1 bytes after EOI").arg(file.size() - pos);
            return walk;
        }
        if (pos + 2 > file.size()) {
            walk.error = QStringLiteral("truncated length");
            return walk;
        }
        const int length = (byte(pos) << 8) | byte(pos + 1);
        if (length < 2 || pos + length > file.size()) {
            walk.error = QStringLiteral("bad length %1 of marker %2").arg(length).arg(marker, 2, 16);
            return walk;
        }
        walk.segments.append({marker, file.mid(pos + 2, length - 2)});
        pos += length;
        if (marker == 0xDA) {
            // Entropy-coded data: 0xFF is followed by a stuffed 0 or a restart marker.
            while (pos + 1 < file.size()) {
                if (byte(pos) == 0xFF && byte(pos + 1) != 0 && (byte(pos + 1) < 0xD0 || byte(pos + 1) > 0xD7))
                    break;
                pos += byte(pos) == 0xFF ? 2 : 1;
            }
        }
    }
    walk.error = QStringLiteral("no EOI");
    return walk;
}

} // namespace quillon::test
