// quillon-jpegenc: encodes an image file with Quillon's JPEG encoder.

#include "imaging/core/cjpeg.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStringList>

#include <cstdio>
#include <new>

using namespace quillon;

namespace {

constexpr char kUsage[] =
    "usage: quillon-jpegenc [-q QUALITY] [-s H1,V1,H2,V2,H3,V3] [-c COMMENT] INPUT OUTPUT\n"
    "  -q  quality 1..100 (default 75)\n"
    "  -s  sampling factors 1..4 of Y, Cb, Cr (default 2,2,1,1,1,1)\n"
    "  -c  comment stored in the file\n"
    "The output file must not exist yet.\n";

int fail(const QString &message, int code = 1)
{
    std::fprintf(stderr, "quillon-jpegenc: %s\n", qPrintable(message));
    return code;
}

bool parseInt(const QString &text, int &value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    int quality = 75;
    int sampling[6] = {2, 2, 1, 1, 1, 1};
    QString comment;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == QLatin1String("-q") || a == QLatin1String("-s") || a == QLatin1String("-c")) {
            if (i + 1 >= args.size())
                return fail(QStringLiteral("%1 needs a value\n%2").arg(a, QLatin1String(kUsage)), 2);
            const QString value = args[++i];
            if (a == QLatin1String("-q")) {
                if (!parseInt(value, quality) || quality < 1 || quality > 100)
                    return fail(QStringLiteral("quality must be a whole number from 1 to 100, not \"%1\"").arg(value), 2);
            } else if (a == QLatin1String("-s")) {
                const QStringList parts = value.split(QLatin1Char(','));
                bool ok = parts.size() == 6;
                for (int k = 0; ok && k < 6; ++k)
                    ok = parseInt(parts[k], sampling[k]);
                if (!ok)
                    return fail(QStringLiteral("sampling must be six numbers H1,V1,H2,V2,H3,V3, not \"%1\"").arg(value), 2);
            } else {
                comment = value;
            }
            continue;
        }
        files << a;
    }
    if (files.size() != 2)
        return fail(QStringLiteral("need an input and an output file\n%1").arg(QLatin1String(kUsage)), 2);
    const QString &input = files[0];
    const QString &output = files[1];
    if (QFileInfo::exists(output))
        return fail(QStringLiteral("%1 exists already; not replaced").arg(output));

    QImageReader reader(input);
    QImage image = reader.read();
    if (image.isNull())
        return fail(QStringLiteral("cannot read %1: %2").arg(input, reader.errorString()));
    image = image.convertToFormat(QImage::Format_RGB32);

    try {
        cJpeg jpeg;
        jpeg.setQuality(quality);
        jpeg.SetSamplingFrequencies(sampling[0], sampling[1], sampling[2], sampling[3], sampling[4], sampling[5]);
        jpeg.setComment(comment);
        RgbImage rgb;
        rgb.pixels = image.constBits();
        rgb.width = image.width();
        rgb.height = image.height();
        rgb.bytesPerLine = image.bytesPerLine();
        rgb.layout = RgbImage::Layout::Xrgb32;
        jpeg.SampleImage(rgb);
        switch (jpeg.SaveFile(output)) {
        case cJpeg::Saved:
            return 0;
        case cJpeg::FileExists:
            return fail(QStringLiteral("%1 exists already; not replaced").arg(output));
        default:
            return fail(QStringLiteral("cannot write %1").arg(output));
        }
    } catch (const JpegError &e) {
        return fail(e.description());
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("%1 is too large to encode here").arg(input));
    }
}
