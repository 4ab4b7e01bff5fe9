#pragma once

// Draws a computed chart layout; used by the chart widget and anywhere a chart
// must be drawn into an image.

#include "graphs/core/chartlayout.h"

#include <QColor>
#include <QFont>

class QPainter;

namespace quillon {

// A stored colour: red in the low byte; with the top bit set, an index into the
// system colour table.
QColor chartColour(quint32 stored);

// Fills the whole of size; the layout must have been computed for that size.
void paintChart(QPainter &painter, const QSize &size, const QFont &font, const ChartSettings &settings,
                const ChartLayout &layout);

// The chart's font point size, the unit of its margins.
double chartUnit(const QFont &font);

} // namespace quillon
