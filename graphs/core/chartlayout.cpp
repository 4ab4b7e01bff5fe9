#include "graphs/core/chartlayout.h"

#include "base/misc.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace quillon {

namespace {

constexpr int TickLength = 3;
// Grid lines closer than this would only fill the plot.
constexpr double MinGridStep = 2.0;

int px(double value)
{
    if (!std::isfinite(value))
        return 0;
    return int(roundHalfEven(std::clamp(value, -1.0e9, 1.0e9)));
}

int charCount(double value)
{
    const int n = int(QString::number(value, 'g', QLocale::FloatingPointShortest).size());
    return n == 1 ? 2 : n;
}

int textWidth(const QString &text, double unit)
{
    return px(double(text.size()) * unit);
}

QRect centredText(int x, int y, const QString &text, double unit)
{
    const int w = std::max(1, textWidth(text, unit));
    return QRect(x - w / 2, y, w, std::max(1, px(2 * unit)));
}

// Strides tried, in tick counts, when every tick's label would not fit.
constexpr int StrideSteps[] = {1, 2, 4, 5};

int nextStride(int stride)
{
    for (qint64 scale = 1; scale <= qint64(std::numeric_limits<int>::max()) / 10; scale *= 10) {
        for (const int step : StrideSteps) {
            if (step * scale > stride)
                return int(step * scale);
        }
    }
    return std::numeric_limits<int>::max();
}

// The x labels a chart may give: one per tick, its text made on demand since
// only the kept ones are ever shown.
struct LabelCandidates
{
    QList<int> ticks;
    std::function<QString(qsizetype)> text;
    double unit{0};
    int top{0};
    int width{0};
};

// A label centred on a tick near either end would be cut by the control's
// edge: it moves inside.
QRect placeLabel(const LabelCandidates &c, qsizetype i, const QString &text, bool &moved)
{
    QRect rect = centredText(c.ticks.at(i), c.top, text, c.unit);
    const QRect wanted = rect;
    if (rect.right() > c.width - 2)
        rect.moveRight(c.width - 2);
    if (rect.left() < 0)
        rect.moveLeft(0);
    moved = rect != wanted;
    return rect;
}

// Labels every stride-th tick, or nothing when two of them would come closer
// than the gap. A label moved in from an edge that would then crowd its
// neighbour is left out instead, as is one that would cover the axis name.
bool labelEvery(const LabelCandidates &c, qsizetype stride, int gap, const QRect &axisName, QList<ChartText> &out)
{
    out.clear();
    for (qsizetype i = 0; i < c.ticks.size(); i += stride) {
        const QString text = c.text(i);
        bool moved = false;
        const QRect rect = placeLabel(c, i, text, moved);
        if (!axisName.isNull() && rect.adjusted(-gap, 0, gap, 0).intersects(axisName))
            continue;
        if (!out.isEmpty() && rect.left() <= out.last().rect.right() + gap) {
            if (moved)
                continue;
            return false;
        }
        out.append({rect, text});
    }
    return true;
}

void chooseXLabels(ChartLayout &l, const LabelCandidates &c, int minStride, const QRect &axisName)
{
    if (c.ticks.isEmpty())
        return;
    const int gap = std::max(1, px(c.unit));
    int stride = 1;
    while (stride < minStride)
        stride = nextStride(stride);
    for (; stride < c.ticks.size(); stride = nextStride(stride)) {
        if (labelEvery(c, stride, gap, axisName, l.xLabels))
            return;
    }
    labelEvery(c, c.ticks.size(), gap, axisName, l.xLabels);
}

void placeGrid(ChartLayout &l, int width, double unit, const ChartSettings &s, const ChartData &data,
               const QRect &axisName)
{
    const int xCell = std::max(1, s.XCell);
    const int centre = s.CentreXLabels ? l.columnWidth / 2 : 0;
    const int zeroY = l.zeroY();
    LabelCandidates labels;
    labels.unit = unit;
    labels.top = zeroY + TickLength + 1;
    labels.width = width;

    for (qint64 k = 0; l.columnX(k * xCell) <= l.right; ++k) {
        const int x = l.columnX(k * xCell);
        l.gridX.append(x);
        const qint64 column = k * xCell;
        const int tick = x + centre;
        // Past the last column a label would name a tone or tick that is not there.
        if (s.LinkToValues || tick > l.right || column >= data.rows())
            continue;
        labels.ticks.append(tick);
    }
    if (!s.LinkToValues) {
        const double first = data.firstLabel();
        const double step = data.labelStep();
        const qint64 cell = xCell;
        labels.text = [first, step, cell](qsizetype i) {
            return QString::number(roundHalfEven(first + step * double(i * cell)));
        };
        // Neighbours need at least half a character each and a character
        // between them: no need to try strides that bring them closer.
        const double apart = double(xCell) * l.columnPitch;
        const int minStride = apart > 0 ? int(std::min(1.0e6, std::ceil((2 * unit - 2) / apart))) : 1;
        chooseXLabels(l, labels, minStride, axisName);
        l.xTicks = labels.ticks;
    } else if (s.DisplayLabels && s.Divisions > 0) {
        QList<qsizetype> rows;
        for (qsizetype r = 0; r < data.rows(); ++r) {
            const double v = data.label(r);
            if (std::abs(v) > 1.0e15 || roundHalfEven(v) % s.Divisions != 0)
                continue;
            labels.ticks.append(l.columnX(r) + centre);
            rows.append(r);
        }
        labels.text = [&data, &rows](qsizetype i) { return ChartNumber(data.label(rows.at(i))); };
        chooseXLabels(l, labels, 1, axisName);
        l.xTicks = labels.ticks;
    }

    if (s.YCell <= 0)
        return;
    const double step = s.YCell * l.pixelsPerUnit;
    const int labelHeight = std::max(1, px(2 * unit));
    auto addY = [&](qint64 k) {
        const int y = zeroY - px(double(k) * step);
        l.gridY.append(y);
        if (s.YLabel) {
            const QString text = QString::number(k * s.YCell);
            l.yLabels.append({QRect(0, y - labelHeight / 2, std::max(1, l.left - TickLength), labelHeight), text});
        }
    };
    if (step < MinGridStep) {
        addY(0);
        return;
    }
    for (qint64 k = 0; zeroY - double(k) * step >= l.top - 0.5; ++k)
        addY(k);
    for (qint64 k = -1; zeroY - double(k) * step <= l.bottom + 0.5; --k)
        addY(k);
}

void placeColumns(ChartLayout &l, const ChartSettings &s, const ChartData &data)
{
    const int zeroY = l.zeroY();
    const int series = data.series();
    if (s.LineGraph) {
        l.lines.resize(series);
        l.lineColours.resize(series);
        for (int k = 0; k < series; ++k) {
            l.lines[k].reserve(data.rows());
            l.lineColours[k].reserve(data.rows());
        }
        for (qsizetype r = 0; r < data.rows(); ++r) {
            const int x = l.columnX(r) + l.columnWidth / 2;
            for (int k = 0; k < series; ++k) {
                const ChartPoint &p = data.point(r, k);
                l.lines[k].append(QPoint(x, zeroY - px(p.value * l.pixelsPerUnit)));
                l.lineColours[k].append(p.colour);
            }
        }
        return;
    }
    l.bars.reserve(data.rows() * series);
    for (qsizetype r = 0; r < data.rows(); ++r) {
        const int x = l.columnX(r);
        for (int k = 0; k < series; ++k) {
            const ChartPoint &p = data.point(r, k);
            const int h = px(p.value * l.pixelsPerUnit);
            if (h == 0)
                continue;
            const int top = h > 0 ? zeroY - h : zeroY;
            const int bottom = h > 0 ? zeroY : zeroY - h;
            l.bars.append({QRect(QPoint(x, top), QPoint(x + l.columnWidth, bottom - 1)), p.colour});
        }
    }
}

} // namespace

const QString ChartLayout::NoDataText = QStringLiteral("No data");

ChartLayout ChartLayout::compute(int width, int height, double unit, const ChartSettings &s,
                                 const ChartData &data, const QList<ChartMarker> &markers)
{
    ChartLayout l;
    if (!std::isfinite(unit) || unit < 0)
        unit = 0;
    l.left = 0;
    l.top = s.ChartTitle.isEmpty() ? 0 : px(2 * unit);
    l.right = width;
    l.bottom = height;

    l.left += 2;
    l.right -= 4;
    l.top += 2;
    l.bottom -= 4;
    if (s.YLabel)
        l.left += px(unit * std::max(charCount(std::abs(data.min())), charCount(data.max())));
    if (s.DisplayLabels && data.min() == 0)
        l.bottom -= px(3 * unit);
    if (s.DisplayValues && data.max() >= 0)
        l.top += px(3 * unit);

    const int plotWidth = l.right - l.left;
    const int plotHeight = l.bottom - l.top;
    const qsizetype rows = data.rows();
    l.columnWidth = rows > 0 ? int(plotWidth / rows) : 1;
    l.columnPitch = l.columnWidth;
    if (l.columnWidth <= 0) {
        l.columnWidth = 1;
        if (rows > 0 && plotWidth > 0)
            l.columnPitch = double(plotWidth) / double(rows);
        else
            l.columnPitch = 1;
    }

    const int textBand = std::max(1, px(2 * unit));
    l.title = {QRect(0, 2, std::max(1, width), std::max(1, px(2 * unit) - 2)), s.ChartTitle};
    if (!data.hasData()) {
        if (plotWidth > 0 && plotHeight > 0)
            l.noData = {QRect(l.left, l.top, plotWidth, plotHeight), NoDataText};
        return l;
    }
    if (!s.YAxis.isEmpty())
        l.yAxis = {QRect(4, l.top - textBand, std::max(1, width - 8), textBand), s.YAxis};
    const double range = data.range();
    if (range <= 0 || plotWidth <= 0 || plotHeight <= 0)
        return l;

    l.zeroOffset = px(data.min() / range * plotHeight);
    l.pixelsPerUnit = plotHeight / range;
    l.plotted = true;

    if (!s.XAxis.isEmpty()) {
        const int w = std::max(1, textWidth(s.XAxis, unit) + px(unit));
        const int y = l.zeroOffset < 0 ? l.zeroY() + TickLength : l.bottom + TickLength + px(1.5 * unit);
        l.xAxis = {QRect(width - 2 - w, y, w, textBand), s.XAxis};
    }
    placeGrid(l, width, unit, s, data, l.xAxis.rect);
    placeColumns(l, s, data);

    for (const ChartMarker &m : markers) {
        if (m.width <= 0)
            continue;
        const int x = l.left + px(double(m.position) * l.columnPitch) - m.width / 2;
        l.markers.append(QRect(QPoint(x, l.top + l.zeroOffset), QPoint(x + m.width - 1, l.bottom + l.zeroOffset)));
        l.markerColours.append(m.colour);
    }

    if (s.DisplayValues) {
        const int band = std::max(1, px(3 * unit));
        for (qsizetype r = 0; r < rows; ++r) {
            const QString text = ChartNumber(data.point(r, 0).value);
            const int x = l.columnX(r) + l.columnWidth / 2;
            const int w = std::max(1, textWidth(text, unit));
            l.valueLabels.append({QRect(x - w / 2, l.top - band, w, band), text});
        }
    }
    return l;
}

} // namespace quillon
