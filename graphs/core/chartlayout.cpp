#include "graphs/core/chartlayout.h"

#include "base/misc.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
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

// A label centred on a tick near either end would be cut by the control's
// edge: it moves inside, or is left out when it would then cover its neighbour.
void addXLabel(ChartLayout &l, int width, int tick, int top, const QString &text, double unit)
{
    QRect rect = centredText(tick, top, text, unit);
    l.xTicks.append(tick);
    const QRect wanted = rect;
    if (rect.right() > width - 2)
        rect.moveRight(width - 2);
    if (rect.left() < 0)
        rect.moveLeft(0);
    if (rect != wanted && !l.xLabels.isEmpty() && rect.intersects(l.xLabels.last().rect))
        return;
    l.xLabels.append({rect, text});
}

void placeGrid(ChartLayout &l, int width, double unit, const ChartSettings &s, const ChartData &data)
{
    const int xCell = std::max(1, s.XCell);
    const int centre = s.CentreXLabels ? l.columnWidth / 2 : 0;
    const int zeroY = l.zeroY();
    const int labelTop = zeroY + TickLength + 1;

    for (qint64 k = 0; l.columnX(k * xCell) <= l.right; ++k) {
        const int x = l.columnX(k * xCell);
        l.gridX.append(x);
        if (s.LinkToValues)
            continue;
        const qint64 column = k * xCell;
        const int tick = x + centre;
        // Past the last column a label would name a tone or tick that is not there.
        if (tick > l.right || column >= data.rows.size())
            continue;
        const QString text = QString::number(roundHalfEven(data.firstLabel + data.labelStep * double(column)));
        addXLabel(l, width, tick, labelTop, text, unit);
    }
    if (s.LinkToValues && s.DisplayLabels && s.Divisions > 0) {
        for (int r = 0; r < data.rows.size(); ++r) {
            const QString &label = data.rows.at(r).first().label;
            const double v = Val(label);
            if (!std::isfinite(v) || std::abs(v) > 1.0e15 || roundHalfEven(v) % s.Divisions != 0)
                continue;
            const int tick = l.columnX(r) + centre;
            addXLabel(l, width, tick, labelTop, label, unit);
        }
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
    if (s.LineGraph) {
        l.lines.resize(data.series);
        l.lineColours.resize(data.series);
        for (int r = 0; r < data.rows.size(); ++r) {
            const int x = l.columnX(r) + l.columnWidth / 2;
            const QList<ChartSegment> &row = data.rows.at(r);
            for (int k = 0; k < data.series; ++k) {
                l.lines[k].append(QPoint(x, zeroY - px(row.at(k).value * l.pixelsPerUnit)));
                l.lineColours[k].append(row.at(k).colour);
            }
        }
        return;
    }
    l.bars.reserve(data.rows.size() * data.series);
    for (int r = 0; r < data.rows.size(); ++r) {
        const int x = l.columnX(r);
        for (const ChartSegment &segment : data.rows.at(r)) {
            const int h = px(segment.value * l.pixelsPerUnit);
            if (h == 0)
                continue;
            const int top = h > 0 ? zeroY - h : zeroY;
            const int bottom = h > 0 ? zeroY : zeroY - h;
            l.bars.append({QRect(QPoint(x, top), QPoint(x + l.columnWidth, bottom - 1)), segment.colour});
        }
    }
}

} // namespace

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
        l.left += px(unit * std::max(charCount(std::abs(data.min)), charCount(data.max)));
    if (s.DisplayLabels && data.min == 0)
        l.bottom -= px(3 * unit);
    if (s.DisplayValues && data.max >= 0)
        l.top += px(3 * unit);

    const int plotWidth = l.right - l.left;
    const int plotHeight = l.bottom - l.top;
    const qsizetype rows = data.rows.size();
    l.columnWidth = rows > 0 ? int(plotWidth / rows) : 1;
    l.columnPitch = l.columnWidth;
    if (l.columnWidth <= 0) {
        l.columnWidth = 1;
        if (rows > 0 && plotWidth > 0)
            l.columnPitch = double(plotWidth) / double(rows);
        else
            l.columnPitch = 1;
    }

    if (data.hasData()) {
        l.title = {QRect(0, 2, std::max(1, width), std::max(1, px(2 * unit) - 2)), s.ChartTitle};
        const int axisBand = std::max(1, px(2 * unit));
        if (!s.YAxis.isEmpty())
            l.yAxis = {QRect(4, l.top - axisBand, std::max(1, width - 8), axisBand), s.YAxis};
    }
    if (data.range <= 0 || plotWidth <= 0 || plotHeight <= 0)
        return l;

    l.zeroOffset = px(data.min / data.range * plotHeight);
    l.pixelsPerUnit = plotHeight / data.range;
    l.plotted = true;

    placeGrid(l, width, unit, s, data);
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
        for (int r = 0; r < rows; ++r) {
            const ChartSegment &first = data.rows.at(r).first();
            const int x = l.columnX(r) + l.columnWidth / 2;
            const int w = std::max(1, textWidth(first.valueText, unit));
            l.valueLabels.append({QRect(x - w / 2, l.top - band, w, band), first.valueText});
        }
    }

    if (!s.XAxis.isEmpty()) {
        const int w = std::max(1, textWidth(s.XAxis, unit) + px(unit));
        const int band = std::max(1, px(2 * unit));
        const int y = l.zeroOffset < 0 ? l.zeroY() + TickLength : l.bottom + TickLength + px(1.5 * unit);
        l.xAxis = {QRect(width - 2 - w, y, w, band), s.XAxis};
    }
    return l;
}

} // namespace quillon
