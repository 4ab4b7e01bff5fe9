#include "graphs/ui/graphviews.h"

#include "graphs/core/snrhistory.h"
#include "graphs/ui/frmgraphs.h"
#include "graphs/ui/metalchart.h"

namespace quillon {

void DrawGraphInto(MetalChart &chart, const QString &graphName, const GraphSources &sources,
                   const GraphOptions &options)
{
    chart.ResetChart();
    if (std::optional<GraphDrawing> drawing = DrawGraphByName(graphName, sources, options))
        applyGraph(chart, std::move(*drawing));
}

void DrawGraph(MetalChart &mcBits, const QString &graphName, const GraphSources &sources,
               const GraphOptions &options)
{
    DrawGraphInto(mcBits, graphName, sources, options);
    mcBits.setToolTip(mcBits.ChartTitle() + QStringLiteral(" : double-click to copy data to clipboard"));
}

void DrawSNR(SnrHistory &history, const QString &value, MetalChart &chart)
{
    history.addSample(value);
    applyGraph(chart, history.drawing());
}

void DrawUserGraphs(frmGraphs &window, const GraphSources &sources, const GraphOptions &options)
{
    for (int i = 0; i < frmGraphs::ChartCount; ++i) {
        const QString name = window.graphType(i);
        if (!name.isEmpty())
            DrawGraphInto(*window.chart(i), name, sources, options);
    }
}

} // namespace quillon
