#pragma once

// The numbers a chart shows: one row per column of the chart, left to right,
// each row one point per series, and the x label of the row. The chart data
// text ("|"-separated segments "label,value,colour", rows joined by CR LF)
// is read into it and written from it on demand.

#include <QList>
#include <QString>

namespace quillon {

struct ChartPoint
{
    double value{0};
    quint32 colour{0};
};

class ChartData final
{
public:
    // The first row added sets the number of series. A later row with one
    // point serves every series; a shorter one gets zero points for the rest,
    // a longer one loses its extra points. Values that are not finite read as 0.
    void addRow(double label, const ChartPoint *points, qsizetype count);
    void addRow(double label, ChartPoint point) { addRow(label, &point, 1); }
    void reserve(qsizetype rows, int series);

    bool hasData() const { return !m_labels.isEmpty(); }
    qsizetype rows() const { return m_labels.size(); }
    int series() const { return m_series; }
    double label(qsizetype row) const { return m_labels.at(row); }
    const ChartPoint &point(qsizetype row, int series) const { return m_points.at(row * m_series + series); }

    // Over all points, starting from 0: min <= 0 <= max.
    double min() const { return m_min; }
    double max() const { return m_max; }
    double range() const;
    double firstLabel() const { return hasData() ? m_labels.first() : 0.0; }
    // The second row's label less the first; with one row, minus the first.
    double labelStep() const;

    // An empty text gives no data; empty lines are skipped.
    static ChartData parse(const QString &text);
    QString toText() const;
    // Tab-separated table with a header, as copied to the clipboard.
    QString copyText(const QString &xAxis, const QString &yAxis) const;

private:
    int m_series{0};
    QList<double> m_labels;
    QList<ChartPoint> m_points; // row-major, rows() * series()
    double m_min{0};
    double m_max{0};
};

// Hard limits against a hostile text: a chart never has more columns or series.
inline constexpr int MaxChartRows = 65536;
inline constexpr int MaxChartSeries = 64;

// A label or value as the chart writes it: the shortest text that reads back
// as the same number.
QString ChartNumber(double value);

// "242x145x64" -> colour (red in the low byte); missing parts read as 0.
quint32 ColourFromText(QStringView text);

// Per channel c1 * a / 255 + c2 * (255 - a) / 255, halves to even.
quint32 BlendColor(quint32 c1, quint32 c2, int a);
// Lightens toward white: c * (255 - base) / 255 (whole division) + base, capped at 255.
quint32 ShiftColorXP(quint32 colour, int base);

} // namespace quillon
