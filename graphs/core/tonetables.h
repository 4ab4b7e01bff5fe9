#pragma once

// The per-tone tables the modem driver prints under /proc/avalanche, read into
// numbers and converted to physical units, with the gap analysis for the report.

#include <QList>
#include <QString>

#include <array>

namespace quillon {

struct ToneValue
{
    int Index{0}; // position in the table + 1; 0 marks the zeroed element of a cleared table
    qint32 Value{0};
};
using ToneTable = QList<ToneValue>;

struct SnrTable
{
    ToneTable Values{ToneValue{}}; // whole dB
    bool Loaded{false};
};

struct PsdPoint
{
    float Raw{0};
    float Db{0}; // 0 where the code means "no value"
};

// Loaded flags are only ever set: a later fetch without data lines leaves the
// flag set and the table holding one zeroed element.
struct ToneTables
{
    ToneTable DSBits{ToneValue{}};
    ToneTable USBits{ToneValue{}};
    bool BitsLoaded{false};
    std::array<SnrTable, 3> RxSnr{};
    ToneTable SnrPsdRaw{ToneValue{}};
    ToneTable QlnPsdRaw{ToneValue{}};
    QList<PsdPoint> SnrPsd;
    QList<PsdPoint> QlnPsd;
    bool SnrPsdLoaded{false};
    bool QlnPsdLoaded{false};
};

// A router reply is a few kilobytes; anything longer is garbage and is cut here
// so that a hostile reply cannot grow a table without bound.
inline constexpr int MaxToneValues = 8192;

// Tone spacing in kHz.
inline constexpr float ToneSpacingKHz = 4.3125f;

bool CheckLineForHex(QStringView line, int n);
bool CheckLineForDigit(QStringView line);
void AddBitLine(ToneTable &table, QStringView line, bool isHex);

void ImportTable(ToneTables &tables, const QString &text);
void ImportSNRTable(ToneTables &tables, const QString &text, int bin);
void ImportPsdsTable(ToneTables &tables, const QString &text, bool isSnr);
void Psds_Convert(ToneTables &tables, bool isSnr);

// Gap analysis: appends to log (see the report).
void AnalyseBits(const ToneTables &tables, QString &log, int threshold, int dsStart);
void AnalysePsdsSNR(const ToneTables &tables, QString &log, int threshold);
void LogBitGap(int first, int last, int gapNo, QString &log);
void LogPsdsGap(int first, int last, int gapNo, QString &log);

} // namespace quillon
