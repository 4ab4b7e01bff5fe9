#include "imaging/core/cjpeg.h"
#include "tests/imaging/jpegwalker.h"
#include "tests/imaging/libjpegref.h"
#include "tests/imaging/synthimages.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QImage>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

using Sampling = QList<int>;
Q_DECLARE_METATYPE(Sampling)

namespace {

RgbImage view(const SynthImage &image)
{
    return RgbImage{reinterpret_cast<const uchar *>(image.pixels.data()), image.width, image.height,
                    qsizetype(image.width) * 4, RgbImage::Layout::Xrgb32};
}

QByteArray encodeWith(const SynthImage &image, int quality, const Sampling &s, const QString &comment = {})
{
    cJpeg jpeg;
    jpeg.setQuality(quality);
    jpeg.SetSamplingFrequencies(s[0], s[1], s[2], s[3], s[4], s[5]);
    jpeg.setComment(comment);
    jpeg.SampleImage(view(image));
    return jpeg.encode();
}

int be16(const QByteArray &b, int at)
{
    return (quint8(b.at(at)) << 8) | quint8(b.at(at + 1));
}

// Segment order and the frame header of a file written by cJpeg; decoders
// check the rest, except for the sampling ratios libjpeg refuses.
void verifyStructure(const QByteArray &file, const cJpeg &jpeg, int width, int height, const QString &comment)
{
    const JpegWalk walk = walkJpeg(file);
    QVERIFY2(walk.error.isEmpty(), qPrintable(walk.error));
    QList<quint8> markers;
    for (const JpegSegment &s : walk.segments)
        markers << s.marker;

    QList<quint8> expected{0xD8, 0xE0};
    if (!comment.isEmpty())
        expected << 0xFE;
    expected << 0xFE << 0xDB << 0xDB << 0xC0 << 0xC4 << 0xC4 << 0xC4 << 0xC4 << 0xDA;
    // A scan holds at most 10 blocks per unit: components that do not fit go to another.
    for (int c = 0, blocks = 0; c < 3; ++c) {
        const int b = jpeg.samplingH(c) * jpeg.samplingV(c);
        if (c > 0 && blocks + b > 10) {
            expected << 0xDA;
            blocks = 0;
        }
        blocks += b;
    }
    expected << 0xD9;
    QCOMPARE(markers, expected);
    if (!comment.isEmpty())
        QCOMPARE(walk.segments[2].payload, comment.toLatin1());

    const QByteArray sof = walk.segments[markers.indexOf(0xC0)].payload;
    QCOMPARE(sof.size(), 15);
    QCOMPARE(be16(sof, 1), height);
    QCOMPARE(be16(sof, 3), width);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(int(quint8(sof[7 + 3 * c])), (jpeg.samplingH(c) << 4) | jpeg.samplingV(c));
}

} // namespace

class TestCJpeg : public QObject
{
    Q_OBJECT
private slots:
    void decodesEverywhere_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<Sampling>("sampling");
        const QList<QPair<int, int>> sizes{{1, 1}, {8, 8}, {17, 9}, {1281, 1023}};
        const QList<QPair<const char *, Sampling>> samplings{
            {"4:4:4", {1, 1, 1, 1, 1, 1}}, {"4:2:2", {2, 1, 1, 1, 1, 1}}, {"4:2:0", {2, 2, 1, 1, 1, 1}}};
        for (const auto &[w, h] : sizes)
            for (const auto &[name, s] : samplings)
                QTest::addRow("%dx%d %s", w, h, name) << w << h << s;
        QTest::newRow("33x17 1x2 luma") << 33 << 17 << Sampling{1, 2, 1, 1, 1, 1};
        QTest::newRow("45x29 4x4 luma, two scans") << 45 << 29 << Sampling{4, 4, 1, 1, 1, 1};
        QTest::newRow("40x24 2x2 chroma") << 40 << 24 << Sampling{1, 1, 2, 2, 2, 2};
        // 3:2 ratios are valid JPEG, though libjpeg cannot decode them.
        QTest::newRow("50x35 3:2 fractional") << 50 << 35 << Sampling{3, 2, 2, 1, 1, 1};
    }

    void decodesEverywhere()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(Sampling, sampling);
        const SynthImage image = photoLike(width, height);
        cJpeg jpeg;
        jpeg.SetSamplingFrequencies(sampling[0], sampling[1], sampling[2], sampling[3], sampling[4], sampling[5]);
        jpeg.SampleImage(view(image));
        const QByteArray file = jpeg.encode();
        verifyStructure(file, jpeg, width, height, {});
        if (sampling[0] == 3) // libjpeg refuses it
            return;

        int w = 0, h = 0;
        std::vector<quint8> rgb;
        QVERIFY(referenceDecode(reinterpret_cast<const quint8 *>(file.constData()), std::size_t(file.size()), w, h, rgb));
        QCOMPARE(w, width);
        QCOMPARE(h, height);
        QVERIFY2(psnr(image, rgb) > 25.0, qPrintable(QString::number(psnr(image, rgb))));

        const QImage qt = QImage::fromData(file, "JPEG");
        QCOMPARE(qt.size(), QSize(width, height));
    }

    void flatColourSurvives()
    {
        SynthImage image{23, 13, std::vector<quint32>(23 * 13, 0xFF3C8CDCu)};
        const QByteArray file = encodeWith(image, 90, {2, 2, 1, 1, 1, 1});
        int w = 0, h = 0;
        std::vector<quint8> rgb;
        QVERIFY(referenceDecode(reinterpret_cast<const quint8 *>(file.constData()), std::size_t(file.size()), w, h, rgb));
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            QVERIFY(std::abs(rgb[i] - 0x3C) <= 2);
            QVERIFY(std::abs(rgb[i + 1] - 0x8C) <= 2);
            QVERIFY(std::abs(rgb[i + 2] - 0xDC) <= 2);
        }
    }

    void rectangleAndRgb24Input()
    {
        const SynthImage image = photoLike(40, 30);
        std::vector<uchar> packed;
        for (quint32 p : image.pixels)
            packed.insert(packed.end(), {uchar(p >> 16), uchar(p >> 8), uchar(p)});
        const RgbImage rgb24{packed.data(), 40, 30, 120, RgbImage::Layout::Rgb24};

        cJpeg a;
        a.SampleImage(rgb24, 20, 10, 5, 7);
        QCOMPARE(a.width(), 20);
        QCOMPARE(a.height(), 10);
        SynthImage crop{20, 10, {}};
        for (int y = 7; y < 17; ++y)
            for (int x = 5; x < 25; ++x)
                crop.pixels.push_back(image.pixels[std::size_t(y) * 40 + x]);
        cJpeg b;
        b.SampleImage(view(crop));
        QCOMPARE(a.encode(), b.encode());

        cJpeg clipped;
        clipped.SampleImage(rgb24, 100, 100, 30, 25); // runs past the right and bottom edges
        QCOMPARE(clipped.width(), 10);
        QCOMPARE(clipped.height(), 5);
    }

    void consistencyErrors()
    {
        cJpeg jpeg;
        QVERIFY_THROWS_EXCEPTION(JpegError, jpeg.SetSamplingFrequencies(0, 1, 1, 1, 1, 1));
        QVERIFY_THROWS_EXCEPTION(JpegError, jpeg.SetSamplingFrequencies(1, 1, 1, 1, 1, 5));
        try {
            jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 9);
            QFAIL("no error");
        } catch (const JpegError &e) {
            QCOMPARE(e.description(), QStringLiteral("Invalid Sampling Value"));
        }
        QCOMPARE(jpeg.samplingH(0), 2); // unchanged by the refused call

        try {
            jpeg.setComment(QString(65534, QLatin1Char('x')));
            QFAIL("no error");
        } catch (const JpegError &e) {
            QCOMPARE(e.description(), QStringLiteral("Illegal Comment Length"));
        }
        const QString longest(65533, QLatin1Char('c'));
        jpeg.setComment(longest);
        const SynthImage image = photoLike(16, 16);
        jpeg.SampleImage(view(image));
        const QByteArray file = jpeg.encode();
        verifyStructure(file, jpeg, 16, 16, longest);
        QVERIFY(!QImage::fromData(file, "JPEG").isNull());

        QVERIFY_THROWS_EXCEPTION(JpegError, jpeg.SampleImage(view(image), 0, 5));
        QVERIFY_THROWS_EXCEPTION(JpegError, jpeg.SampleImage(view(image), 5, 5, 16, 0));
        QVERIFY_THROWS_EXCEPTION(JpegError, jpeg.SampleImage(RgbImage{}));
        RgbImage shortRows = view(image);
        shortRows.bytesPerLine = 10;
        QVERIFY_THROWS_EXCEPTION(JpegError, jpeg.SampleImage(shortRows));
        QVERIFY(cJpeg().encode().isEmpty());
    }

    void saveFile()
    {
        TempAppDir dir;
        const SynthImage image = screenshotLike(64, 48);
        cJpeg jpeg;
        jpeg.SampleImage(view(image));

        QCOMPARE(jpeg.SaveFile(QString()), qint32(cJpeg::EmptyPath));
        const QString path = dir.file(QStringLiteral("Screen_20081028_143005.jpg"));
        QCOMPARE(jpeg.SaveFile(path), qint32(cJpeg::Saved));
        QCOMPARE(dir.read(QStringLiteral("Screen_20081028_143005.jpg")), jpeg.encode());
        QVERIFY(QFileInfo(path).permissions() & QFileDevice::ReadOther);

        dir.write(QStringLiteral("taken.jpg"), "keep me");
        QCOMPARE(jpeg.SaveFile(dir.file(QStringLiteral("taken.jpg"))), qint32(cJpeg::FileExists));
        QCOMPARE(dir.read(QStringLiteral("taken.jpg")), QByteArray("keep me"));
        QCOMPARE(jpeg.SaveFile(path), qint32(cJpeg::FileExists));

        QCOMPARE(jpeg.SaveFile(dir.file(QStringLiteral("no/such/folder/x.jpg"))), qint32(cJpeg::WriteFailed));
        QCOMPARE(cJpeg().SaveFile(dir.file(QStringLiteral("empty.jpg"))), qint32(cJpeg::WriteFailed));
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, (QStringList{QStringLiteral("Screen_20081028_143005.jpg"), QStringLiteral("taken.jpg")}));
    }

    void qualityAgainstLibjpegTurbo_data()
    {
        QTest::addColumn<bool>("photo");
        QTest::addColumn<Sampling>("sampling");
        QTest::newRow("screenshot 4:2:0") << false << Sampling{2, 2, 1, 1, 1, 1};
        QTest::newRow("photo 4:2:0") << true << Sampling{2, 2, 1, 1, 1, 1};
        QTest::newRow("screenshot 4:4:4") << false << Sampling{1, 1, 1, 1, 1, 1};
        QTest::newRow("photo 4:2:2") << true << Sampling{2, 1, 1, 1, 1, 1};
    }

    void qualityAgainstLibjpegTurbo()
    {
        QFETCH(bool, photo);
        QFETCH(Sampling, sampling);
        const SynthImage image = photo ? photoLike(640, 480) : screenshotLike(640, 480);
        const QByteArray ours = encodeWith(image, 75, sampling);
        const std::vector<quint8> theirs = referenceEncode(image, 75, sampling.constData());
        QVERIFY(!theirs.empty());

        int w = 0, h = 0;
        std::vector<quint8> rgb;
        QVERIFY(referenceDecode(reinterpret_cast<const quint8 *>(ours.constData()), std::size_t(ours.size()), w, h, rgb));
        const double oursPsnr = psnr(image, rgb);
        QVERIFY(referenceDecode(theirs.data(), theirs.size(), w, h, rgb));
        const double theirsPsnr = psnr(image, rgb);
        qInfo("PSNR ours %.2f dB (%lld bytes), libjpeg-turbo %.2f dB (%zu bytes)", oursPsnr,
              qlonglong(ours.size()), theirsPsnr, theirs.size());
        QVERIFY(oursPsnr >= theirsPsnr - 0.2);
        QVERIFY(double(ours.size()) <= double(theirs.size()) * 1.05);
    }
};

QTEST_MAIN(TestCJpeg)
#include "tst_cjpeg.moc"
