#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quillon::test {

// One marker segment of a JPEG file; entropy-coded data after SOS is skipped.
struct JpegSegment
{
    quint8 marker{0};
    QByteArray payload; // after the length field
};

struct JpegWalk
{
    QList<JpegSegment> segments;
    QString error; // empty when the file is well formed up to EOI, with nothing after it
};

JpegWalk walkJpeg(const QByteArray &file);

} // namespace quillon::test
