#include "graphs/ui/chartpresets.h"

#include "base/misc.h"
#include "graphs/ui/metalchart.h"

#include <QFont>

namespace quillon {

namespace {

const QString ChartFontFamily = QStringLiteral("Arial Narrow");
constexpr double ChartFontPoints = 6.75;

QFont narrowFont()
{
    QFont font(ChartFontFamily);
    font.setPointSizeF(ChartFontPoints);
    return font;
}

void applyDarkLook(MetalChart &chart)
{
    chart.setChartTitle(QString());
    chart.setDisplayValues(false);
    chart.setChartFont(narrowFont());
    chart.setDivisions(30);
    chart.setTextColour(RGB(255, 255, 0));
    chart.setBackColour(RGB(0, 0, 0));
    chart.setBorderColour(RGB(128, 128, 128));
    chart.setXAxis(QStringLiteral("kHz"));
    chart.setCentreXLabels(false);
    chart.setDrawFuzz(true);
    chart.setLinkToValues(false);
}

} // namespace

void applyChartPreset(MetalChart &chart, ChartInstance instance)
{
    switch (instance) {
    case ChartInstance::mcBits:
    case ChartInstance::mcGraphs:
        applyDarkLook(chart);
        break;
    case ChartInstance::mcBandwidth:
        applyDarkLook(chart);
        chart.setLineGraph(true);
        break;
    case ChartInstance::mcSpeeds:
        chart.setChartTitle(QStringLiteral("Estimated Speed vs Distance"));
        chart.setDisplayValues(false);
        chart.setChartFont(narrowFont());
        chart.setDivisions(100);
        chart.setTextColour(RGB(255, 255, 0));
        chart.setBackColour(RGB(0, 0, 0));
        chart.setBorderColour(RGB(128, 128, 128));
        chart.setXCell(1);
        chart.setYCell(1000);
        chart.setXAxis(QStringLiteral("m"));
        chart.setLineGraph(true);
        chart.setCentreXLabels(false);
        break;
    case ChartInstance::mcSystray:
        chart.setChartTitle(QString());
        chart.setDisplayValues(false);
        chart.setDisplayLabels(false);
        chart.setChartFont(narrowFont());
        chart.setDivisions(30);
        chart.setTextColour(RGB(128, 128, 128));
        chart.setBorderColour(RGB(192, 192, 255));
        chart.setYLabel(false);
        chart.setXAxis(QStringLiteral("kHz"));
        chart.setLineGraph(true);
        chart.setCentreXLabels(false);
        chart.setDrawFuzz(true);
        chart.setLinkToValues(false);
        break;
    }
}

} // namespace quillon
