#include "tests/imaging/jpegwalker.h"
#include "tests/support/testsupport.h"

#include <QImage>
#include <QProcess>
#include <QtTest>

using namespace quillon::test;

namespace {

struct Run
{
    int exitCode{-1};
    QString errors;
};

Run runTool(const QStringList &args)
{
    QProcess tool;
    tool.start(binPath(QStringLiteral("tools/jpegenc/quillon-jpegenc")), args);
    Run run;
    if (!tool.waitForFinished(30000))
        return run;
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}

} // namespace

class TestJpegEnc : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QImage image(37, 21, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 6, y * 11, 200 - x * 3));
        QVERIFY(image.save(m_dir.file(QStringLiteral("in.png"))));
        QVERIFY(image.save(m_dir.file(QStringLiteral("in.ppm"))));
    }

    void encodesReadableImages_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("sofSampling"); // luma sampling byte in SOF0
        QTest::newRow("png defaults") << "in.png" << QStringList{} << 0x22;
        QTest::newRow("ppm q90 4:4:4") << "in.ppm"
                                       << QStringList{QStringLiteral("-q"), QStringLiteral("90"), QStringLiteral("-s"), QStringLiteral("1,1,1,1,1,1")}
                                       << 0x11;
        QTest::newRow("png comment") << "in.png" << QStringList{QStringLiteral("-c"), QStringLiteral("router at home")} << 0x22;
    }

    void encodesReadableImages()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, options);
        QFETCH(int, sofSampling);
        const QString out = m_dir.file(QStringLiteral("out-%1.jpg").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
        const Run run = runTool(options + QStringList{m_dir.file(input), out});
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, 0);

        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const JpegWalk walk = walkJpeg(bytes);
        QVERIFY2(walk.error.isEmpty(), qPrintable(walk.error));
        for (const JpegSegment &s : walk.segments)
            if (s.marker == 0xC0)
                QCOMPARE(int(quint8(s.payload[7])), sofSampling);
        QCOMPARE(QImage::fromData(bytes, "JPEG").size(), QSize(37, 21));
        if (options.contains(QStringLiteral("-c")))
            QVERIFY(bytes.contains("router at home"));
    }

    void refusesBadInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString in = m_dir.file(QStringLiteral("in.png"));
        const QString out = m_dir.file(QStringLiteral("never.jpg"));
        QTest::newRow("missing input") << QStringList{m_dir.file(QStringLiteral("nope.png")), out} << "cannot read";
        QTest::newRow("not an image") << QStringList{m_dir.file(QStringLiteral("junk.png")), out} << "cannot read";
        QTest::newRow("quality 0") << QStringList{QStringLiteral("-q"), QStringLiteral("0"), in, out} << "quality";
        QTest::newRow("quality 101") << QStringList{QStringLiteral("-q"), QStringLiteral("101"), in, out} << "quality";
        QTest::newRow("quality text") << QStringList{QStringLiteral("-q"), QStringLiteral("high"), in, out} << "quality";
        QTest::newRow("sampling 5") << QStringList{QStringLiteral("-s"), QStringLiteral("5,1,1,1,1,1"), in, out} << "Invalid Sampling Value";
        QTest::newRow("sampling short") << QStringList{QStringLiteral("-s"), QStringLiteral("2,2"), in, out} << "sampling";
        QTest::newRow("one file") << QStringList{in} << "usage";
        QTest::newRow("existing output") << QStringList{in, m_dir.file(QStringLiteral("taken.jpg"))} << "exists";
    }

    void refusesBadInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        m_dir.write(QStringLiteral("junk.png"), "\x89PNG\r\n\x1a\n garbage");
        m_dir.write(QStringLiteral("taken.jpg"), "mine");
        const Run run = runTool(args);
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
        QVERIFY(!QFile::exists(m_dir.file(QStringLiteral("never.jpg"))));
        QCOMPARE(m_dir.read(QStringLiteral("taken.jpg")), QByteArray("mine"));
    }

private:
    TempAppDir m_dir;
};

QTEST_MAIN(TestJpegEnc)
#include "tst_jpegenc.moc"
