#include "graphs/core/chartdata.h"
#include "graphs/core/chartlayout.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace quillon;

namespace {

ChartData data(const QStringList &rows)
{
    return ChartData::parse(rows.join(QStringLiteral("\r\n")));
}

QStringList texts(const QList<ChartText> &list)
{
    QStringList out;
    for (const ChartText &t : list)
        out.append(t.text);
    return out;
}

ChartSettings titled()
{
    ChartSettings s;
    s.ChartTitle = QStringLiteral("T");
    return s;
}

// Column labels from XCell, not from the values; no value labels.
ChartSettings unlinked(int xCell)
{
    ChartSettings s;
    s.DisplayValues = false;
    s.LinkToValues = false;
    s.XCell = xCell;
    return s;
}

ChartSettings untitledLeftLabels(int xCell)
{
    ChartSettings s = unlinked(xCell);
    s.ChartTitle.clear();
    s.CentreXLabels = false;
    return s;
}

} // namespace

class TestChartLayout : public QObject
{
    Q_OBJECT
private slots:
    void parsingSeriesAndRange()
    {
        const ChartData d = data({QStringLiteral("0,3,255x0x0|0,-2,0x0x255"), QStringLiteral("4.5,7,1x2x3"),
                                  QStringLiteral("9,bad,"), QString(), QStringLiteral("13.5,1,0x0x0|x|5,5,5x5x5")});
        QCOMPARE(d.rows(), 4); // the empty line is dropped
        QCOMPARE(d.series(), 2);
        QCOMPARE(d.point(1, 1).value, 7.0); // a row without "|" serves every series
        QCOMPARE(d.point(0, 0).colour, quint32(0x0000FF));
        QCOMPARE(d.point(0, 1).colour, quint32(0xFF0000));
        QCOMPARE(d.point(2, 0).value, 0.0);
        QCOMPARE(d.point(3, 1).value, 0.0); // extra segments are dropped
        QCOMPARE(d.min(), -2.0);
        QCOMPARE(d.max(), 7.0);
        QCOMPARE(d.range(), 9.0);
        QCOMPARE(d.firstLabel(), 0.0);
        QCOMPARE(d.labelStep(), 4.5);
        QCOMPARE(d.toText(), QStringLiteral("0,3,255x0x0|0,-2,0x0x255\r\n4.5,7,1x2x3|4.5,7,1x2x3\r\n"
                                            "9,0,0x0x0|9,0,0x0x0\r\n13.5,1,0x0x0|13.5,0,0x0x0"));
        QCOMPARE(data({QStringLiteral("8,1,0x0x0")}).labelStep(), -8.0); // one row: minus the first label
        QVERIFY(!ChartData::parse(QString()).hasData());
        QVERIFY(!ChartData::parse(QStringLiteral("\r\n\r\n")).hasData());
    }

    void colourProcedures()
    {
        QCOMPARE(ShiftColorXP(0x000000, 150), quint32(0x969696));
        QCOMPARE(ShiftColorXP(0xFFFFFF, 150), quint32(0xFFFFFF));
        QCOMPARE(ShiftColorXP(0x4091F2, 150), quint32(0xB0D1F9)); // 242->249, 145->209, 64->176
        QCOMPARE(BlendColor(0xFFFFFF, 0, 180), quint32(0xB4B4B4));
        QCOMPARE(BlendColor(0x4091F2, 0, 180), quint32(0x2D66AB)); // 170.8->171, 102.35->102, 45.2->45
        QCOMPARE(ColourFromText(QStringLiteral("242x145x64")), quint32(0x4091F2));
        QCOMPARE(ColourFromText(QStringLiteral("999x-4")), quint32(0x0000FF));
    }

    void positiveBars()
    {
        const ChartLayout l = ChartLayout::compute(400, 200, 10, titled(), data({QStringLiteral("0,10,0x0x0"), QStringLiteral("1,5,0x0x0")}), {});
        QVERIFY(l.plotted);
        QCOMPARE(l.zeroOffset, 0);
        QCOMPARE(l.bars.size(), 2);
        QCOMPARE(l.bars.at(0).rect, QRect(QPoint(22, 52), QPoint(209, 165)));
        QCOMPARE(l.bars.at(1).rect, QRect(QPoint(209, 109), QPoint(396, 165)));
        QCOMPARE(l.gridY, (QList<int>{166, 109, 52}));
        QCOMPARE(texts(l.yLabels), (QStringList{QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("10")}));
        QCOMPARE(l.yLabels.at(1).rect.right(), l.left - 4); // right-aligned 3 pixels left of the plot
        QCOMPARE(l.gridX, (QList<int>{22})); // XCell 10: only column 0 fits
        QCOMPARE(l.title.rect.top(), 2);
        QCOMPARE(l.valueLabels.size(), 2);
        QVERIFY(l.valueLabels.at(0).rect.bottom() < l.top);
    }

    void negativeValuesRaiseTheZeroLine()
    {
        ChartSettings s = titled();
        s.LinkToValues = false;
        s.XCell = 1;
        const ChartLayout l = ChartLayout::compute(400, 200, 10, s, data({QStringLiteral("0,10,0x0x0"), QStringLiteral("1,-5,0x0x0")}), {});
        QCOMPARE(l.bottom, 196); // no label band when min < 0
        QCOMPARE(l.top, 52);
        QCOMPARE(l.zeroOffset, -48); // 5 / 15 of 144
        QCOMPARE(l.zeroY(), 148);
        QCOMPARE(l.bars.at(1).rect, QRect(QPoint(209, 148), QPoint(396, 195)));
        QCOMPARE(l.bars.at(0).rect.top(), 148 - 96);
        QCOMPARE(texts(l.yLabels), (QStringList{QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("-5")}));
        QVERIFY(l.xLabels.at(0).rect.top() > l.zeroY()); // labels hang under the zero line
        QCOMPARE(l.xAxis.text, QString());
    }

    void allZeroPlotsNothingAndNoDataSaysSo()
    {
        const ChartLayout l = ChartLayout::compute(300, 100, 8, titled(), data({QStringLiteral("0,0,0x0x0"), QStringLiteral("1,0,0x0x0")}), {});
        QVERIFY(!l.plotted);
        QCOMPARE(l.pixelsPerUnit, 0.0);
        QVERIFY(l.bars.isEmpty());
        QVERIFY(l.gridX.isEmpty());
        QVERIFY(l.gridY.isEmpty());
        QVERIFY(l.xLabels.isEmpty());
        QVERIFY(l.noData.text.isEmpty());
        const ChartLayout empty = ChartLayout::compute(300, 100, 8, titled(), ChartData{}, {});
        QCOMPARE(empty.columnWidth, 1);
        QVERIFY(!empty.plotted);
        QCOMPARE(empty.noData.text, QStringLiteral("No data"));
        QCOMPARE(empty.noData.rect, QRect(QPoint(empty.left, empty.top), QPoint(empty.right - 1, empty.bottom - 1)));
        QCOMPARE(empty.title.text, QStringLiteral("T")); // an empty chart still names its graph
        QVERIFY(ChartLayout::compute(5, 5, 8, titled(), ChartData{}, {}).noData.text.isEmpty()); // no room
    }

    void oneRowGetsOneLabel()
    {
        const ChartLayout l = ChartLayout::compute(100, 100, 10, untitledLeftLabels(1), data({QStringLiteral("8,3,0x0x0")}), {});
        QCOMPARE(l.columnWidth, l.right - l.left);
        // The step reads an absent second row (0 - 8), but no label stands past the only column.
        QCOMPARE(l.xLabels.size(), 1);
        QCOMPARE(l.xLabels.at(0).text, QStringLiteral("8"));
        QCOMPARE(l.xTicks, (QList<int>{l.left}));
        QCOMPARE(l.gridX, (QList<int>{l.left, l.right}));
    }

    void toneExampleLabels()
    {
        QStringList rows;
        for (int i = 0; i < 256; ++i)
            rows.append(QString::number(i * 4.3125, 'g', 10) + QStringLiteral(",") + QString::number(i % 16) + QStringLiteral(",0x0x0"));
        const ChartLayout l = ChartLayout::compute(1600, 200, 6.75, untitledLeftLabels(8), data(rows), {});
        QCOMPARE(l.columnWidth, 6);
        QCOMPARE(l.xLabels.size(), 32); // columns 0, 8 ... 248: the last columns with data
        QCOMPARE(l.xLabels.at(1).text, QStringLiteral("34"));
        QCOMPARE(l.xTicks.at(1), l.left + 48);
        QCOMPARE(l.xLabels.at(1).rect.center().x(), l.left + 48 - 1);
        QVERIFY(l.gridX.size() > 32); // grid lines go on to the plot's right edge
        QCOMPARE(l.gridX.at(2), l.left + 96);

        // Narrower, only every n-th tick keeps its label, n the same all along.
        const ChartLayout narrow = ChartLayout::compute(600, 200, 6.75, untitledLeftLabels(8), data(rows), {});
        QCOMPARE(narrow.xTicks.size(), 32);
        QCOMPARE(narrow.xLabels.size(), 16);
        QCOMPARE(texts(narrow.xLabels).mid(0, 3), (QStringList{QStringLiteral("0"), QStringLiteral("69"), QStringLiteral("138")}));
        QCOMPARE(narrow.xLabels.last().text, QStringLiteral("1035"));
    }

    void moreColumnsThanPixelsStayInThePlot()
    {
        QStringList rows;
        for (int i = 0; i < 480; ++i)
            rows.append(QString::number(i + 32) + QStringLiteral(",") + QString::number(i % 15 + 1) + QStringLiteral(",0x0x0"));
        const ChartLayout l = ChartLayout::compute(400, 200, 10, unlinked(30), data(rows), {ChartMarker{479, 2, 0}});
        QCOMPARE(l.columnWidth, 1);
        QCOMPARE(l.bars.size(), 480);
        QCOMPARE(l.bars.first().rect.left(), l.left);
        QVERIFY(l.bars.last().rect.left() < l.right);
        QVERIFY(l.bars.last().rect.left() > l.right - 3);
        QCOMPARE(l.xTicks.size(), 16); // every 30th of the 480 columns
        QVERIFY(l.xTicks.last() < l.right);
        for (const ChartText &label : l.xLabels)
            QVERIFY(label.rect.left() >= 0 && label.rect.right() <= 400 - 2);
        QVERIFY(l.markers.first().left() < l.right);
    }

    void edgeLabelsStayWholeOrGo()
    {
        ChartSettings s = unlinked(2);
        const QStringList rows{QStringLiteral("1000000,1,0x0x0"), QStringLiteral("1000001,1,0x0x0"),
                               QStringLiteral("1000002,1,0x0x0")};
        ChartLayout l = ChartLayout::compute(200, 200, 10, s, data(rows), {});
        QCOMPARE(texts(l.xLabels), (QStringList{QStringLiteral("1000000"), QStringLiteral("1000002")}));
        QCOMPARE(l.xTicks.last(), l.left + 2 * l.columnWidth + l.columnWidth / 2);
        QCOMPARE(l.xLabels.last().rect.right(), 200 - 2); // moved in from past the edge
        QCOMPARE(l.xLabels.last().rect.width(), 70);
        // Moved in, it would cover its neighbour: the tick stays, the text goes.
        s.XCell = 1;
        l = ChartLayout::compute(200, 200, 10, s, data(rows), {});
        QCOMPARE(l.xTicks.size(), 3);
        QCOMPARE(l.xLabels.size(), 2);
    }

    void linkedLabelsUseTheColumnsOwnText()
    {
        ChartSettings s;
        s.Divisions = 5;
        QStringList rows;
        for (int i = 0; i <= 20; ++i)
            rows.append(QString::number(i) + QStringLiteral(",1,0x0x0"));
        ChartLayout l = ChartLayout::compute(500, 200, 6.75, s, data(rows), {});
        QCOMPARE(texts(l.xLabels), (QStringList{QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("10"),
                                               QStringLiteral("15"), QStringLiteral("20")}));
        QCOMPARE(l.xTicks.at(1), l.left + 5 * l.columnWidth + l.columnWidth / 2);
        s.DisplayLabels = false;
        l = ChartLayout::compute(500, 200, 6.75, s, data(rows), {});
        QVERIFY(l.xLabels.isEmpty());
    }

    void markersAndLines()
    {
        ChartSettings s;
        s.ChartTitle.clear();
        s.DisplayValues = false;
        s.YLabel = false;
        s.LineGraph = true;
        const QList<ChartMarker> markers{ChartMarker{}, ChartMarker{2.5f, 2, 0xFF}, ChartMarker{1.0f, 5, 0xFF00}};
        const ChartLayout l = ChartLayout::compute(86, 100, 10, s,
                                                   data({QStringLiteral("0,4,0x0x0|0,1,9x9x9"), QStringLiteral("1,2,0x0x0|1,3,9x9x9"),
                                                         QStringLiteral("2,0,0x0x0|2,2,9x9x9"), QStringLiteral("3,1,0x0x0|3,0,9x9x9")}),
                                                   markers);
        QCOMPARE(l.left, 2);
        QCOMPARE(l.columnWidth, 20);
        QCOMPARE(l.markers.size(), 2);
        QCOMPARE(l.markers.at(0), QRect(QPoint(2 + 50 - 1, l.top), QPoint(2 + 50, l.bottom)));
        QCOMPARE(l.markers.at(1).left(), 2 + 20 - 2);
        QCOMPARE(l.markers.at(1).width(), 5);
        QVERIFY(l.bars.isEmpty());
        QCOMPARE(l.lines.size(), 2);
        QCOMPARE(l.lines.at(0).size(), 4);
        QCOMPARE(l.lines.at(0).at(0), QPoint(12, l.top));
        QCOMPARE(l.lines.at(1).at(3), QPoint(72, l.bottom));
        QCOMPARE(l.lineColours.at(1).at(0), quint32(0x090909));
    }

    void tinySizesAndRandomTextNeverBreakTheLayout()
    {
        const ChartData huge = data({QStringLiteral("0,1e300,0x0x0"), QStringLiteral("1,-1e300,0x0x0")});
        for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(5, 400), QSize(3000, 3)}) {
            const ChartLayout l = ChartLayout::compute(size.width(), size.height(), 6.75, titled(), huge, {});
            QVERIFY(l.columnWidth >= 1);
            QVERIFY(l.gridY.size() < 10000);
        }

        QRandomGenerator random(20081028);
        const QString alphabet = QStringLiteral("0123456789-.,|x\r\neE&H ");
        for (int round = 0; round < 300; ++round) {
            QString text;
            const int length = int(random.bounded(600));
            for (int i = 0; i < length; ++i)
                text += alphabet.at(int(random.bounded(alphabet.size())));
            const ChartData d = ChartData::parse(text);
            ChartSettings s;
            s.LinkToValues = random.bounded(2) == 0;
            s.LineGraph = random.bounded(2) == 0;
            s.XCell = int(random.bounded(-2, 40));
            s.YCell = int(random.bounded(-2, 40));
            s.Divisions = int(random.bounded(-1, 10));
            const ChartLayout l = ChartLayout::compute(int(random.bounded(0, 900)), int(random.bounded(0, 500)), 6.75, s, d, {});
            QVERIFY(l.columnWidth >= 1);
            QVERIFY(l.gridX.size() <= 1000);
            QVERIFY(l.gridY.size() <= 1000);
            (void)d.copyText(QStringLiteral("x"), QStringLiteral("y"));
        }
    }

    void copyText()
    {
        const ChartData one = data({QStringLiteral("0,4,0x0x0"), QStringLiteral("4.3125,12.50,0x0x0")});
        QCOMPARE(one.copyText(QStringLiteral("kHz"), QStringLiteral("bit")),
                 QStringLiteral("X (kHz)\tY (bit)\r\n0\t4\r\n4.3125\t12.5"));
        const ChartData two = data({QStringLiteral("99,1500,255x0x0|99,20,1x1x1"), QStringLiteral("98,7,0x0x0|98,8,0x0x0")});
        QCOMPARE(two.copyText(QStringLiteral("last 100 ticks"), QStringLiteral("Bytes")),
                 QStringLiteral("X (last 100 ticks)\tY0 (Bytes)\tY1 (Bytes)\r\n99\t1500\t20\r\n98\t7\t8"));
        QCOMPARE(ChartData{}.copyText(QStringLiteral("a"), QStringLiteral("b")), QString());
    }
};

QTEST_GUILESS_MAIN(TestChartLayout)
#include "tst_chartlayout.moc"
