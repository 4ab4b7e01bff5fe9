#include "graphs/core/snrhistory.h"

#include "base/apppaths.h"
#include "base/errorlog.h"
#include "base/misc.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace quillon {

namespace {

const QString Title = QStringLiteral("Downstream SNR Margin history");
const QString XAxisName = QStringLiteral("last 100 ticks");
const QString YAxisName = QStringLiteral("SNR");
constexpr quint32 SampleColour = RGB(0, 255, 0);

// A single holds about seven significant digits; more would print the binary
// noise of the conversion (6.1 as 6.0999999).
QString formatSingle(float value)
{
    return QString::number(double(value), 'g', 7);
}

// The value as the history file has it ("6.1", not 6.099999904632568), for
// the chart to show and copy.
double asDecimal(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, double(value), std::chars_format::general, 7);
    double result = value;
    if (written.ec == std::errc())
        std::from_chars(text, written.ptr, result);
    return result;
}

float toSingle(double value)
{
    if (!std::isfinite(value))
        return 0;
    return float(std::clamp(value, double(-std::numeric_limits<float>::max()),
                            double(std::numeric_limits<float>::max())));
}

} // namespace

const QString SnrHistory::FileName = QStringLiteral("snr_stats.txt");

void SnrHistory::addSample(const QString &text)
{
    if (text.isEmpty())
        return;
    std::rotate(m_values.begin(), m_values.begin() + 1, m_values.end());
    m_values.back() = toSingle(Val(text));
}

GraphDrawing SnrHistory::drawing() const
{
    GraphDrawing chart;
    chart.ChartTitle = Title;
    chart.Divisions = 5;
    chart.XAxis = XAxisName;
    chart.XCell = 5;
    chart.YAxis = YAxisName;
    chart.LineGraph = false;

    chart.data.reserve(Points, 1);
    float largest = 0;
    for (int i = 0; i < Points; ++i) {
        const float v = m_values[size_t(i)];
        largest = std::max(largest, v);
        chart.data.addRow(Points - 1 - i, {asDecimal(v), SampleColour});
    }
    const qint64 cell = roundHalfEven(double(largest) / 5.0);
    chart.YCell = cell == 0 ? 1 : int(std::min<qint64>(cell, std::numeric_limits<int>::max()));
    return chart;
}

QString SnrHistory::toLine() const
{
    QStringList fields;
    fields.reserve(Points);
    for (const float v : m_values)
        fields.append(formatSingle(v));
    return fields.join(QLatin1Char(','));
}

void SnrHistory::fromText(const QString &text)
{
    QString line = text;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList fields = line.split(QLatin1Char(','));
    const int count = int(std::min<qsizetype>(fields.size(), Points));
    for (int i = 0; i < count; ++i)
        m_values[size_t(i)] = toSingle(Val(fields.at(i)));
}

void SnrHistory::LoadSNRFromFile()
{
    const QString text = LoadAFile(AppPaths::file(FileName));
    if (text.isEmpty())
        return;
    fromText(text);
    if (text.split(QLatin1Char(',')).size() < Points)
        LogError(false, QStringLiteral("9"), QStringLiteral("Subscript out of range"), QStringLiteral("frmMain"),
                 QStringLiteral("LoadSNRFromFile"));
}

WriteResult SnrHistory::SaveSNRToFile() const
{
    return SaveTextFile(toLine(), AppPaths::file(FileName));
}

} // namespace quillon
