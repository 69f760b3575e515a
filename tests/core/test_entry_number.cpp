#include "watch/EntryNumber.h"

#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

struct SplitCase
{
    const char16_t* text;
    const char16_t* country;
    const char16_t* area;
    const char16_t* local;
};

} // namespace

TEST(EntryNumber, FormatsTheThreeFields)
{
    EXPECT_EQ(FormatEntryNumber(420, u"2"_s, u"123456"_s), u"420-(2)-123456"_s);
    EXPECT_EQ(FormatEntryNumber(420, u"2"_s, u"123"_s), u"420-(2)-123"_s);
    EXPECT_EQ(FormatEntryNumber(0, QString(), u"555"_s), u"555"_s);
    // A country code without an area is joined straight to the local number.
    EXPECT_EQ(FormatEntryNumber(420, QString(), u"555"_s), u"420555"_s);
    EXPECT_EQ(FormatEntryNumber(0, u"2"_s, u"555"_s), u"-(2)-555"_s);
    EXPECT_EQ(FormatEntryNumber(4294967295u, u"99"_s, u"1"_s), u"4294967295-(99)-1"_s);
}

TEST(EntryNumber, SplitsAsTheProgramAlwaysHas)
{
    const SplitCase cases[] = {
        {u"420-(2)-123", u"420", u"2", u"123"},
        {u"420-(2)-123456", u"420", u"2", u"123456"},
        {u"555", u"0", u"", u"555"},
        {u"", u"0", u"", u""},
        {u"-(2)-555", u"", u"2", u"555"},               // no country before the dash
        {u"1-(800)-FLOWERS", u"1", u"800", u"FLOWERS"}, // letters pass through
        {u"420-123", u"420", u"", u"20-123"},           // no ")": the tail starts at the 2nd character
        {u"420-()-77", u"420", u"", u"77"},
        {u"420-(2)-12-34", u"420", u"2", u"12-34"}, // only the first dash and ")" count
    };
    for (const SplitCase& c : cases) {
        const TEntryNumberParts parts = SplitEntryNumber(QString::fromUtf16(c.text));
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        EXPECT_EQ(parts.CountryCode, QString::fromUtf16(c.country));
        EXPECT_EQ(parts.AreaCode, QString::fromUtf16(c.area));
        EXPECT_EQ(parts.LocalNumber, QString::fromUtf16(c.local));
    }
}

TEST(EntryNumber, SplitUndoesFormatForEveryWellFormedNumber)
{
    for (quint32 country : {0u, 1u, 420u, 65535u})
        for (const QString& area : {QString(), u"2"_s, u"0123456789"_s})
            for (const QString& local : {u"1"_s, u"123456"_s, QString(128, u'9')}) {
                const QString text = FormatEntryNumber(country, area, local);
                const TEntryNumberParts parts = SplitEntryNumber(text);
                if (country != 0 && area.isEmpty())
                    continue; // country and local run together: not separable by design
                EXPECT_EQ(ParseCountryCode(parts.CountryCode.isEmpty() ? u"0"_s : parts.CountryCode), country)
                    << text.toStdString();
                EXPECT_EQ(parts.AreaCode, area) << text.toStdString();
                EXPECT_EQ(parts.LocalNumber, local) << text.toStdString();
            }
}

TEST(EntryNumber, ParsesOnlyPlainDecimalCountryCodes)
{
    EXPECT_EQ(ParseCountryCode(u"420"_s), 420u);
    EXPECT_EQ(ParseCountryCode(u"0"_s), 0u);
    EXPECT_EQ(ParseCountryCode(u"4294967295"_s), 4294967295u);
    EXPECT_FALSE(ParseCountryCode(u"4294967296"_s));
    EXPECT_FALSE(ParseCountryCode(QString()));
    EXPECT_FALSE(ParseCountryCode(u"+420"_s));
    EXPECT_FALSE(ParseCountryCode(u" 420"_s));
    EXPECT_FALSE(ParseCountryCode(u"42a"_s));
}
