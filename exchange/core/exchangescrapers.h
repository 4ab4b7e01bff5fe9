#pragma once

// The values the distance lookup cuts out of the two web services' pages, by
// fixed text markers. Pure: any page text in, a value (or nothing) out.

#include <QString>

namespace quillon {

// The exchange code linked from the search page's results table; "" if none.
QString Exc_FindExchangeCode(const QString &page);
// The postcode cell of the exchange page; "" if none.
QString Exc_FindExchangePostcode(const QString &page);
// The driving distance of the directions page in km; 0 if none.
float Exc_FindDrivingDistance(const QString &page);

// A code or postcode fit to go into a request: ASCII letters and digits only,
// 1 to 10 of them.
bool IsLookupToken(const QString &text);
// The text with every blank removed, when the rest is a lookup token; "" otherwise.
QString LookupTokenWithoutBlanks(const QString &text);

} // namespace quillon
