#include "watch/EntryNumber.h"

namespace nuvex {

QString FormatEntryNumber(quint32 countryCode, const QString& areaCode, const QString& localNumber)
{
    QString country = QString::number(countryCode);
    if (country == u"0")
        country.clear();
    QString area = areaCode;
    if (!area.isEmpty())
        area = u"-(" + area + u")-";
    return country + area + localNumber;
}

TEntryNumberParts SplitEntryNumber(const QString& text)
{
    TEntryNumberParts parts{QStringLiteral("0"), QString(), QString()};
    QString rest = text;
    const qsizetype dash = rest.indexOf(u'-'); // 0-based; the 1-based position is dash + 1
    if (dash >= 0) {
        const qsizetype close = rest.indexOf(u')'); // -1 when absent
        parts.CountryCode = rest.left(dash);
        // Characters from two after the dash up to (not including) the first ")".
        const qsizetype areaStart = dash + 2;
        const qsizetype areaLength = close - areaStart;
        parts.AreaCode = areaLength > 0 ? rest.mid(areaStart, areaLength) : QString();
        // Everything from two characters after the first ")"; without one, the count
        // starts from the text's second character, as the original routine did.
        const qsizetype tailStart = close + 2;
        rest = tailStart < rest.size() ? rest.mid(tailStart) : QString();
    }
    parts.LocalNumber = rest;
    return parts;
}

std::optional<quint32> ParseCountryCode(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<quint32>(value);
}

} // namespace nuvex
