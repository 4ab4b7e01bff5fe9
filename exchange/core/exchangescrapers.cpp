#include "exchange/core/exchangescrapers.h"

#include "base/misc.h"

#include <cmath>

namespace quillon {

namespace {

// The directions page delivers its HTML as an escaped script string: its
// markers hold a backslash, "x" and two hex digits, searched as written.
constexpr char CodeTableStart[] = "<table class=\"";
constexpr char CodeTableEnd[] = "</table>";
constexpr char CodeLinkStart[] = "a href=\"/broadband/exchange/";
constexpr char CodeLinkEnd[] = "\">";
constexpr char PostcodeRowStart[] = "Postcode:</td>";
constexpr char PostcodeRowEnd[] = "</tr>";
constexpr char PostcodeCellStart[] = "\">";
constexpr char PostcodeCellEnd[] = "</td>";
constexpr char RouteStart[] = "x3eDriving directions";
constexpr char RouteEnd[] = "about";
constexpr char MilesStart[] = "x3e\\x3cdiv\\x3e\\x3cb\\x3e";
constexpr char MilesEnd[] = "\\x26";
constexpr double KmPerMile = 1.6093440006146922;
constexpr qsizetype MaxTokenLength = 10;

QString cut(const char *start, const char *end, const QString &text)
{
    return GetMiddle(QString::fromLatin1(start), QString::fromLatin1(end), text, 1, false);
}

bool isAsciiLetterOrDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

} // namespace

QString Exc_FindExchangeCode(const QString &page)
{
    return cut(CodeLinkStart, CodeLinkEnd, cut(CodeTableStart, CodeTableEnd, page));
}

QString Exc_FindExchangePostcode(const QString &page)
{
    return cut(PostcodeCellStart, PostcodeCellEnd, cut(PostcodeRowStart, PostcodeRowEnd, page));
}

float Exc_FindDrivingDistance(const QString &page)
{
    const float km = float(Val(cut(MilesStart, MilesEnd, cut(RouteStart, RouteEnd, page))) * KmPerMile);
    // A page is outside input: a distance no float holds, or below zero, is none.
    return std::isfinite(km) && km > 0 ? km : 0.0f;
}

bool IsLookupToken(const QString &text)
{
    if (text.isEmpty() || text.size() > MaxTokenLength)
        return false;
    for (QChar c : text) {
        if (!isAsciiLetterOrDigit(c))
            return false;
    }
    return true;
}

QString LookupTokenWithoutBlanks(const QString &text)
{
    QString squeezed = text;
    squeezed.remove(QLatin1Char(' '));
    return IsLookupToken(squeezed) ? squeezed : QString();
}

} // namespace quillon
