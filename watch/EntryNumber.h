#pragma once

// Number text: the one-line form of an entry's country code, area code and local number
// that the watch compares, shows and stores, for example 420-(2)-123456.

#include <QString>
#include <optional>

namespace nuvex {

struct TEntryNumberParts
{
    QString CountryCode; // decimal text; "0" when the text has no country part
    QString AreaCode;
    QString LocalNumber;
};

// Joins the three number fields: a country code of 0 is left out, an area code is
// written as "-(area)-", and nothing else goes between the parts.
QString FormatEntryNumber(quint32 countryCode, const QString& areaCode, const QString& localNumber);

// Takes a number text apart the way the program always has: the country runs to the
// first "-", the area from two characters after it to the first ")", and the local number
// is what follows two characters after that ")". A text without "-" is a local number.
TEntryNumberParts SplitEntryNumber(const QString& text);

// The country code as a number, or nothing when the text is not a plain decimal number
// in the 32-bit range.
std::optional<quint32> ParseCountryCode(const QString& text);

} // namespace nuvex
