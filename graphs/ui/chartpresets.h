#pragma once

namespace quillon {

class MetalChart;

// The charts of the program's windows, each with its stored look.
enum class ChartInstance {
    mcBits,      // Stats tab
    mcGraphs,    // the three charts of the graphs window
    mcBandwidth, // Bandwidth tab
    mcSpeeds,    // Exchange tab
    mcSystray,   // tray window
};

void applyChartPreset(MetalChart &chart, ChartInstance instance);

} // namespace quillon
