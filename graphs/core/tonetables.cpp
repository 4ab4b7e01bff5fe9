#include "graphs/core/tonetables.h"

#include "base/misc.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace quillon {

namespace {

const QString DsHeader = QStringLiteral("AR7 DSL Modem DS Bit Allocation");
const QString UsHeader = QStringLiteral("AR7 DSL Modem US Bit Allocation");
const QString HexDigits = QStringLiteral("0123456789ABCDEF");
const QString DecimalDigits = QStringLiteral("0123456789");
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

// Non-empty lines, trimmed of blanks at both ends.
QStringList dataCandidates(const QString &text)
{
    QStringList lines;
    const QStringList raw = text.split(CrLf);
    for (const QString &line : raw) {
        QString trimmed = line;
        while (trimmed.startsWith(QLatin1Char(' ')))
            trimmed.remove(0, 1);
        while (trimmed.endsWith(QLatin1Char(' ')))
            trimmed.chop(1);
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines;
}

void clearTable(ToneTable &table)
{
    table = ToneTable{ToneValue{}};
}

} // namespace

bool CheckLineForHex(const QString &line, int n)
{
    if (n < 0 || line.size() <= n)
        return false;
    for (int i = 0; i < n; ++i) {
        if (!HexDigits.contains(line.at(i), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

bool CheckLineForDigit(const QString &line)
{
    const QString first = Field(line, QStringLiteral(" "), 1);
    for (const QChar c : first) {
        if (!DecimalDigits.contains(c))
            return false;
    }
    return true;
}

void AddBitLine(ToneTable &table, const QString &line, bool isHex)
{
    if (table.isEmpty())
        clearTable(table);
    const QStringList tokens = line.split(QLatin1Char(' '));
    for (const QString &token : tokens) {
        if (table.first().Index > 0) {
            if (table.size() >= MaxToneValues)
                return;
            table.append(ToneValue{});
        }
        ToneValue &element = table.last();
        element.Index = int(table.size());
        element.Value = token.isEmpty() ? 0 : toInt32(Val(isHex ? QStringLiteral("&H") + token : token));
    }
}

void ImportTable(ToneTables &tables, const QString &text)
{
    clearTable(tables.DSBits);
    clearTable(tables.USBits);
    bool inDs = false;
    bool inUs = false;
    bool found = false;
    const QStringList lines = dataCandidates(text);
    for (const QString &line : lines) {
        if (CheckLineForHex(line, 2)) {
            found = true;
            if (inUs)
                AddBitLine(tables.USBits, line, true);
            else if (inDs)
                AddBitLine(tables.DSBits, line, true);
            continue;
        }
        if (!inDs && line.contains(DsHeader, Qt::CaseInsensitive)) {
            inDs = true;
            inUs = false;
        }
        if (!inUs && line.contains(UsHeader, Qt::CaseInsensitive)) {
            inUs = true;
            inDs = false;
        }
    }
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
    const QStringList lines = dataCandidates(text);
    for (const QString &line : lines) {
        if (CheckLineForHex(line, 4)) {
            AddBitLine(table.Values, line, true);
            found = true;
        }
    }
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
    const QStringList lines = dataCandidates(text);
    for (const QString &line : lines) {
        if (CheckLineForDigit(line)) {
            AddBitLine(raw, line, false);
            found = true;
        }
    }
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
