#pragma once

// The speed-versus-distance model of the Exchange tab: a table of typical
// rates by cable distance, a cable loss rate, and the estimate read off the
// table for a measured attenuation or a known distance.

#include <QList>
#include <QString>

namespace quillon {

struct SpeedRow
{
    qint32 Distance{0};        // metres
    qint32 AdslRate{0};        // kbit/s
    qint32 Adsl2Rate{0};       // kbit/s
    qint32 AdslIPProfile{0};   // kbit/s
    qint32 Adsl2Throughput{0}; // kbit/s
    float Attenuation{0};      // dB, LossPerMetre x Distance
};

// The numbers of one estimate; Exc_GetData turns them into label texts.
struct SpeedEstimate
{
    double distance{0};   // metres
    float rate{0};        // kbit/s, 0 beyond the last row
    float secondRate{0};  // ADSL2 throughput, kbit/s
    qint32 profile{0};    // ADSL IP profile, kbit/s
    bool hasProfile{false};
    float column{-1};     // chart position, -1 for none
};

struct SpeedTexts
{
    QString rate;
    QString profile;    // ADSL only; empty beyond the last row
    QString secondRate; // ADSL2 only
    QString distance;   // "2.40 km / 1.49 mile(s)" when estimated from the attenuation
    float column{-1};
};

// The longest actual distance the best results are worked out for.
inline constexpr double MaxActualDistanceKm = 100;

// The chart colours of the two views.
inline constexpr char EstimateGraphColour[] = "0x255x0";
inline constexpr char BestGraphColour[] = "0x255x255";

class ExchangeModel final
{
public:
    // One row per line with at least two TABs; lines may end in LF, CR LF or CR.
    void Exc_LoadData(const QString &text);
    // False when the loss rate is not a positive, finite number.
    bool Exc_SetLossRate(const QString &lossRate);

    // Why no estimate can be made, as the start of a sentence ("" when one can):
    // the table's shape or the loss rate.
    QString problem() const;

    // attenuation in dB (byDistance false) or distance in metres (byDistance true).
    SpeedEstimate estimate(double value, bool adsl2, bool byDistance) const;
    SpeedTexts Exc_GetData(const QString &attenuation, bool adsl2, bool byDistance,
                           const QString &distance = QString()) const;
    QString Exc_GetGraph(bool adsl2, const QString &colour) const;

    const QList<SpeedRow> &SpeedTable() const { return m_rows; }
    float LossPerMetre() const { return m_lossPerMetre; }

private:
    QList<SpeedRow> m_rows;
    float m_lossPerMetre{0};
    bool m_lossUsable{false};
    bool m_rowsUsable{false};
};

// The table the window's txtData is designed with.
QString SpeedTableText();

float Exc_Interpolate(float x0, float y0, float x1, float y1, float x);

// Fixed formats, the same in every locale.
QString FormatWholeGrouped(double value); // "###,###,0"
QString FormatTwoDecimals(double value);  // "0.00"
QString RateText(float kbps);             // "7,720 kbit/s"
QString DistanceText(double metres);      // "2.40 km / 1.49 mile(s)"

} // namespace quillon
