#include "graphs/core/graphdrawing.h"
#include "graphs/core/snrhistory.h"
#include "graphs/core/tonetables.h"
#include "tests/graphs/toneprofile.h"

#include <QtTest>

using namespace quillon;

namespace {

QStringList rows(const GraphDrawing &g)
{
    return g.data.toText().split(QStringLiteral("\r\n"));
}

} // namespace

class TestToneGraphs : public QObject
{
    Q_OBJECT
private slots:
    void bitChartOfAnAdsl1Line()
    {
        const ToneTables t = test::importProfile(QStringLiteral("adsl1"));
        const GraphDrawing g = DrawBitTable(t, false, 0, 32);
        QCOMPARE(g.XAxis, QStringLiteral("kHz"));
        QCOMPARE(g.YCell, 2); // max 13 bits / 7
        const QStringList r = rows(g);
        QCOMPARE(r.size(), 32 + 224);
        QCOMPARE(r.at(0), QStringLiteral("0,0,242x145x64"));
        QCOMPARE(r.at(6), QStringLiteral("25.875,7,242x145x64"));
        QVERIFY(r.at(31).endsWith(QStringLiteral(",242x145x64")));
        QVERIFY(r.at(32).startsWith(QStringLiteral("138,0,66x122x183"))); // labels are tone numbers
        QVERIFY(r.at(255).startsWith(QStringLiteral("1099.6875,")));

        const GraphDrawing tones = DrawBitTable(t, true, 0, 32);
        QCOMPARE(tones.XAxis, QStringLiteral("Tone"));
        QVERIFY(rows(tones).at(33).startsWith(QStringLiteral("33,")));
    }

    // Label spacing is judged by its outcome in the chart tests; here, the limit.
    void graphLimitCutsWideTables()
    {
        const ToneTables t = test::importProfile(QStringLiteral("adsl2p"));
        QCOMPARE(DrawBitTable(t, false, 0, 32).data.rows(), 32 + 480);
        QCOMPARE(DrawBitTable(t, true, 255, 32).data.rows(), 32 + 224);
        QCOMPARE(DrawSNRTable(t, 0, true, 255).data.rows(), 256);
    }

    void lowBitChartsGetACellOfOne()
    {
        ToneTables t;
        ImportTable(t, QStringLiteral("AR7 DSL Modem US Bit Allocation:\r\n00 03\r\nAR7 DSL Modem DS Bit Allocation:\r\n00 03 02"));
        const GraphDrawing g = DrawBitTable(t, true, 0, 0);
        QCOMPARE(g.YCell, 1); // 3 / 7 rounds to 0
        QCOMPARE(g.data.toText(), QStringLiteral("0,0,242x145x64\r\n1,3,242x145x64\r\n2,0,66x122x183\r\n3,3,66x122x183\r\n4,2,66x122x183"));
        const GraphDrawing none = DrawBitTable(ToneTables{}, true, 0, 0);
        QVERIFY(!none.data.hasData());
        QCOMPARE(none.ChartTitle, g.ChartTitle); // never loaded: named, without data
        // A start past the table's end draws the upstream block alone.
        QCOMPARE(DrawBitTable(t, true, 0, 9).data.rows(), 2);
    }

    void snrChartColoursLowTones()
    {
        ToneTables t;
        ImportSNRTable(t, QStringLiteral("0000 0352 0ff2 0055"), 2);
        const GraphDrawing g = DrawSNRTable(t, 2, false, 0);
        QCOMPARE(g.YCell, 5); // 48 / 10
        QCOMPARE(g.data.toText(), QStringLiteral("0,0,175x0x0\r\n4.3125,10,0x0x215\r\n8.625,48,0x0x215\r\n12.9375,1,0x0x215"));
        QVERIFY(!DrawSNRTable(t, 1, false, 0).data.hasData());
        QVERIFY(!DrawSNRTable(t, 3, false, 0).data.hasData());
    }

    void psdChartsTrimUnmeasuredEnds()
    {
        ToneTables t;
        ImportPsdsTable(t, QStringLiteral("255 255 100 0 101 255"), true);
        const GraphDrawing g = DrawPsdsTable(t, true, true, true);
        QCOMPARE(g.data.toText(), QStringLiteral("2,18,0x200x200\r\n3,0,0x200x200\r\n4,18.5,0x200x200"));
        QCOMPARE(DrawPsdsTable(t, true, true, false).data.rows(), 6);

        ImportPsdsTable(t, QStringLiteral("255 100 255"), false);
        const GraphDrawing q = DrawPsdsTable(t, false, false, true);
        QCOMPARE(q.data.toText(), QStringLiteral("4.3125,-13,0x200x200"));
        QCOMPARE(q.YCell, 3); // 13 / 5 = 2.6

        ImportPsdsTable(t, QStringLiteral("255 255"), false);
        QVERIFY(!DrawPsdsTable(t, false, false, true).data.hasData());
    }

    void snrHistoryShiftsAndDraws()
    {
        test::TempAppDir dir;
        SnrHistory h;
        h.addSample(QString());
        QCOMPARE(h.values().back(), 0.0f);
        h.addSample(QStringLiteral("6.1"));
        h.addSample(QStringLiteral("12"));
        QCOMPARE(h.values()[98], 6.1f);
        QCOMPARE(h.values()[99], 12.0f);
        const GraphDrawing g = h.drawing();
        QCOMPARE(g.YCell, 2); // 12 / 5 = 2.4
        const QStringList r = rows(g);
        QCOMPARE(r.size(), 100);
        QCOMPARE(r.first(), QStringLiteral("99,0,0x255x0"));
        QCOMPARE(r.at(98), QStringLiteral("1,6.1,0x255x0"));
        QCOMPARE(r.last(), QStringLiteral("0,12,0x255x0"));

        QVERIFY(h.SaveSNRToFile());
        const QByteArray file = dir.read(SnrHistory::FileName);
        QVERIFY(file.endsWith(",6.1,12\r\n"));
        QCOMPARE(file.count(','), 99);
        SnrHistory loaded;
        loaded.LoadSNRFromFile();
        QCOMPARE(loaded.values(), h.values());
    }

    void snrHistoryFilesThatAreMissingShortOrGarbage()
    {
        test::TempAppDir dir;
        SnrHistory h;
        h.LoadSNRFromFile();
        QCOMPARE(h.values()[0], 0.0f);
        dir.write(SnrHistory::FileName, "1,2,3\r\n");
        h.LoadSNRFromFile();
        QCOMPARE(h.values()[2], 3.0f);
        QCOMPARE(h.values()[3], 0.0f);
        dir.write(SnrHistory::FileName, QByteArray("x,1e999,,-4") + QByteArray(5000, ','));
        h.LoadSNRFromFile();
        QCOMPARE(h.values()[0], 0.0f);
        QCOMPARE(h.values()[3], -4.0f);
    }

    void bandwidthHistoryUsesThePaletteForBareSegments()
    {
        BandwidthHistoryInput in;
        in.samples = QStringList(100, QString());
        QVERIFY(!DrawBandwidthHistory(in).data.hasData()); // before any reading
        in.samples[97] = QStringLiteral("1500,255x0x0,junk|20|30");
        in.samples[99] = QStringLiteral("7");
        const GraphDrawing g = DrawBandwidthHistory(in);
        QCOMPARE(g.YCell, 300);
        // Ticks without a reading have no row; a lone value serves every series.
        QCOMPARE(g.data.toText(), QStringLiteral("2,1500,255x0x0|2,20,255x162x0|2,30,255x255x0\r\n"
                                                 "0,7,255x0x0|0,7,255x0x0|0,7,255x0x0"));
        in.titled = false;
        QCOMPARE(DrawBandwidthHistory(in).ChartTitle, QString());
    }

    void graphTypesByName()
    {
        const ToneTables t = test::importProfile(QStringLiteral("adsl1"));
        SnrHistory snr;
        const GraphSources sources{&t, &snr, nullptr};
        const GraphOptions options{false, 0, 32};
        QCOMPARE(GraphNames().size(), 8);
        QCOMPARE(DrawGraphByName(GraphNames().at(0), sources, options)->ChartTitle, QStringLiteral("Bit / Carrier Allocation"));
        QCOMPARE(DrawGraphByName(GraphNames().at(3), sources, options)->ChartTitle, QStringLiteral("Rx SNR per Bin for Bin2"));
        const auto spectrum = DrawGraphByName(GraphNames().at(4), sources, options); // ADSL1: no spectrum
        QCOMPARE(spectrum->ChartTitle, QStringLiteral("Actual SNR per Sub Carrier"));
        QVERIFY(!spectrum->data.hasData());
        const auto bandwidth = DrawGraphByName(GraphNames().at(7), sources, options); // no readings yet
        QCOMPARE(bandwidth->ChartTitle, QStringLiteral("Bandwidth History"));
        QVERIFY(!bandwidth->data.hasData());
        QVERIFY(!DrawGraphByName(QStringLiteral("Pie chart"), sources, options));
        const auto before = snr.values();
        QCOMPARE(DrawGraphByName(GraphNames().at(6), sources, options)->ChartTitle, QStringLiteral("Downstream SNR Margin history"));
        QCOMPARE(snr.values(), before); // choosing the history adds no sample
    }
};

QTEST_GUILESS_MAIN(TestToneGraphs)
#include "tst_tonegraphs.moc"
