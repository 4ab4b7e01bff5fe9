#include "graphs/core/tonetables.h"

#include <QLocale>

#include <cstdlib>
#include <functional>

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString BitGapsHeading = QStringLiteral("Bit Allocation per Bin gaps:");
const QString PsdGapsHeading = QStringLiteral("SNR downstream power spectrum gaps:");
const QString VoiceNote = QStringLiteral("- Voice & guard band");
const QString GuardNote = QStringLiteral("- Guard band between US and DS");
const QString PilotNote = QStringLiteral("- Pilot frequency");
const QString VoiceUsNote = QStringLiteral("- Voice & US");

// The driver's "not measured" code; the upstream band of the SNR spectrum carries it.
constexpr qint32 PsdNoValue = 255;

// "###,##0.000" whatever the user's locale.
QString formatKHz(float khz)
{
    static const QLocale grouped(QLocale::English, QLocale::UnitedStates);
    return grouped.toString(double(khz), 'f', 3);
}

void logGap(int first, int last, int gapNo, QString &log, const QString &note)
{
    if (!log.isEmpty())
        log += CrLf;
    log += QStringLiteral(" Gap ") + QString::number(gapNo) + QStringLiteral(" = ")
        + formatKHz(float(first) * ToneSpacingKHz) + QStringLiteral(" - ")
        + formatKHz(float(last) * ToneSpacingKHz) + QStringLiteral(" kHz");
    if (!note.isEmpty())
        log += QLatin1Char('\t') + note;
}

// A gap opens at the first unused position and closes at the next used one,
// which is logged as its end.
void scanGaps(const QList<qint32> &values, const std::function<bool(qint32)> &unused,
              const std::function<void(int, int, int)> &logOne)
{
    int gaps = 0;
    int open = -1;
    for (int j = 0; j < int(values.size()); ++j) {
        if (unused(values.at(j))) {
            if (open < 0)
                open = j;
        } else if (open >= 0) {
            logOne(open, j, ++gaps);
            open = -1;
        }
    }
    if (open >= 0)
        logOne(open, int(values.size()) - 1, gaps + 1);
}

} // namespace

void LogBitGap(int first, int last, int gapNo, QString &log)
{
    const float f = float(first) * ToneSpacingKHz;
    QString note;
    if (f >= 0 && f <= 35)
        note = VoiceNote;
    else if (f >= 133 && f <= 143)
        note = GuardNote;
    else if (f == 276)
        note = PilotNote;
    logGap(first, last, gapNo, log, note);
}

void LogPsdsGap(int first, int last, int gapNo, QString &log)
{
    const float f = float(first) * ToneSpacingKHz;
    logGap(first, last, gapNo, log, (f >= 0 && f <= 130) ? VoiceUsNote : QString());
}

void AnalyseBits(const ToneTables &tables, QString &log, int threshold, int dsStart)
{
    if (!tables.BitsLoaded)
        return;
    log += BitGapsHeading;
    QList<qint32> sequence;
    sequence.reserve(tables.USBits.size() + tables.DSBits.size());
    for (const ToneValue &v : tables.USBits)
        sequence.append(v.Value);
    for (qsizetype i = qMax(0, dsStart); i < tables.DSBits.size(); ++i)
        sequence.append(tables.DSBits.at(i).Value);
    scanGaps(sequence, [threshold](qint32 v) { return std::abs(qint64(v)) <= threshold; },
             [&log](int first, int last, int n) { LogBitGap(first, last, n, log); });
}

void AnalysePsdsSNR(const ToneTables &tables, QString &log, int threshold)
{
    if (!tables.SnrPsdLoaded)
        return;
    if (!log.isEmpty())
        log += CrLf;
    log += PsdGapsHeading;
    QList<qint32> codes;
    codes.reserve(tables.SnrPsdRaw.size());
    for (const ToneValue &v : tables.SnrPsdRaw)
        codes.append(v.Value);
    scanGaps(codes, [threshold](qint32 v) { return v == PsdNoValue || std::abs(qint64(v)) <= threshold; },
             [&log](int first, int last, int n) { LogPsdsGap(first, last, n, log); });
}

} // namespace quillon
