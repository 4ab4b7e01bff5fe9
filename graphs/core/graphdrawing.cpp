#include "graphs/core/graphdrawing.h"

#include "base/misc.h"
#include "graphs/core/snrhistory.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString ToneAxis = QStringLiteral("Tone");
const QString KHzAxis = QStringLiteral("kHz");

// The highest tone index that still gets the narrow label spacing.
constexpr int NarrowLastTone = 255;

QString shortest(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString row(double label, const QString &value, const QString &colour)
{
    return shortest(label) + QLatin1Char(',') + value + QLatin1Char(',') + colour;
}

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

std::optional<GraphDrawing> DrawBitTable(const ToneTables &tables, bool xAsTone, int limit, int dsStart)
{
    if (!tables.BitsLoaded)
        return std::nullopt;
    const int last = lastIndex(tables.DSBits.size() - 1, limit);
    const bool wide = last > NarrowLastTone;
    const int first = std::max(0, dsStart);

    qint32 largest = 0;
    for (const ToneValue &v : tables.USBits)
        largest = std::max(largest, v.Value);
    for (int i = 0; i <= last && i < tables.DSBits.size(); ++i)
        largest = std::max(largest, tables.DSBits.at(i).Value);

    GraphDrawing chart;
    chart.ChartTitle = QStringLiteral("Bit / Carrier Allocation");
    chart.YAxis = QStringLiteral("bit");
    double scale = 1;
    SetupGraphScales(chart, scale, xAsTone, wide);
    chart.LineGraph = false;
    chart.YCell = cellOf(largest, 7);

    static const QString usColour = ColourToText(RGB(242, 145, 64));
    static const QString dsColour = ColourToText(RGB(66, 122, 183));
    QStringList rows;
    rows.reserve(tables.USBits.size() + std::max(0, last - first + 1));
    int point = 0;
    for (const ToneValue &v : tables.USBits)
        rows.append(row(point++ * scale, QString::number(v.Value), usColour));
    for (int i = first; i <= last && i < tables.DSBits.size(); ++i)
        rows.append(row(point++ * scale, QString::number(tables.DSBits.at(i).Value), dsColour));
    chart.data = rows.join(CrLf);
    return chart;
}

std::optional<GraphDrawing> DrawSNRTable(const ToneTables &tables, int bin, bool xAsTone, int limit)
{
    if (bin < 0 || bin >= int(tables.RxSnr.size()) || !tables.RxSnr[size_t(bin)].Loaded)
        return std::nullopt;
    const ToneTable &values = tables.RxSnr[size_t(bin)].Values;
    const int last = lastIndex(values.size() - 1, limit);
    const bool wide = last > NarrowLastTone;

    qint32 largest = 0;
    qint32 smallest = 0;
    for (int i = 0; i <= last; ++i) {
        largest = std::max(largest, values.at(i).Value);
        smallest = std::min(smallest, values.at(i).Value);
    }

    GraphDrawing chart;
    chart.ChartTitle = QStringLiteral("Rx SNR per Bin for Bin") + QString::number(bin);
    chart.YAxis = QStringLiteral("dB");
    double scale = 1;
    SetupGraphScales(chart, scale, xAsTone, wide);
    chart.LineGraph = false;
    chart.YCell = cellOf(double(largest) - double(smallest), 10);

    static const QString lowColour = ColourToText(RGB(175, 0, 0));
    static const QString goodColour = ColourToText(RGB(0, 0, 215));
    QStringList rows;
    rows.reserve(std::max(0, last + 1));
    for (int i = 0; i <= last; ++i) {
        const qint32 v = values.at(i).Value;
        rows.append(row(i * scale, QString::number(v), v < 1 ? lowColour : goodColour));
    }
    chart.data = rows.join(CrLf);
    return chart;
}

std::optional<GraphDrawing> DrawPsdsTable(const ToneTables &tables, bool isSnr, bool xAsTone, bool trimZeros)
{
    if (!(isSnr ? tables.SnrPsdLoaded : tables.QlnPsdLoaded))
        return std::nullopt;
    const QList<PsdPoint> &points = isSnr ? tables.SnrPsd : tables.QlnPsd;
    const bool wide = points.size() - 1 > NarrowLastTone;
    float largest = 0;
    float smallest = 0;
    for (const PsdPoint &p : points) {
        largest = std::max(largest, p.Db);
        smallest = std::min(smallest, p.Db);
    }

    GraphDrawing chart;
    if (isSnr) {
        chart.ChartTitle = QStringLiteral("Actual SNR per Sub Carrier");
        chart.YAxis = QStringLiteral("dB");
    } else {
        chart.ChartTitle = QStringLiteral("Quiet Line Noise in dB\u00B5");
        chart.YAxis = QStringLiteral("dB\u00B5");
    }
    double scale = 1;
    SetupGraphScales(chart, scale, xAsTone, wide);
    chart.LineGraph = true;
    chart.YCell = cellOf(double(largest) - double(smallest), 5);

    int first = 0;
    int last = int(points.size()) - 1;
    if (trimZeros) {
        while (first <= last && points.at(first).Db == 0)
            ++first;
        while (last >= first && points.at(last).Db == 0)
            --last;
    }
    static const QString colour = ColourToText(RGB(0, 200, 200));
    QStringList rows;
    for (int i = first; i <= last; ++i)
        rows.append(row(i * scale, QString::number(double(points.at(i).Db), 'g', 7), colour));
    chart.data = rows.join(CrLf);
    return chart;
}

GraphDrawing DrawBandwidthHistory(const BandwidthHistoryInput &history)
{
    static const QStringList palette{
        QStringLiteral("255x0x0"),   QStringLiteral("255x162x0"),   QStringLiteral("255x255x0"),
        QStringLiteral("150x255x0"), QStringLiteral("0x255x0"),     QStringLiteral("0x255x255"),
        QStringLiteral("108x111x238"), QStringLiteral("255x0x255"), QStringLiteral("0x255x198"),
        QStringLiteral("255x0x139"),
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
    QStringList rows;
    rows.reserve(Points);
    for (int r = 0; r < Points; ++r) {
        const QString sample = r < history.samples.size() ? history.samples.at(r) : QString();
        QStringList segments;
        if (!sample.isEmpty()) {
            const QStringList parts = sample.split(QLatin1Char('|'));
            for (int k = 0; k < parts.size(); ++k) {
                const QString &part = parts.at(k);
                const bool coloured = part.contains(QLatin1Char(','));
                const QString value = coloured ? Field(part, QStringLiteral(","), 1) : part;
                const QString colour = coloured ? Field(part, QStringLiteral(","), 2)
                                                : palette.at(k % palette.size());
                const double v = Val(value);
                if (std::isfinite(v))
                    largest = std::max(largest, v);
                segments.append(QString::number(Points - 1 - r) + QLatin1Char(',') + value
                                + QLatin1Char(',') + colour);
            }
        }
        rows.append(segments.join(QLatin1Char('|')));
    }
    chart.YCell = cellOf(largest, 5);
    chart.data = rows.join(CrLf);
    return chart;
}

std::optional<GraphDrawing> DrawGraphByName(const QString &name, const GraphSources &sources,
                                            const GraphOptions &options)
{
    const int type = GraphTypeIndex(name);
    const ToneTables *tones = sources.tones;
    switch (type) {
    case int(GraphType::Bits):
        return tones ? DrawBitTable(*tones, options.xAsTone, options.limit, options.dsStart) : std::nullopt;
    case int(GraphType::RxSnrBin0):
    case int(GraphType::RxSnrBin1):
    case int(GraphType::RxSnrBin2):
        return tones ? DrawSNRTable(*tones, type - int(GraphType::RxSnrBin0), options.xAsTone, options.limit)
                     : std::nullopt;
    case int(GraphType::SnrPsd):
    case int(GraphType::QlnPsd):
        return tones ? DrawPsdsTable(*tones, type == int(GraphType::SnrPsd), options.xAsTone, true) : std::nullopt;
    case int(GraphType::SnrMarginHistory):
        if (sources.snr)
            return sources.snr->drawing();
        return std::nullopt;
    case int(GraphType::BandwidthHistory):
        if (sources.bandwidth)
            return DrawBandwidthHistory(*sources.bandwidth);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace quillon
