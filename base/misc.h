#pragma once

// Small stateless routines used everywhere: cutting text, numbers and bits,
// dates and periods, sizes and rates, files and colours.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "base/safefile.h"

namespace quillon {

// Whole number nearest to value, halves to even (2.5 -> 2, 3.5 -> 4).
qint64 roundHalfEven(double value);

// The numeric value of the leading number in text, as a classic BASIC Val():
// leading blanks, tabs and line feeds are skipped, blanks inside the number are
// ignored, an optional sign, digits, one decimal point and an exponent
// ("E" or "D") are read, "&H"/"&O" prefixes read hex/octal; reading stops at the
// first other character. No number gives 0.
double Val(const QString &text);

// The text's Val() rounded halves to even and clamped to low..high, so that
// "1e10", "-1e300" or "nan" in a hand-edited setting give a bound or 0 rather
// than an integer overflow. What every setting goes through on its way to a
// count, size or interval.
int clampedWhole(const QString &text, int low, int high);

// --- Text ---
// indexOf ignoring case, as QString's, but a plain scan when the needle is
// ASCII (every label and marker the router is searched for): Qt's caseless
// search costs tens of milliseconds per megabyte.
qsizetype IndexOfNoCase(QStringView text, QStringView needle, qsizetype from = 0);
QString Field(const QString &text, const QString &delimiter, int index);
int CountChar(const QString &text, const QString &find);
QString GetMiddle(const QString &startText, const QString &endText, const QString &text,
                  int startPos = 1, bool caseSensitive = true);
QString Quote(const QString &text);
void AddToStringArray(QStringList &array, const QString &text);
QString PadBy(const QString &text, const QString &pad, int width, bool padLeft);
void CutAt(QString &text, const QString &find);
qint32 Min_Long(qint32 a, qint32 b);

// --- Numbers and bits ---
// A negative 32-bit value gives its two's-complement bit pattern.
QString Decimal2Binary(double value);
double Binary2Decimal(const QString &text);
// Element 0..L as described for the tone tables; an empty text gives {0}.
QByteArray ConvertToBits(const QString &digits, bool reverse);
float HalfOf(qint32 value);

// --- Time (local date-times) ---
QString DaysHoursAndMinutes(const QDateTime &date1, const QDateTime &date2);
double DateDiffSecs(const QDateTime &date1, const QDateTime &date2);
QDateTime SecondsToDate(const QDateTime &date, double seconds, bool add);
QString FormatCountdown(qint64 seconds); // "hh:nn:ss"
// "dd/mm/yyyy hh:nn:ss"; pieces out of range carry over as the classic date
// constructor does; a year outside 100-9999 gives an invalid date-time.
QDateTime TextToDate(const QString &text, bool dateOnly);
// 1 hour "dd/mm/yy hh", 2 day "dd/mm/yy", 3 week "w yy" (week number without
// a leading zero, week 53 shown as 52), 4 month "mm/yy"; other periods: empty.
QString GetDateLabel(const QDateTime &date, int period);
// Invalid for an invalid date or an unknown period.
QDateTime GetTimeStart(const QDateTime &date, int period);

// --- Sizes and rates ---
// "0.00" and " B ", " KB", " MB" or " GB"; negative: the number and " ??".
QString GetUnitSize(double bytes);
QString GetFormattedRate(const QString &text);

// --- Files (single-byte text; see base/safefile.h) ---
QString ValidatePath(const QString &path); // adds "/" unless present
QString LoadAFile(const QString &path);    // empty when missing or unreadable
// Replaces the file with text + CR LF. Relative paths are taken in the
// program folder.
WriteResult SaveTextFile(const QString &text, const QString &path);
// In the program folder: appends text + CR LF, or replaces the file with it
// when overwrite. The caller reports a failure.
WriteResult WriteToFile(const QString &text, const QString &fileName, bool overwrite);

// --- Colours: 32-bit, red in the low byte ---
constexpr quint32 RGB(int r, int g, int b)
{
    return quint32(r & 0xFF) | (quint32(g & 0xFF) << 8) | (quint32(b & 0xFF) << 16);
}
int RedOf(quint32 colour);
int GreenOf(quint32 colour);
int BlueOf(quint32 colour);
QString ColourToText(quint32 colour); // "255x128x0"

} // namespace quillon
