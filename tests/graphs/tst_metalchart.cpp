#include "base/dialogs.h"
#include "base/misc.h"
#include "graphs/core/chartdata.h"
#include "graphs/core/snrhistory.h"
#include "graphs/core/tonetables.h"
#include "graphs/ui/chartpresets.h"
#include "graphs/ui/graphviews.h"
#include "graphs/ui/metalchart.h"
#include "tests/support/testsupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QtTest>

using namespace quillon;

namespace {

quint32 pixel(const QImage &image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

} // namespace

class TestMetalChart : public QObject
{
    Q_OBJECT
private slots:
    void barEdgesCarryTheGradientEnds()
    {
        MetalChart chart;
        applyChartPreset(chart, ChartInstance::mcBits);
        chart.resize(300, 150);
        const quint32 colour = RGB(66, 122, 183);
        chart.CreateColumns(QStringLiteral("0,10,66x122x183\r\n1,0,66x122x183\r\n2,6,66x122x183"));
        const QImage image = chart.render();
        const ChartBar bar = chart.layout().bars.first();
        QVERIFY(bar.rect.width() > 3);
        const int y = bar.rect.center().y();
        QCOMPARE(pixel(image, bar.rect.left(), y), ShiftColorXP(colour, 150));
        QCOMPARE(pixel(image, bar.rect.right(), y), BlendColor(colour, 0, 180));
        const QImage onScreen = chart.grab().toImage(); // the widget's own paint
        QCOMPARE(pixel(onScreen, bar.rect.left(), y), ShiftColorXP(colour, 150));
        QCOMPARE(pixel(onScreen, bar.rect.right(), y), BlendColor(colour, 0, 180));
        // In between, each channel lies between the two ends.
        const quint32 mid = pixel(image, bar.rect.left() + bar.rect.width() / 2, y);
        QVERIFY(RedOf(mid) < RedOf(ShiftColorXP(colour, 150)) && RedOf(mid) > RedOf(BlendColor(colour, 0, 180)));
        // Above the shorter bar: background.
        const ChartBar second = chart.layout().bars.at(1);
        QCOMPARE(pixel(image, second.rect.center().x(), second.rect.top() - 3), RGB(0, 0, 0));
    }

    void markersAreDrawnWhereLaidOut()
    {
        MetalChart chart;
        applyChartPreset(chart, ChartInstance::mcBits);
        chart.resize(400, 200);
        chart.SetVerticalColumn(5.5f, 2, RGB(255, 0, 0));
        chart.SetVerticalColumn(2.0f, 4, RGB(0, 255, 0));
        QCOMPARE(chart.markers().size(), 2);
        QStringList rows;
        for (int i = 0; i < 10; ++i)
            rows.append(QString::number(i) + QStringLiteral(",1,0x0x200"));
        chart.CreateColumns(rows.join(QStringLiteral("\r\n")));
        const ChartLayout &l = chart.layout();
        QCOMPARE(l.markers.size(), 2);
        const QImage image = chart.render();
        const int y = (l.top + l.bottom) / 2;
        QCOMPARE(l.markers.at(0).left(), l.left + int(roundHalfEven(5.5 * l.columnWidth)) - 1);
        QCOMPARE(pixel(image, l.markers.at(0).left(), y), RGB(255, 0, 0));
        QCOMPARE(pixel(image, l.markers.at(0).right(), y), RGB(255, 0, 0));
        QCOMPARE(pixel(image, l.markers.at(1).left() + 1, y), RGB(0, 255, 0));
        chart.ResetVerticalColumns();
        chart.CreateColumns(rows.join(QStringLiteral("\r\n")));
        QVERIFY(chart.layout().markers.isEmpty());
    }

    void linesAndEmptyCharts()
    {
        MetalChart chart;
        applyChartPreset(chart, ChartInstance::mcBandwidth);
        chart.resize(200, 100);
        chart.CreateColumns(QStringLiteral("0,0,255x0x0\r\n1,8,255x0x0"));
        const QImage image = chart.render();
        const QList<QPoint> &line = chart.layout().lines.first();
        QCOMPARE(pixel(image, line.at(1).x(), line.at(1).y()), RGB(255, 0, 0));

        chart.CreateColumns(QString()); // leaves the chart as it is
        QVERIFY(chart.data().hasData());
        chart.ResetChart();
        QVERIFY(!chart.data().hasData());
        // An empty chart says so in its plot, in the text colour.
        const QImage blank = chart.render();
        const QRect plot = chart.layout().noData.rect;
        QVERIFY(plot.contains(QPoint(100, 50)));
        int lit = 0;
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            for (int x = plot.left(); x <= plot.right(); ++x)
                lit += RedOf(pixel(blank, x, y)) > 128 && GreenOf(pixel(blank, x, y)) > 128;
        }
        QVERIFY(lit > 10);
        QCOMPARE(pixel(blank, plot.left() + 2, plot.top() + 2), RGB(0, 0, 0));
        chart.CreateColumns(QStringLiteral("0,0,1x1x1\r\n1,0,1x1x1")); // all zero: nothing plotted
        QVERIFY(!chart.layout().plotted);
        QCOMPARE(pixel(chart.render(), 100, 50), RGB(0, 0, 0));
    }

    // Every graph type in both label modes: neighbouring x labels keep at
    // least a character apart and off the axis name, and there are some.
    void xLabelsNeverCrowd_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("xAsTone");
        for (const int columns : {32, 256, 512, 4096}) {
            for (const int width : {300, 450, 1600}) {
                for (const bool tone : {false, true})
                    QTest::addRow("%d columns, %d px, %s", columns, width, tone ? "tones" : "kHz") << columns << width << tone;
            }
        }
    }

    void xLabelsNeverCrowd()
    {
        QFETCH(int, columns);
        QFETCH(int, width);
        QFETCH(bool, xAsTone);
        ToneTables t;
        t.BitsLoaded = true;
        t.USBits.clear();
        t.DSBits.clear();
        for (int i = 0; i < columns; ++i)
            t.DSBits.append(ToneValue{i + 1, i % 15 + 1});
        for (SnrTable &bin : t.RxSnr) {
            bin.Values = t.DSBits;
            bin.Loaded = true;
        }
        for (int i = 0; i < columns; ++i) {
            t.SnrPsd.append(PsdPoint{1, float(i % 40 + 1)});
            t.QlnPsd.append(PsdPoint{1, -float(i % 40 + 1)});
        }
        t.SnrPsdLoaded = t.QlnPsdLoaded = true;
        SnrHistory snr;
        snr.addSample(QStringLiteral("6.5"));
        BandwidthHistoryInput bandwidth{QStringList(100, QStringLiteral("123456|7890")), true};
        const GraphSources sources{&t, &snr, &bandwidth};

        MetalChart chart;
        applyChartPreset(chart, ChartInstance::mcBits);
        chart.resize(width, 160);
        const int gap = 7; // a character of the 6.75 pt font
        for (const QString &name : GraphNames()) {
            DrawGraphInto(chart, name, sources, GraphOptions{xAsTone, 0, 0});
            const ChartLayout &l = chart.layout();
            QVERIFY2(l.plotted, qPrintable(name));
            QVERIFY2(l.xLabels.size() >= 2, qPrintable(name));
            for (qsizetype i = 0; i < l.xLabels.size(); ++i) {
                const QRect r = l.xLabels.at(i).rect;
                QVERIFY2(r.left() >= 0 && r.right() <= width - 2, qPrintable(name));
                QVERIFY2(!r.adjusted(-gap, 0, gap, 0).intersects(l.xAxis.rect), qPrintable(name));
                if (i > 0)
                    QVERIFY2(r.left() - l.xLabels.at(i - 1).rect.right() > gap,
                             qPrintable(name + QStringLiteral(": ") + l.xLabels.at(i - 1).text + QStringLiteral(" ")
                                        + l.xLabels.at(i).text));
            }
        }
    }

    void doubleClickCopiesTheData()
    {
        ScriptedDialogs dialogs;
        MetalChart chart;
        chart.resize(200, 100);
        chart.setXAxis(QStringLiteral("kHz"));
        chart.setYAxis(QStringLiteral("bit"));
        QTest::mouseDClick(&chart, Qt::LeftButton);
        QVERIFY(dialogs.shown.isEmpty()); // nothing without data

        chart.CreateColumns(QStringLiteral("0,4,0x0x0\r\n4.3125,5,0x0x0"));
        QTest::mouseDClick(&chart, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("X (kHz)\tY (bit)\r\n0\t4\r\n4.3125\t5"));
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Graph data copied to clipboard"));
        QCOMPARE(dialogs.shown.at(0).icon, Dialogs::Icon::Information);
    }

    void clicksAreReported()
    {
        MetalChart chart;
        chart.resize(100, 100);
        QSignalSpy right(&chart, &MetalChart::RightClick);
        QSignalSpy left(&chart, &MetalChart::Click);
        QTest::mouseClick(&chart, Qt::RightButton);
        QTest::mouseClick(&chart, Qt::LeftButton);
        QCOMPARE(right.size(), 1);
        QCOMPARE(left.size(), 1);
        QTest::mouseRelease(&chart, Qt::RightButton, {}, QPoint(150, 50)); // released outside
        QCOMPARE(right.size(), 1);
    }

    void drawGraphSetsTheToolTip()
    {
        MetalChart mcBits;
        applyChartPreset(mcBits, ChartInstance::mcBits);
        mcBits.resize(300, 120);
        SnrHistory snr;
        snr.addSample(QStringLiteral("6"));
        DrawGraph(mcBits, QStringLiteral("SNR margin history"), GraphSources{nullptr, &snr, nullptr}, GraphOptions{});
        QCOMPARE(mcBits.ChartTitle(), QStringLiteral("Downstream SNR Margin history"));
        QCOMPARE(mcBits.toolTip(), QStringLiteral("Downstream SNR Margin history : double-click to copy data to clipboard"));
        QCOMPARE(mcBits.data().rows(), 100);
        DrawGraph(mcBits, QStringLiteral("Bits Allocation per Carrier / Channel"), GraphSources{}, GraphOptions{});
        QVERIFY(!mcBits.data().hasData()); // nothing loaded: emptied, but named
        QCOMPARE(mcBits.toolTip(), QStringLiteral("Bit / Carrier Allocation : double-click to copy data to clipboard"));

        DrawSNR(snr, QStringLiteral("6.1"), mcBits); // a monitored reading
        QCOMPARE(snr.values().back(), 6.1f);
        QVERIFY(mcBits.copyText().endsWith(QStringLiteral("\r\n1\t6\r\n0\t6.1")));
        QCOMPARE(mcBits.YCell(), 1);
    }
};

QTEST_MAIN(TestMetalChart)
#include "tst_metalchart.moc"
