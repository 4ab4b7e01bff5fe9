#include "graphs/core/tonetables.h"

#include "base/misc.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon {

namespace {

const QString DsHeader = QStringLiteral("AR7 DSL Modem DS Bit Allocation");
const QString UsHeader = QStringLiteral("AR7 DSL Modem US Bit Allocation");
const QString CrLf = QStringLiteral("\r\n");

constexpr double SnrWordPerDb = 85.04;

qint32 toInt32(double value)
{
    if (!std::isfinite(value))
        return 0;
    const qint64 whole = roundHalfEven(qBound(double(std::numeric_limits<qint32>::min()), value,
                                              double(std::numeric_limits<qint32>::max())));
    return qint32(whole);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool isDecimalDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The driver prints two or four hex digits or up to three decimal ones; those
// are read here directly, anything else as Val reads it.
qint32 tokenValue(QStringView token, bool isHex)
{
    if (token.isEmpty())
        return 0;
    if (isHex && token.size() <= 4) {
        int value = 0;
        for (const QChar c : token) {
            const int d = hexDigit(c);
            if (d < 0)
                return toInt32(Val(QStringLiteral("&H") + token.toString()));
            value = value * 16 + d;
        }
        return qint16(quint16(value)); // a 16-bit pattern, as Val reads "&HFFFF"
    }
    if (!isHex && token.size() <= 9) {
        qint32 value = 0;
        for (const QChar c : token) {
            if (!isDecimalDigit(c))
                return toInt32(Val(token.toString()));
            value = value * 10 + (c.unicode() - u'0');
        }
        return value;
    }
    return toInt32(Val(isHex ? QStringLiteral("&H") + token.toString() : token.toString()));
}

// Calls use(line) for every non-empty line cut at CR LF, trimmed of blanks at
// both ends, until it returns false. Views into the text: a reply of millions
// of empty lines allocates nothing.
template <typename Use>
void forEachDataLine(const QString &text, Use use)
{
    const QStringView all(text);
    qsizetype from = 0;
    while (from <= all.size()) {
        qsizetype end = all.indexOf(CrLf, from);
        if (end < 0)
            end = all.size();
        qsizetype first = from;
        qsizetype last = end;
        while (first < last && all[first] == QLatin1Char(' '))
            ++first;
        while (last > first && all[last - 1] == QLatin1Char(' '))
            --last;
        if (last > first && !use(all.mid(first, last - first)))
            return;
        from = end + CrLf.size();
    }
}

bool isFull(const ToneTable &table)
{
    return table.size() >= MaxToneValues;
}

void clearTable(ToneTable &table)
{
    table = ToneTable{ToneValue{}};
}

} // namespace

bool CheckLineForHex(QStringView line, int n)
{
    if (n < 0 || line.size() <= n)
        return false;
    for (int i = 0; i < n; ++i) {
        if (hexDigit(line.at(i)) < 0)
            return false;
    }
    return true;
}

bool CheckLineForDigit(QStringView line)
{
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QStringView first = space < 0 ? line : line.first(space);
    return std::all_of(first.begin(), first.end(), isDecimalDigit);
}

void AddBitLine(ToneTable &table, QStringView line, bool isHex)
{
    if (table.isEmpty())
        clearTable(table);
    for (const QStringView token : line.tokenize(QLatin1Char(' '))) {
        if (table.first().Index > 0) {
            if (isFull(table))
                return;
            table.append(ToneValue{});
        }
        ToneValue &element = table.last();
        element.Index = int(table.size());
        element.Value = tokenValue(token, isHex);
    }
}

void ImportTable(ToneTables &tables, const QString &text)
{
    clearTable(tables.DSBits);
    clearTable(tables.USBits);
    bool inDs = false;
    bool inUs = false;
    bool found = false;
    forEachDataLine(text, [&](QStringView line) {
        if (CheckLineForHex(line, 2)) {
            found = true;
            if (inUs && !isFull(tables.USBits))
                AddBitLine(tables.USBits, line, true);
            else if (inDs && !inUs && !isFull(tables.DSBits))
                AddBitLine(tables.DSBits, line, true);
            return true;
        }
        if (!inDs && IndexOfNoCase(line, DsHeader) >= 0) {
            inDs = true;
            inUs = false;
        }
        if (!inUs && IndexOfNoCase(line, UsHeader) >= 0) {
            inUs = true;
            inDs = false;
        }
        return true;
    });
    if (found)
        tables.BitsLoaded = true;
}

void ImportSNRTable(ToneTables &tables, const QString &text, int bin)
{
    if (bin < 0 || bin >= int(tables.RxSnr.size()))
        return;
    SnrTable &table = tables.RxSnr[size_t(bin)];
    clearTable(table.Values);
    bool found = false;
    forEachDataLine(text, [&](QStringView line) {
        if (!CheckLineForHex(line, 4))
            return true;
        found = true;
        AddBitLine(table.Values, line, true);
        return !isFull(table.Values);
    });
    if (!found)
        return;
    for (ToneValue &v : table.Values)
        v.Value = toInt32(v.Value / SnrWordPerDb);
    table.Loaded = true;
}

void ImportPsdsTable(ToneTables &tables, const QString &text, bool isSnr)
{
    ToneTable &raw = isSnr ? tables.SnrPsdRaw : tables.QlnPsdRaw;
    clearTable(raw);
    bool found = false;
    forEachDataLine(text, [&](QStringView line) {
        if (!CheckLineForDigit(line))
            return true;
        found = true;
        AddBitLine(raw, line, false);
        return !isFull(raw);
    });
    if (!found)
        return;
    (isSnr ? tables.SnrPsdLoaded : tables.QlnPsdLoaded) = true;
    Psds_Convert(tables, isSnr);
}

void Psds_Convert(ToneTables &tables, bool isSnr)
{
    const ToneTable &raw = isSnr ? tables.SnrPsdRaw : tables.QlnPsdRaw;
    QList<PsdPoint> &converted = isSnr ? tables.SnrPsd : tables.QlnPsd;
    converted = QList<PsdPoint>(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const qint32 code = raw.at(i).Value;
        PsdPoint &point = converted[i];
        point.Raw = float(code);
        // 255 is the driver's "not measured" code (the upstream band) in both tables.
        if (isSnr) {
            if (code > 0 && code < 255)
                point.Db = float(code) / 2.0f - 32.0f;
        } else if (code < 255) {
            point.Db = -float(code) / 2.0f - 23.0f + 60.0f;
        }
    }
}

} // namespace quillon
