#pragma once

// Chart descriptions of the graph types: the properties a chart takes and the
// numbers it is given, built from the tone tables and histories.

#include "graphs/core/chartdata.h"
#include "graphs/core/tonetables.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillon {

class SnrHistory;

// What a renderer sets on a chart before passing it the data.
struct GraphDrawing
{
    QString ChartTitle;
    QString XAxis;
    QString YAxis;
    int XCell{10};
    int YCell{5};
    bool LineGraph{false};
    std::optional<int> Divisions;
    ChartData data;
};

enum class GraphType {
    Bits = 0,
    RxSnrBin0,
    RxSnrBin1,
    RxSnrBin2,
    SnrPsd,
    QlnPsd,
    SnrMarginHistory,
    BandwidthHistory,
};

// The eight names in drop-down order (index = GraphType).
const QStringList &GraphNames();
// -1 for a name not in the list.
int GraphTypeIndex(const QString &name);

struct GraphOptions
{
    bool xAsTone{false};
    int limit{0};   // highest tone index drawn, 0 = all
    int dsStart{0}; // first downstream tone drawn
};

// The bandwidth history as kept by the bandwidth monitor: 100 samples, index 0
// oldest; a sample is "|"-joined segments "bytes[,colour]".
struct BandwidthHistoryInput
{
    QStringList samples;
    // A dark chart gets the titled set-up; the tray's white chart the bare one.
    bool titled{true};
};

struct GraphSources
{
    const ToneTables *tones{nullptr};
    const SnrHistory *snr{nullptr};
    const BandwidthHistoryInput *bandwidth{nullptr};
};

// scale is 1 (tones) or the tone spacing (kHz).
void SetupGraphScales(GraphDrawing &chart, double &scale, bool xAsTone, bool wide);

// A table never loaded gives the chart its title and axes without data.
GraphDrawing DrawBitTable(const ToneTables &tables, bool xAsTone, int limit, int dsStart);
GraphDrawing DrawSNRTable(const ToneTables &tables, int bin, bool xAsTone, int limit);
GraphDrawing DrawPsdsTable(const ToneTables &tables, bool isSnr, bool xAsTone, bool trimZeros);
GraphDrawing DrawBandwidthHistory(const BandwidthHistoryInput &history);

// One graph type by its name, as the Stats tab and the graphs window draw it;
// a source that is missing or not loaded gives the type without data. A name
// not in the list draws nothing.
std::optional<GraphDrawing> DrawGraphByName(const QString &name, const GraphSources &sources,
                                            const GraphOptions &options);

} // namespace quillon
