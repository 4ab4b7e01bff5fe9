#include "graphs/core/graphdrawing.h"

#include "base/misc.h"
#include "graphs/core/snrhistory.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quillon {

namespace {

const QString ToneAxis = QStringLiteral("Tone");
const QString KHzAxis = QStringLiteral("kHz");

// The highest tone index that still gets the narrow label spacing.
constexpr int NarrowLastTone = 255;

int cellOf(double spread, double divisor)
{
    const double cell = std::abs(spread) / divisor;
    if (!std::isfinite(cell))
        return 1;
    const qint64 whole = roundHalfEven(std::min(cell, double(std::numeric_limits<int>::max())));
    return whole == 0 ? 1 : int(whole);
}

int lastIndex(qsizetype upperBound, int limit)
{
    const int ub = int(upperBound);
    return limit != 0 ? std::min(limit, ub) : ub;
}

} // namespace

const QStringList &GraphNames()
{
    static const QStringList names{
        QStringLiteral("Bits Allocation per Carrier / Channel"),
        QStringLiteral("Rx SNR for Bin 0 - Actual trained SNR"),
        QStringLiteral("Rx SNR for Bin 1 - Actual trained SNR"),
        QStringLiteral("Rx SNR for Bin 2 - Actual trained SNR"),
        QStringLiteral("SNR downstream power spectrum"),
        QStringLiteral("QLN downstream power spectrum"),
        QStringLiteral("SNR margin history"),
        QStringLiteral("Bandwidth history"),
    };
    return names;
}

int GraphTypeIndex(const QString &name)
{
    return int(GraphNames().indexOf(name));
}

void SetupGraphScales(GraphDrawing &chart, double &scale, bool xAsTone, bool wide)
{
    if (xAsTone) {
        scale = 1.0;
        chart.XAxis = ToneAxis;
        chart.XCell = wide ? 32 : 8;
    } else {
        scale = double(ToneSpacingKHz);
        chart.XAxis = KHzAxis;
        chart.XCell = wide ? 30 : 15;
    }
}

GraphDrawing DrawBitTable(const ToneTables &tables, bool xAsTone, int limit, int dsStart)
{
    const int last = lastIndex(tables.DSBits.size() - 1, limit);
    const int first = std::max(0, dsStart);

    GraphDrawing chart;
    chart.ChartTitle = QStringLiteral("Bit / Carrier Allocation");
    chart.YAxis = QStringLiteral("bit");
    double scale = 1;
    SetupGraphScales(chart, scale, xAsTone, last > NarrowLastTone);
    chart.LineGraph = false;
    chart.YCell = 1;
    if (!tables.BitsLoaded)
        return chart;

    qint32 largest = 0;
    for (const ToneValue &v : tables.USBits)
        largest = std::max(largest, v.Value);
    for (int i = 0; i <= last && i < tables.DSBits.size(); ++i)
        largest = std::max(largest, tables.DSBits.at(i).Value);
    chart.YCell = cellOf(largest, 7);

    constexpr quint32 usColour = RGB(242, 145, 64);
    constexpr quint32 dsColour = RGB(66, 122, 183);
    const qsizetype dsCount = std::max<qsizetype>(0, std::min<qsizetype>(last + 1, tables.DSBits.size()) - first);
    chart.data.reserve(tables.USBits.size() + dsCount, 1);
    int point = 0;
    for (const ToneValue &v : tables.USBits)
        chart.data.addRow(point++ * scale, {double(v.Value), usColour});
    for (int i = first; i <= last && i < tables.DSBits.size(); ++i)
        chart.data.addRow(point++ * scale, {double(tables.DSBits.at(i).Value), dsColour});
    return chart;
}

GraphDrawing DrawSNRTable(const ToneTables &tables, int bin, bool xAsTone, int limit)
{
    const bool known = bin >= 0 && bin < int(tables.RxSnr.size());
    const ToneTable empty{ToneValue{}};
    const ToneTable &values = known ? tables.RxSnr[size_t(bin)].Values : empty;
    const int last = lastIndex(values.size() - 1, limit);

    GraphDrawing chart;
    chart.ChartTitle = QStringLiteral("Rx SNR per Bin for Bin") + QString::number(bin);
    chart.YAxis = QStringLiteral("dB");
    double scale = 1;
    SetupGraphScales(chart, scale, xAsTone, last > NarrowLastTone);
    chart.LineGraph = false;
    chart.YCell = 1;
    if (!known || !tables.RxSnr[size_t(bin)].Loaded)
        return chart;

    qint32 largest = 0;
    qint32 smallest = 0;
    for (int i = 0; i <= last; ++i) {
        largest = std::max(largest, values.at(i).Value);
        smallest = std::min(smallest, values.at(i).Value);
    }
    chart.YCell = cellOf(double(largest) - double(smallest), 10);

    constexpr quint32 lowColour = RGB(175, 0, 0);
    constexpr quint32 goodColour = RGB(0, 0, 215);
    chart.data.reserve(last + 1, 1);
    for (int i = 0; i <= last; ++i) {
        const qint32 v = values.at(i).Value;
        chart.data.addRow(i * scale, {double(v), v < 1 ? lowColour : goodColour});
    }
    return chart;
}

GraphDrawing DrawPsdsTable(const ToneTables &tables, bool isSnr, bool xAsTone, bool trimZeros)
{
    const QList<PsdPoint> &points = isSnr ? tables.SnrPsd : tables.QlnPsd;
    GraphDrawing chart;
    if (isSnr) {
        chart.ChartTitle = QStringLiteral("Actual SNR per Sub Carrier");
        chart.YAxis = QStringLiteral("dB");
    } else {
        chart.ChartTitle = QStringLiteral("Quiet Line Noise in dB\u00B5");
        chart.YAxis = QStringLiteral("dB\u00B5");
    }
    double scale = 1;
    SetupGraphScales(chart, scale, xAsTone, points.size() - 1 > NarrowLastTone);
    chart.LineGraph = true;
    chart.YCell = 1;
    if (!(isSnr ? tables.SnrPsdLoaded : tables.QlnPsdLoaded))
        return chart;

    float largest = 0;
    float smallest = 0;
    for (const PsdPoint &p : points) {
        largest = std::max(largest, p.Db);
        smallest = std::min(smallest, p.Db);
    }
    chart.YCell = cellOf(double(largest) - double(smallest), 5);

    int first = 0;
    int last = int(points.size()) - 1;
    if (trimZeros) {
        while (first <= last && points.at(first).Db == 0)
            ++first;
        while (last >= first && points.at(last).Db == 0)
            --last;
    }
    constexpr quint32 colour = RGB(0, 200, 200);
    chart.data.reserve(std::max(0, last - first + 1), 1);
    for (int i = first; i <= last; ++i)
        chart.data.addRow(i * scale, {double(points.at(i).Db), colour});
    return chart;
}

GraphDrawing DrawBandwidthHistory(const BandwidthHistoryInput &history)
{
    static const std::array<quint32, 10> palette{
        RGB(255, 0, 0),   RGB(255, 162, 0), RGB(255, 255, 0), RGB(150, 255, 0), RGB(0, 255, 0),
        RGB(0, 255, 255), RGB(108, 111, 238), RGB(255, 0, 255), RGB(0, 255, 198), RGB(255, 0, 139),
    };
    constexpr int Points = 100;

    GraphDrawing chart;
    if (history.titled) {
        chart.ChartTitle = QStringLiteral("Bandwidth History");
        chart.XAxis = QStringLiteral("last 100 ticks");
        chart.YAxis = QStringLiteral("Bytes");
    }
    chart.Divisions = 5;
    chart.XCell = 5;
    chart.LineGraph = true;

    double largest = 0;
    QList<ChartPoint> points;
    for (int r = 0; r < Points && r < history.samples.size(); ++r) {
        const QString &sample = history.samples.at(r);
        // A tick without a reading has no row.
        if (sample.isEmpty())
            continue;
        points.clear();
        qsizetype k = 0;
        for (const QStringView part : QStringView(sample).tokenize(QLatin1Char('|'))) {
            const qsizetype comma = part.indexOf(QLatin1Char(','));
            const QStringView value = comma < 0 ? part : part.first(comma);
            ChartPoint p;
            p.value = Val(value.toString());
            if (comma < 0) {
                p.colour = palette.at(size_t(k % qsizetype(palette.size())));
            } else {
                const QStringView rest = part.sliced(comma + 1);
                const qsizetype end = rest.indexOf(QLatin1Char(','));
                p.colour = ColourFromText(end < 0 ? rest : rest.first(end));
            }
            largest = std::max(largest, p.value);
            points.append(p);
            ++k;
        }
        chart.data.addRow(Points - 1 - r, points.constData(), points.size());
    }
    chart.YCell = cellOf(largest, 5);
    return chart;
}

std::optional<GraphDrawing> DrawGraphByName(const QString &name, const GraphSources &sources,
                                            const GraphOptions &options)
{
    const int type = GraphTypeIndex(name);
    const ToneTables none;
    const ToneTables &tones = sources.tones ? *sources.tones : none;
    switch (type) {
    case int(GraphType::Bits):
        return DrawBitTable(tones, options.xAsTone, options.limit, options.dsStart);
    case int(GraphType::RxSnrBin0):
    case int(GraphType::RxSnrBin1):
    case int(GraphType::RxSnrBin2):
        return DrawSNRTable(tones, type - int(GraphType::RxSnrBin0), options.xAsTone, options.limit);
    case int(GraphType::SnrPsd):
    case int(GraphType::QlnPsd):
        return DrawPsdsTable(tones, type == int(GraphType::SnrPsd), options.xAsTone, true);
    case int(GraphType::SnrMarginHistory):
        return sources.snr ? sources.snr->drawing() : SnrHistory().drawing();
    case int(GraphType::BandwidthHistory):
        return DrawBandwidthHistory(sources.bandwidth ? *sources.bandwidth : BandwidthHistoryInput{});
    default:
        return std::nullopt;
    }
}

} // namespace quillon
