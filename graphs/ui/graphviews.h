#pragma once

#include "graphs/core/graphdrawing.h"

namespace quillon {

class MetalChart;
class frmGraphs;
class SnrHistory;

// Empties the chart and draws the named graph type into it: its title and
// axes, and its data where there is some; nothing for an unknown name.
void DrawGraphInto(MetalChart &chart, const QString &graphName, const GraphSources &sources,
                   const GraphOptions &options);

// The Stats tab's chart: as above, then its tool tip names the graph and the copy.
void DrawGraph(MetalChart &mcBits, const QString &graphName, const GraphSources &sources,
               const GraphOptions &options);

// Adds a margin reading (an empty text adds none) and draws the history on chart.
void DrawSNR(SnrHistory &history, const QString &value, MetalChart &chart);

// Each chart of the graphs window that has a graph type.
void DrawUserGraphs(frmGraphs &window, const GraphSources &sources, const GraphOptions &options);

} // namespace quillon
