#include "base/misc.h"

#include "base/apppaths.h"
#include "base/safefile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>
#include <limits>

namespace quillon {

namespace {

const QString LineEnd = QStringLiteral("\r\n");

bool isValBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

int digitValue(QChar c, int radix)
{
    const char16_t u = c.unicode();
    int d = -1;
    if (u >= u'0' && u <= u'9')
        d = u - u'0';
    else if (u >= u'a' && u <= u'z')
        d = u - u'a' + 10;
    else if (u >= u'A' && u <= u'Z')
        d = u - u'A' + 10;
    return d >= 0 && d < radix ? d : -1;
}

// "&H"/"&O" literals are whole numbers; like the classic reader, a value that
// fits 16 bits is a 16-bit pattern and one that fits 32 bits a 32-bit one, so
// "&HFFFF" is -1. Longer literals overflow and read as 0.
double valRadix(const QString &text, qsizetype pos, int radix)
{
    quint64 value = 0;
    int significant = 0;
    const int maxDigits = radix == 16 ? 8 : 11;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (isValBlank(c))
            continue;
        const int d = digitValue(c, radix);
        if (d < 0)
            break;
        if (value == 0 && d == 0)
            continue;
        if (++significant > maxDigits)
            return 0;
        value = value * quint64(radix) + quint64(d);
    }
    if (value > 0xFFFFFFFFull)
        return 0;
    if (value <= 0xFFFF)
        return double(qint16(quint16(value)));
    return double(qint32(quint32(value)));
}

QString programFile(const QString &path)
{
    return QDir(AppPaths::appDir()).filePath(path);
}

} // namespace

qint64 roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value <= -limit)
        return std::numeric_limits<qint64>::min();
    const double whole = std::floor(value);
    const double frac = value - whole;
    qint64 result = qint64(whole);
    if (frac > 0.5 || (frac == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

double Val(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isValBlank(text.at(pos)))
        ++pos;
    if (pos + 1 < text.size() && text.at(pos) == QLatin1Char('&')) {
        const QChar kind = text.at(pos + 1).toUpper();
        if (kind == QLatin1Char('H'))
            return valRadix(text, pos + 2, 16);
        if (kind == QLatin1Char('O'))
            return valRadix(text, pos + 2, 8);
        return valRadix(text, pos + 1, 8);
    }

    std::string number;
    bool seenDigit = false;
    bool seenPoint = false;
    bool inExponent = false;
    bool exponentSign = false;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (isValBlank(c))
            continue;
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            number += char(u);
            if (!inExponent)
                seenDigit = true;
            exponentSign = false;
        } else if ((u == u'-' || u == u'+') && number.empty()) {
            number += char(u);
        } else if ((u == u'-' || u == u'+') && inExponent && exponentSign) {
            number += char(u);
            exponentSign = false;
        } else if (u == u'.' && !seenPoint && !inExponent) {
            number += '.';
            seenPoint = true;
        } else if ((u == u'e' || u == u'E' || u == u'd' || u == u'D') && !inExponent) {
            inExponent = true;
            exponentSign = true;
            number += 'e';
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    // A dangling exponent marker ("12.5dB") contributes nothing.
    while (!number.empty() && (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
        number.pop_back();
    // from_chars, unlike strtod, ignores the user's locale (a decimal comma
    // would cut "12.5" to 12) and takes no leading "+".
    const char *first = number.data();
    const char *last = first + number.size();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    Q_UNUSED(end);
    return error == std::errc() && std::isfinite(value) ? value : 0;
}

int clampedWhole(const QString &text, int low, int high)
{
    const qint64 whole = roundHalfEven(Val(text));
    return int(std::clamp<qint64>(whole, low, std::max(low, high)));
}

// --- Text ---

QString Field(const QString &text, const QString &delimiter, int index)
{
    if (index < 1)
        return {};
    if (delimiter.isEmpty())
        return index == 1 ? text : QString();
    qsizetype start = 0;
    for (int i = 1; i < index; ++i) {
        const qsizetype hit = text.indexOf(delimiter, start);
        if (hit < 0)
            return {};
        start = hit + delimiter.size();
    }
    const qsizetype end = text.indexOf(delimiter, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

int CountChar(const QString &text, const QString &find)
{
    if (find.isEmpty())
        return 0;
    int count = 0;
    for (qsizetype hit = text.indexOf(find); hit >= 0; hit = text.indexOf(find, hit + 1))
        ++count;
    return count;
}

qsizetype IndexOfNoCase(QStringView text, QStringView needle, qsizetype from)
{
    const auto ascii = [](QChar c) { return c.unicode() < 0x80; };
    if (!std::all_of(needle.begin(), needle.end(), ascii) || needle.isEmpty() || from < 0)
        return text.indexOf(needle, from, Qt::CaseInsensitive);
    const auto fold = [](char16_t c) -> char16_t {
        if (c >= u'A' && c <= u'Z')
            return char16_t(c + 32);
        // The two characters outside ASCII whose case folds into it.
        if (c == 0x212A)
            return u'k';
        if (c == 0x017F)
            return u's';
        return c;
    };
    const char16_t first = fold(needle.front().unicode());
    const qsizetype last = text.size() - needle.size();
    const char16_t *t = reinterpret_cast<const char16_t *>(text.data());
    const char16_t *n = reinterpret_cast<const char16_t *>(needle.data());
    for (qsizetype i = from; i <= last; ++i) {
        if (fold(t[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < needle.size() && fold(t[i + k]) == fold(n[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return -1;
}

QString GetMiddle(const QString &startText, const QString &endText, const QString &text,
                  int startPos, bool caseSensitive)
{
    if (startPos == 0)
        startPos = 1;
    if (startPos < 1 || startPos > text.size())
        return {};
    const auto find = [caseSensitive, &text](const QString &needle, qsizetype from) {
        return caseSensitive ? text.indexOf(needle, from) : IndexOfNoCase(text, needle, from);
    };
    const qsizetype first = find(startText, startPos - 1);
    if (first < 0)
        return {};
    const qsizetype from = first + startText.size();
    const qsizetype last = find(endText, from);
    if (last < 0)
        return {};
    return text.mid(from, last - from);
}

QString Quote(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

void AddToStringArray(QStringList &array, const QString &text)
{
    if (!array.isEmpty() && array.constLast().isEmpty())
        array.last() = text;
    else
        array.append(text);
}

QString PadBy(const QString &text, const QString &pad, int width, bool padLeft)
{
    if (pad.isEmpty() || width <= text.size())
        return text;
    const qint64 copies = roundHalfEven(double(width - text.size()) / double(pad.size()));
    const QString padding = pad.repeated(qsizetype(copies));
    return padLeft ? padding + text : text + padding;
}

void CutAt(QString &text, const QString &find)
{
    if (find.isEmpty())
        return;
    const qsizetype hit = text.indexOf(find, 0, Qt::CaseInsensitive);
    if (hit >= 0)
        text.truncate(hit);
}

qint32 Min_Long(qint32 a, qint32 b)
{
    return a < b ? a : b;
}

// --- Numbers and bits ---

QString Decimal2Binary(double value)
{
    qint64 whole = roundHalfEven(value);
    // A feature word with bit 31 set arrives as a negative 32-bit number; its
    // bit pattern is what the caller wants.
    if (whole < 0 && whole >= std::numeric_limits<qint32>::min())
        whole = qint64(quint32(qint32(whole)));
    QString digits;
    for (quint64 v = whole > 0 ? quint64(whole) : 0; v != 0; v >>= 1)
        digits.prepend(QLatin1Char((v & 1) ? '1' : '0'));
    return digits;
}

double Binary2Decimal(const QString &text)
{
    double sum = 0;
    for (const QChar c : text)
        sum = sum * 2 + (c == QLatin1Char('1') ? 1 : 0);
    return sum;
}

QByteArray ConvertToBits(const QString &digits, bool reverse)
{
    if (digits.isEmpty())
        return QByteArray(1, '\0');
    const qsizetype length = digits.size();
    QByteArray bits(length + 1, '\0');
    for (qsizetype i = 0; i < length; ++i) {
        const int d = digitValue(digits.at(i), 10);
        const char value = char(d < 0 ? 0 : d);
        if (reverse)
            bits[length - 1 - i] = value;
        else
            bits[i + 1] = value;
    }
    return bits;
}

float HalfOf(qint32 value)
{
    return float(value) / 2.0f;
}

// --- Sizes and rates ---

QString GetUnitSize(double bytes)
{
    // Half-open ranges: a fractional count such as an average rate between
    // 1023 and 1024 still gets a unit.
    struct Unit { double size; const char *name; };
    static constexpr Unit units[] = {
        {1073741824.0, " GB"}, {1048576.0, " MB"}, {1024.0, " KB"}, {1.0, " B "}};
    if (bytes >= 0 && std::isfinite(bytes)) {
        for (const Unit &u : units) {
            if (bytes >= u.size || u.size == 1.0)
                return QString::number(bytes / u.size, 'f', 2) + QLatin1String(u.name);
        }
    }
    return QString::number(bytes, 'g', 15) + QStringLiteral(" ??");
}

QString GetFormattedRate(const QString &text)
{
    QString spaced = text;
    spaced.replace(QLatin1Char('\t'), QLatin1Char(' '));
    const QStringList parts = spaced.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return text;
    float number = float(Val(parts.at(0)));
    const QString unit = parts.at(1).toLower();
    QString suffix;
    if (unit == QLatin1String("bps")) {
        number /= 1000.0f;
        suffix = QStringLiteral(" kbit/s");
    } else if (unit == QLatin1String("kbps")) {
        suffix = QStringLiteral(" kbit/s");
    } else if (unit == QLatin1String("mbps")) {
        suffix = QStringLiteral(" Mbit/s");
    } else if (unit == QLatin1String("gbps")) {
        suffix = QStringLiteral(" Gbit/s");
    } else {
        return text;
    }
    char buf[64];
    const auto format = std::fabs(number) < 1e15f ? std::chars_format::fixed : std::chars_format::scientific;
    const auto res = std::to_chars(buf, buf + sizeof buf, number, format);
    return QString::fromLatin1(buf, res.ptr - buf) + suffix;
}

// --- Files ---

QString ValidatePath(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString LoadAFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}

WriteResult SaveTextFile(const QString &text, const QString &path)
{
    return ReplaceFile(programFile(path), (text + LineEnd).toLatin1());
}

WriteResult WriteToFile(const QString &text, const QString &fileName, bool overwrite)
{
    const QString path = programFile(fileName);
    if (overwrite)
        return SaveTextFile(text, path);
    return AppendToFile(path, (text + LineEnd).toLatin1());
}

// --- Colours ---

int RedOf(quint32 colour)
{
    return int(colour & 0xFF);
}

int GreenOf(quint32 colour)
{
    return int((colour >> 8) & 0xFF);
}

int BlueOf(quint32 colour)
{
    return int((colour >> 16) & 0xFF);
}

QString ColourToText(quint32 colour)
{
    return QString::number(RedOf(colour)) + QLatin1Char('x') + QString::number(GreenOf(colour))
         + QLatin1Char('x') + QString::number(BlueOf(colour));
}

} // namespace quillon
