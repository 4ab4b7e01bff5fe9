#include "graphs/core/chartdata.h"

#include "base/misc.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QChar SeriesSeparator = QLatin1Char('|');
const QChar FieldSeparator = QLatin1Char(',');
const QChar ColourSeparator = QLatin1Char('x');

double finite(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

double finiteVal(QStringView text)
{
    return finite(Val(text.toString()));
}

struct Segment
{
    double label{0};
    ChartPoint point;
};

Segment parseSegment(QStringView text)
{
    Segment segment;
    qsizetype field = 0;
    for (const QStringView part : text.tokenize(FieldSeparator)) {
        if (field == 0)
            segment.label = finiteVal(part);
        else if (field == 1)
            segment.point.value = finiteVal(part);
        else if (field == 2)
            segment.point.colour = ColourFromText(part);
        else
            break;
        ++field;
    }
    return segment;
}

int channel(quint32 colour, int shift)
{
    return int((colour >> shift) & 0xFF);
}

} // namespace

QString ChartNumber(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

quint32 ColourFromText(QStringView text)
{
    int parts[3]{};
    int i = 0;
    for (const QStringView part : text.tokenize(ColourSeparator)) {
        if (i == 3)
            break;
        parts[i++] = int(std::clamp(finiteVal(part), 0.0, 255.0));
    }
    return RGB(parts[0], parts[1], parts[2]);
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

void ChartData::reserve(qsizetype rows, int series)
{
    m_labels.reserve(rows);
    m_points.reserve(rows * std::clamp(series, 1, MaxChartSeries));
}

void ChartData::addRow(double label, const ChartPoint *points, qsizetype count)
{
    if (m_labels.size() >= MaxChartRows || count <= 0)
        return;
    if (m_labels.isEmpty())
        m_series = int(std::min<qsizetype>(count, MaxChartSeries));
    m_labels.append(finite(label));
    for (int s = 0; s < m_series; ++s) {
        ChartPoint p = count == 1 ? points[0] : s < count ? points[s] : ChartPoint{};
        p.value = finite(p.value);
        m_min = std::min(m_min, p.value);
        m_max = std::max(m_max, p.value);
        m_points.append(p);
    }
}

double ChartData::range() const
{
    return finite(std::abs(m_max - m_min));
}

double ChartData::labelStep() const
{
    if (!hasData())
        return 0;
    return finite((m_labels.size() > 1 ? m_labels.at(1) : 0.0) - m_labels.first());
}

ChartData ChartData::parse(const QString &text)
{
    ChartData data;
    QList<ChartPoint> points;
    for (const QStringView line : QStringView(text).tokenize(CrLf, Qt::SkipEmptyParts)) {
        if (data.rows() >= MaxChartRows)
            break;
        points.clear();
        double label = 0;
        // A row without "|" is one segment, which then serves every series.
        for (const QStringView part : line.tokenize(SeriesSeparator)) {
            const Segment segment = parseSegment(part);
            if (points.isEmpty())
                label = segment.label;
            points.append(segment.point);
            if (points.size() == MaxChartSeries || (data.hasData() && points.size() == data.series()))
                break;
        }
        data.addRow(label, points.constData(), points.size());
    }
    return data;
}

QString ChartData::toText() const
{
    QStringList lines;
    lines.reserve(rows());
    for (qsizetype r = 0; r < rows(); ++r) {
        QStringList segments;
        for (int s = 0; s < m_series; ++s) {
            const ChartPoint &p = point(r, s);
            segments.append(ChartNumber(label(r)) + FieldSeparator + ChartNumber(p.value) + FieldSeparator
                            + ColourToText(p.colour));
        }
        lines.append(segments.join(SeriesSeparator));
    }
    return lines.join(CrLf);
}

QString ChartData::copyText(const QString &xAxis, const QString &yAxis) const
{
    if (!hasData())
        return {};
    QString text = QStringLiteral("X (") + xAxis + QLatin1Char(')');
    if (m_series == 1) {
        text += QStringLiteral("\tY (") + yAxis + QLatin1Char(')');
    } else {
        for (int k = 0; k < m_series; ++k)
            text += QStringLiteral("\tY") + QString::number(k) + QStringLiteral(" (") + yAxis + QLatin1Char(')');
    }
    for (qsizetype r = 0; r < rows(); ++r) {
        text += CrLf + ChartNumber(label(r));
        for (int s = 0; s < m_series; ++s)
            text += QLatin1Char('\t') + ChartNumber(point(r, s).value);
    }
    return text;
}

} // namespace quillon
