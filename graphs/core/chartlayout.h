#pragma once

// Where everything of a chart goes, computed from its size, its font's point
// size and its data, so that it can be checked without painting.

#include "graphs/core/chartdata.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

namespace quillon {

// The stored properties of a chart, apart from its font.
struct ChartSettings
{
    QString ChartTitle{QStringLiteral("Chart")};
    bool DisplayValues{true};
    bool DisplayLabels{true};
    int Divisions{5};
    quint32 TextColour{0};
    quint32 BackColour{0xFFFFFF};
    quint32 BorderColour{0xFFFFFF};
    bool YLabel{true};
    int XCell{10};
    int YCell{5};
    QString XAxis;
    bool LineGraph{false};
    bool CentreXLabels{true};
    bool DrawFuzz{false};
    QString YAxis;
    bool LinkToValues{true};
};

struct ChartMarker
{
    float position{0}; // column index, fractional allowed
    qint32 width{0};   // pixels; 0 = unused record
    quint32 colour{0};
};

struct ChartText
{
    QRect rect;
    QString text;
};

struct ChartBar
{
    QRect rect; // from x to x + width inclusive (width + 1 one-pixel lines)
    quint32 colour{0};
};

struct ChartLayout
{
    static const QString NoDataText;

    // Plot rectangle edges as the chart computes them (right and bottom inclusive edges).
    int left{0};
    int top{0};
    int right{0};
    int bottom{0};
    int columnWidth{1};
    // Distance between column starts: columnWidth, or less than a pixel when
    // there are more columns than pixels, so that every column stays in the plot.
    double columnPitch{1};
    int zeroOffset{0}; // zero or negative: the zero line lies at bottom + zeroOffset
    double pixelsPerUnit{0};
    bool plotted{false}; // data with a range above 0 and room to draw it

    QList<int> gridX;
    QList<int> gridY;
    QList<ChartText> yLabels;  // right-aligned in rect
    QList<int> xTicks;         // x of each 3-pixel tick below the zero line
    // Centred in rect; neighbours keep at least one character width apart, so
    // where the ticks stand too close only every n-th tick gets its label.
    QList<ChartText> xLabels;
    QList<ChartBar> bars;      // bar mode
    QList<QList<QPoint>> lines; // line mode: one polyline per series
    QList<QList<quint32>> lineColours; // colour of the segment ending at each point
    QList<QRect> markers;
    QList<quint32> markerColours;
    QList<ChartText> valueLabels;
    ChartText noData; // centred in the plot of a chart without data
    ChartText title;
    ChartText yAxis; // bottom-aligned, left
    ChartText xAxis; // right-aligned

    int zeroY() const { return bottom + zeroOffset; }
    int columnX(qint64 column) const { return left + int(double(column) * columnPitch); }

    // unit: the font's point size, used as pixels for the margins.
    static ChartLayout compute(int width, int height, double unit, const ChartSettings &settings,
                               const ChartData &data, const QList<ChartMarker> &markers);
};

} // namespace quillon
