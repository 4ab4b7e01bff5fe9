#pragma once

// The chart data text a chart is given: rows (columns of the chart, left to
// right) of "|"-separated segments "label,value,colour".

#include <QList>
#include <QString>

namespace quillon {

struct ChartSegment
{
    QString label;
    QString valueText; // as written, for the clipboard
    double value{0};
    quint32 colour{0};
};

struct ChartData
{
    QList<QList<ChartSegment>> rows; // rows[r] has `series` segments
    int series{0};
    double min{0}; // over all segments, starting from 0: min <= 0 <= max
    double max{0};
    double range{0};
    double firstLabel{0};
    double labelStep{0};

    bool hasData() const { return !rows.isEmpty(); }

    // An empty text gives no data.
    static ChartData parse(const QString &text);
    // Tab-separated table with a header, as copied to the clipboard.
    QString copyText(const QString &xAxis, const QString &yAxis) const;
};

// Hard limits against a hostile text: a chart never has more columns or series.
inline constexpr int MaxChartRows = 65536;
inline constexpr int MaxChartSeries = 64;

// "242x145x64" -> colour (red in the low byte); missing parts read as 0.
quint32 ColourFromText(const QString &text);

// Per channel c1 * a / 255 + c2 * (255 - a) / 255, halves to even.
quint32 BlendColor(quint32 c1, quint32 c2, int a);
// Lightens toward white: c * (255 - base) / 255 (whole division) + base, capped at 255.
quint32 ShiftColorXP(quint32 colour, int base);

} // namespace quillon
