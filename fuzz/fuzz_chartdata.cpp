#include "fuzz/fuzzinput.h"
#include "graphs/core/chartdata.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ChartData chart = ChartData::parse(fuzz::text(data, size));
    fuzz::require(chart.rows.size() <= MaxChartRows && chart.series <= MaxChartSeries);
    fuzz::require(chart.min <= 0 && chart.max >= 0);
    chart.copyText(QStringLiteral("x"), QStringLiteral("y"));
    return 0;
}
