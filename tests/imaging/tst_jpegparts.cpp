#include "imaging/core/cjpeg.h"
#include "imaging/core/jpegdct.h"
#include "imaging/core/jpeghuffman.h"
#include "imaging/core/jpegtables.h"

#include <QtTest>

#include <cmath>
#include <random>

using namespace quillon;
using namespace quillon::jpeg;

namespace {

// Sum of 2^(16 - length) over the codes; a complete code with its reserved
// all-ones point reaches 65536 once the longest length's last code is added.
quint32 kraftUnits(const HuffmanCodeTable &huff)
{
    quint32 units = 0;
    for (int len = 1; len <= 16; ++len)
        units += quint32(huff.bits[len]) << (16 - len);
    return units;
}

int longest(const HuffmanCodeTable &huff)
{
    int len = 16;
    while (len > 0 && huff.bits[len] == 0)
        --len;
    return len;
}

void verifyTable(const SymbolCounts &counts)
{
    const HuffmanCodeTable huff = buildOptimalTable(counts);
    int used = 0;
    for (int s = 0; s < 256; ++s)
        used += counts[s] > 0;
    QCOMPARE(int(huff.values.size()), used);
    int listed = 0;
    for (int len = 1; len <= 16; ++len)
        listed += huff.bits[len];
    QCOMPARE(listed, used);
    QCOMPARE(kraftUnits(huff) + (1u << (16 - longest(huff))), 65536u);

    const HuffmanCodes codes = makeCodes(huff);
    for (quint8 a : huff.values) {
        QVERIFY(codes.length[a] >= 1 && codes.length[a] <= 16);
        QVERIFY2(codes.code[a] != (1u << codes.length[a]) - 1, "all-ones code");
        for (quint8 b : huff.values) {
            if (a == b || codes.length[a] > codes.length[b])
                continue;
            const quint32 prefix = codes.code[b] >> (codes.length[b] - codes.length[a]);
            QVERIFY2(prefix != codes.code[a], "not a prefix code");
        }
    }
}

} // namespace

class TestJpegParts : public QObject
{
    Q_OBJECT
private slots:
    void quantTables_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<QList<int>>("luminanceStart");
        QTest::addColumn<int>("uniform"); // every entry of both tables, 0 when mixed
        QTest::newRow("75") << 75 << QList<int>{8, 6, 6, 8} << 0;
        QTest::newRow("50 halves to even") << 50 << QList<int>{16, 12, 12, 14} << 0;
        QTest::newRow("16 scale 312.5 to 312") << 16 << QList<int>{50, 35, 38, 44} << 0;
        QTest::newRow("100") << 100 << QList<int>{1, 1, 1, 1} << 1;
        QTest::newRow("1") << 1 << QList<int>{255, 255, 255, 255} << 255;
        QTest::newRow("0 keeps 75") << 0 << QList<int>{8, 6, 6, 8} << 0;
        QTest::newRow("101 keeps 75") << 101 << QList<int>{8, 6, 6, 8} << 0;
    }

    void quantTables()
    {
        QFETCH(int, quality);
        QFETCH(QList<int>, luminanceStart);
        QFETCH(int, uniform);
        cJpeg jpeg;
        jpeg.setQuality(quality);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(int(jpeg.quantTable(0)[k]), luminanceStart[k]);
        if (uniform) {
            for (int t = 0; t < 2; ++t)
                for (quint8 entry : jpeg.quantTable(t))
                    QCOMPARE(int(entry), uniform);
        }
        QCOMPARE(jpeg.quality(), quality >= 1 && quality <= 100 ? quality : 75);
    }

    void dctMatchesDefinition()
    {
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> sample(-128.0f, 127.0f);
        float block[64];
        float source[64];
        for (float &s : source)
            s = sample(rng);
        std::copy(source, source + 64, block);
        forwardDct(block);

        const auto scale = [](int k) { return k == 0 ? 1.0 / (2.0 * std::sqrt(2.0)) : 1.0 / (4.0 * std::cos(k * M_PI / 16.0)); };
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) {
                double sum = 0;
                for (int x = 0; x < 8; ++x)
                    for (int y = 0; y < 8; ++y)
                        sum += source[y * 8 + x] * std::cos((2 * y + 1) * u * M_PI / 16) * std::cos((2 * x + 1) * v * M_PI / 16);
                const double cu = u == 0 ? M_SQRT1_2 : 1.0;
                const double cv = v == 0 ? M_SQRT1_2 : 1.0;
                const double expected = 0.25 * cu * cv * sum;
                const double got = block[v * 8 + u] * scale(u) * scale(v);
                QVERIFY2(std::abs(got - expected) < 1e-3, qPrintable(QStringLiteral("u=%1 v=%2: %3 vs %4").arg(u).arg(v).arg(got).arg(expected)));
            }
    }

    void quantisationRoundsHalvesToEven()
    {
        // A flat block of value s has DC = 8 s; with table entry 16 the
        // quantised DC is s / 2, so odd s gives exact halves.
        Table64 table{};
        table.fill(16);
        const QuantMultipliers q = makeMultipliers(table);
        const std::pair<float, int> cases[] = {{5.0f, 2}, {7.0f, 4}, {-5.0f, -2}, {-7.0f, -4}, {6.0f, 3}};
        for (const auto &[value, expected] : cases) {
            float samples[64];
            std::fill(samples, samples + 64, value);
            qint16 dc = 0;
            quint64 nonZero = 1;
            qint16 ac[63];
            QCOMPARE(transformBlock(samples, 8, q, dc, nonZero, ac), 0);
            QCOMPARE(int(dc), expected);
            QCOMPARE(nonZero, quint64(0));
        }
    }

    void huffmanTablesAreCompletePrefixCodes()
    {
        SymbolCounts typical{};
        std::mt19937 rng(3);
        for (int s = 0; s < 256; s += 3)
            typical[s] = 1 + rng() % 5000;
        verifyTable(typical);

        // Fibonacci counts give a code as deep as there are symbols: the length limit must cut it.
        SymbolCounts skewed{};
        quint64 a = 1, b = 1;
        for (int s = 0; s < 40; ++s) {
            skewed[s * 5] = a;
            const quint64 c = a + b;
            a = b;
            b = c;
        }
        verifyTable(skewed);
        QCOMPARE(longest(buildOptimalTable(skewed)), 16);

        SymbolCounts one{};
        one[0x11] = 1000;
        verifyTable(one);
        QCOMPARE(buildOptimalTable(one).bits[1], quint8(1));

        SymbolCounts all{};
        all.fill(7);
        all[256] = 0;
        verifyTable(all);
    }

    void huffmanInvalidTablesAreRefused()
    {
        HuffmanCodeTable full;
        full.bits[1] = 2; // uses the all-ones code "1"
        full.values = {0, 1};
        QVERIFY_THROWS_EXCEPTION(JpegError, makeCodes(full));

        HuffmanCodeTable duplicate;
        duplicate.bits[2] = 2;
        duplicate.values = {5, 5};
        QVERIFY_THROWS_EXCEPTION(JpegError, makeCodes(duplicate));

        HuffmanCodeTable short_;
        short_.bits[3] = 3;
        short_.values = {1, 2};
        QVERIFY_THROWS_EXCEPTION(JpegError, makeCodes(short_));

        SymbolCounts none{};
        QVERIFY_THROWS_EXCEPTION(JpegError, buildOptimalTable(none));
    }
};

QTEST_GUILESS_MAIN(TestJpegParts)
#include "tst_jpegparts.moc"
