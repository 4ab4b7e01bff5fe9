#include "exchange/core/exchangemodel.h"

#include "base/misc.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace quillon {

namespace {

// The speed table of the distance model: distance (m), ADSL rate, ADSL2 rate,
// IP profile and ADSL2 throughput (kbit/s), tab-separated.
const char *const DesignTable =
    "100\t8128\t24000\t7150\t21240\n"
    "500\t8128\t24000\t7150\t21240\n"
    "900\t8128\t24000\t7150\t21240\n"
    "1300\t8128\t20992\t7150\t18577.92\n"
    "1700\t8128\t18976\t7150\t16793.76\n"
    "2100\t8128\t16000\t7150\t14160\n"
    "2500\t7584\t12000\t6500\t10620\n"
    "2900\t6784\t8992\t6000\t7957.92\n"
    "3300\t5792\t6976\t5000\t6173.76\n"
    "3700\t4576\t4672\t4000\t4134.72\n"
    "4100\t3296\t3584\t2500\t3171.84\n"
    "4500\t2080\t2080\t1500\t1840.8\n"
    "4900\t1184\t1600\t1000\t1416";

constexpr double MilesPerKm = 0.621371192;
const QString KbpsSuffix = QStringLiteral(" kbit/s");

// A field that does not fit 32 bits counts as 0 rather than wrapping.
qint32 toInt32(const QString &field)
{
    const double v = Val(field);
    if (!(v > std::numeric_limits<qint32>::min() - 0.5 && v < std::numeric_limits<qint32>::max() + 0.5))
        return 0;
    return qint32(roundHalfEven(v));
}

// The value at distance d on the line through the row below and row i; below
// the first row the line is extended one step back.
float valueAt(const QList<SpeedRow> &rows, qsizetype i, double d, qint32 step, float (*column)(const SpeedRow &))
{
    float x0, y0;
    if (i == 0) {
        x0 = float(rows[0].Distance - step);
        y0 = 2 * column(rows[0]) - column(rows[1]);
    } else {
        x0 = float(rows[i - 1].Distance);
        y0 = column(rows[i - 1]);
    }
    const float x1 = float(rows[i].Distance);
    const float y1 = column(rows[i]);
    return y1 == y0 ? y0 : Exc_Interpolate(x0, y0, x1, y1, float(d));
}

// The labels are built in fixed buffers: these are their longest figures.
constexpr int WholeChars = 32;   // a 64-bit whole number with sign and separators
constexpr int DecimalChars = 330; // the largest double in fixed notation, two decimals

char *put(char *p, const char *text)
{
    const size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    return p + n;
}

// "###,###,0", halves to even.
char *putWholeGrouped(char *p, double value)
{
    const qint64 whole = std::isfinite(value) ? roundHalfEven(value) : 0;
    quint64 magnitude = whole < 0 ? 0 - quint64(whole) : quint64(whole);
    char reversed[WholeChars];
    int n = 0;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            reversed[n++] = ',';
        reversed[n++] = char('0' + magnitude % 10);
        magnitude /= 10;
        ++digits;
    } while (magnitude != 0);
    if (whole < 0)
        *p++ = '-';
    while (n > 0)
        *p++ = reversed[--n];
    return p;
}

// "0.00" of the exact binary value, as to_chars gives it (no locale). Away
// from a tie in the third decimal, the scaled value rounds to the same digits
// far faster; the tolerance is well above the scaling's error below 1e7.
char *putTwoDecimals(char *p, double value)
{
    if (!std::isfinite(value))
        value = 0;
    const double scaled = value * 100;
    const double fraction = std::fabs(scaled - std::floor(scaled));
    if (std::fabs(value) < 1e7 && std::fabs(fraction - 0.5) > 1e-6) {
        const qint64 hundredths = qint64(std::llround(scaled));
        if (hundredths < 0)
            *p++ = '-';
        const quint64 magnitude = hundredths < 0 ? 0 - quint64(hundredths) : quint64(hundredths);
        const auto [end, ec] = std::to_chars(p, p + WholeChars, magnitude / 100);
        p = end;
        *p++ = '.';
        *p++ = char('0' + magnitude / 10 % 10);
        *p++ = char('0' + magnitude % 10);
        return p;
    }
    const auto [end, ec] = std::to_chars(p, p + DecimalChars, value, std::chars_format::fixed, 2);
    if (ec != std::errc())
        return p;
    if (end - p == 5 && std::memcmp(p, "-0.00", 5) == 0) {
        std::memmove(p, p + 1, 4);
        return end - 1;
    }
    return end;
}

} // namespace

QString SpeedTableText()
{
    return QString::fromLatin1(DesignTable);
}

float Exc_Interpolate(float x0, float y0, float x1, float y1, float x)
{
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

void ExchangeModel::Exc_LoadData(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    m_rows = {SpeedRow{}};
    const QString tab(QLatin1Char('\t'));
    for (const QString &line : text.split(lineEnd)) {
        if (line.isEmpty() || line.count(QLatin1Char('\t')) < 2)
            continue;
        // A row whose distance is 0 is overwritten by the next good line.
        if (m_rows.constLast().Distance > 0)
            m_rows.append(SpeedRow{});
        SpeedRow &row = m_rows.last();
        row.Distance = toInt32(Field(line, tab, 1));
        row.AdslRate = toInt32(Field(line, tab, 2));
        row.Adsl2Rate = toInt32(Field(line, tab, 3));
        row.AdslIPProfile = toInt32(Field(line, tab, 4));
        row.Adsl2Throughput = toInt32(Field(line, tab, 5));
        row.Attenuation = m_lossPerMetre * float(row.Distance);
    }
    m_rowsUsable = m_rows.size() >= 2;
    for (qsizetype i = 1; i < m_rows.size(); ++i) {
        if (m_rows[i].Distance <= m_rows[i - 1].Distance)
            m_rowsUsable = false;
    }
}

bool ExchangeModel::Exc_SetLossRate(const QString &lossRate)
{
    const double value = Val(lossRate);
    m_lossPerMetre = float(value / 1000);
    m_lossUsable = std::isfinite(value) && value > 0 && std::isfinite(m_lossPerMetre) && m_lossPerMetre > 0;
    if (!m_lossUsable)
        m_lossPerMetre = 0;
    for (SpeedRow &row : m_rows)
        row.Attenuation = m_lossPerMetre * float(row.Distance);
    return m_lossUsable;
}

QString ExchangeModel::problem() const
{
    if (!m_rowsUsable)
        return QStringLiteral("The speed table needs at least two rows with rising distances");
    if (!m_lossUsable)
        return QStringLiteral("Loss rate value must be a positive number of dB per km");
    return {};
}

SpeedEstimate ExchangeModel::estimate(double value, bool adsl2, bool byDistance) const
{
    SpeedEstimate e;
    if (!problem().isEmpty() || !std::isfinite(value))
        return e;
    e.distance = byDistance ? value : value / double(m_lossPerMetre);
    if (!std::isfinite(e.distance))
        return e;

    qsizetype i = 0;
    const qsizetype n = m_rows.size();
    if (byDistance) {
        while (i < n && !(double(m_rows[i].Distance) > e.distance))
            ++i;
    } else {
        while (i < n && !(double(m_rows[i].Attenuation) > value))
            ++i;
    }
    if (i == n)
        return e;

    const qint32 step = m_rows[1].Distance - m_rows[0].Distance;
    if (i > 0)
        e.column = float((e.distance - m_rows[i - 1].Distance) / step + double(i - 1));
    e.rate = adsl2 ? valueAt(m_rows, i, e.distance, step, [](const SpeedRow &r) { return float(r.Adsl2Rate); })
                   : valueAt(m_rows, i, e.distance, step, [](const SpeedRow &r) { return float(r.AdslRate); });
    if (adsl2) {
        e.secondRate = valueAt(m_rows, i, e.distance, step, [](const SpeedRow &r) { return float(r.Adsl2Throughput); });
    } else {
        e.profile = m_rows[i > 0 ? i - 1 : 0].AdslIPProfile;
        e.hasProfile = true;
    }
    return e;
}

SpeedTexts ExchangeModel::Exc_GetData(const QString &attenuation, bool adsl2, bool byDistance,
                                      const QString &distance) const
{
    const SpeedEstimate e = estimate(Val(byDistance ? distance : attenuation), adsl2, byDistance);
    SpeedTexts t;
    t.rate = RateText(e.rate);
    t.secondRate = RateText(e.secondRate);
    if (e.hasProfile)
        t.profile = QString::number(e.profile) + KbpsSuffix;
    t.distance = byDistance ? distance : DistanceText(e.distance);
    t.column = e.column;
    return t;
}

QString ExchangeModel::Exc_GetGraph(bool adsl2, const QString &colour) const
{
    QString out;
    for (const SpeedRow &row : m_rows) {
        if (!out.isEmpty())
            out += QStringLiteral("\r\n");
        out += QString::number(row.Distance) + QLatin1Char(',') + QString::number(adsl2 ? row.Adsl2Rate : row.AdslRate)
            + QLatin1Char(',') + colour;
    }
    return out;
}

QString FormatWholeGrouped(double value)
{
    char buffer[WholeChars];
    return QString::fromLatin1(buffer, putWholeGrouped(buffer, value) - buffer);
}

QString FormatTwoDecimals(double value)
{
    char buffer[DecimalChars];
    return QString::fromLatin1(buffer, putTwoDecimals(buffer, value) - buffer);
}

QString RateText(float kbps)
{
    char buffer[WholeChars + 8];
    char *p = putWholeGrouped(buffer, double(kbps));
    p = put(p, " kbit/s");
    return QString::fromLatin1(buffer, p - buffer);
}

QString DistanceText(double metres)
{
    if (!std::isfinite(metres))
        return {};
    const double km = metres / 1000;
    char buffer[2 * DecimalChars + 16];
    char *p = putTwoDecimals(buffer, km);
    p = put(p, " km / ");
    p = putTwoDecimals(p, km * MilesPerKm);
    p = put(p, " mile(s)");
    return QString::fromLatin1(buffer, p - buffer);
}

} // namespace quillon
