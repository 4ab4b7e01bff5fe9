#include "graphs/core/chartdata.h"

#include "base/misc.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QChar SeriesSeparator = QLatin1Char('|');
const QChar FieldSeparator = QLatin1Char(',');
const QChar ColourSeparator = QLatin1Char('x');

double finiteVal(const QString &text)
{
    const double v = Val(text);
    return std::isfinite(v) ? v : 0.0;
}

ChartSegment parseSegment(const QString &text)
{
    ChartSegment segment;
    const QStringList fields = text.split(FieldSeparator);
    segment.label = fields.value(0);
    segment.valueText = fields.value(1);
    segment.value = finiteVal(segment.valueText);
    segment.colour = ColourFromText(fields.value(2));
    return segment;
}

int channel(quint32 colour, int shift)
{
    return int((colour >> shift) & 0xFF);
}

} // namespace

quint32 ColourFromText(const QString &text)
{
    const QStringList parts = text.split(ColourSeparator);
    auto part = [&parts](int i) { return int(std::clamp(finiteVal(parts.value(i)), 0.0, 255.0)); };
    return RGB(part(0), part(1), part(2));
}

quint32 BlendColor(quint32 c1, quint32 c2, int a)
{
    auto mix = [&](int shift) {
        const double v = channel(c1, shift) * a / 255.0 + channel(c2, shift) * (255 - a) / 255.0;
        return int(std::clamp<qint64>(roundHalfEven(v), 0, 255));
    };
    return RGB(mix(0), mix(8), mix(16));
}

quint32 ShiftColorXP(quint32 colour, int base)
{
    auto lift = [&](int shift) { return std::min(255, channel(colour, shift) * (255 - base) / 255 + base); };
    return RGB(lift(0), lift(8), lift(16));
}

ChartData ChartData::parse(const QString &text)
{
    ChartData data;
    if (text.isEmpty())
        return data;
    QStringList lines = text.split(CrLf, Qt::SkipEmptyParts);
    if (lines.size() > MaxChartRows)
        lines.resize(MaxChartRows);
    if (lines.isEmpty())
        return data;
    data.series = int(std::min<qsizetype>(lines.first().count(SeriesSeparator) + 1, MaxChartSeries));
    data.rows.reserve(lines.size());
    for (const QString &line : std::as_const(lines)) {
        QList<ChartSegment> row;
        row.reserve(data.series);
        if (!line.contains(SeriesSeparator)) {
            const ChartSegment whole = parseSegment(line);
            row.fill(whole, data.series);
        } else {
            const QStringList parts = line.split(SeriesSeparator);
            for (int s = 0; s < data.series; ++s)
                row.append(parseSegment(parts.value(s)));
        }
        for (const ChartSegment &segment : std::as_const(row)) {
            data.min = std::min(data.min, segment.value);
            data.max = std::max(data.max, segment.value);
        }
        data.rows.append(std::move(row));
    }
    data.range = std::abs(data.max - data.min);
    if (!std::isfinite(data.range))
        data.range = 0;
    data.firstLabel = finiteVal(data.rows.first().first().label);
    const double second = data.rows.size() > 1 ? finiteVal(data.rows.at(1).first().label) : 0.0;
    data.labelStep = second - data.firstLabel;
    return data;
}

QString ChartData::copyText(const QString &xAxis, const QString &yAxis) const
{
    if (!hasData())
        return {};
    QString header = QStringLiteral("X (") + xAxis + QLatin1Char(')');
    if (series == 1) {
        header += QStringLiteral("\tY (") + yAxis + QLatin1Char(')');
    } else {
        for (int k = 0; k < series; ++k)
            header += QStringLiteral("\tY") + QString::number(k) + QStringLiteral(" (") + yAxis + QLatin1Char(')');
    }
    QStringList lines{header};
    lines.reserve(rows.size() + 1);
    for (const QList<ChartSegment> &row : rows) {
        QString line = row.first().label;
        for (const ChartSegment &segment : row)
            line += QLatin1Char('\t') + segment.valueText;
        lines.append(line);
    }
    return lines.join(CrLf);
}

} // namespace quillon
