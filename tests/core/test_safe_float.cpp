#include "settings/qnOptions.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

constexpr double kMax = std::numeric_limits<double>::max();
const double kValues[] = {-1.5,    1e-5,   -2.5e20, 37380.6, -37380.604166666664, 0.0, 1e300,
                          -1e-300, 5e-324, kMax,    -kMax};

bool Close(double a, double b)
{
    return std::fabs(a - b) <= std::fabs(b) * 1e-14;
}

} // namespace

// Dates move with their files between machines: what one locale writes, any locale reads,
// negative numbers and exponents included.
TEST(SafeFloat, ReadsBackInEveryLocaleAndAcrossLocales)
{
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    const QLocale others[] = {QLocale::c(), QLocale(u"cs_CZ"_s), QLocale(u"ar_EG"_s), QLocale(u"sv_SE"_s)};
    QStringList failures;
    for (const QLocale& locale : locales) {
        for (const double value : kValues) {
            const QString text = FloatToSafeStr(value, locale);
            if (text.contains(locale.decimalPoint()))
                failures << locale.name() + u": separator in " + text;
            for (const QLocale& reader : others) {
                for (const QLocale& r : {locale, reader}) {
                    try {
                        if (!Close(SafeStrToFloat(text, r), value))
                            failures << locale.name() + u"→" + r.name() + u": " + text;
                    } catch (const EConvertError&) {
                        failures << locale.name() + u"→" + r.name() + u": refused " + text;
                    }
                }
            }
        }
        if (failures.size() > 20)
            break;
    }
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u"\n").toStdString();
}

TEST(SafeFloat, WritesDigitsWithQuestionMarkForTheSeparator)
{
    const QLocale czech(u"cs_CZ"_s);
    EXPECT_EQ(FloatToSafeStr(37380.6, czech), u"37380?6"_s);
    EXPECT_EQ(FloatToSafeStr(-1.5, QLocale(u"sv_SE"_s)), u"-1?5"_s);
    EXPECT_EQ(FloatToSafeStr(-1.5, QLocale(u"ar_EG"_s)), u"-1?5"_s);
    EXPECT_EQ(FloatToSafeStr(2.5e-5, QLocale(u"ar_EG"_s)), u"2?5e-05"_s);
    EXPECT_EQ(FloatToSafeStr(37380.0, czech), u"37380"_s);
}

// Texts that earlier versions wrote with the locale's own signs and digits still read.
TEST(SafeFloat, ReadsTheLocalesOwnSymbolsAsEarlierVersionsWroteThem)
{
    EXPECT_DOUBLE_EQ(SafeStrToFloat(u"\u061C-\u0661?\u0665"_s, QLocale(u"ar_EG"_s)), -1.5);
    EXPECT_DOUBLE_EQ(SafeStrToFloat(u"\u200E-1?5"_s, QLocale(u"ar_DZ"_s)), -1.5);
    EXPECT_DOUBLE_EQ(SafeStrToFloat(u"\u2212"_s + u"1?5"_s, QLocale(u"sv_SE"_s)), -1.5);
    EXPECT_DOUBLE_EQ(SafeStrToFloat(u"37380?5"_s, QLocale(u"de_DE"_s)), 37380.5);
}

TEST(SafeFloat, RefusesWhatIsNoNumber)
{
    const QLocale czech(u"cs_CZ"_s);
    for (const QString& text : {u""_s, u"abc"_s, u"1?2?3"_s, u"1.5"_s, u"1 000"_s, u"?"_s, u"1e"_s}) {
        EXPECT_THROW(SafeStrToFloat(text, czech), EConvertError) << text.toStdString();
    }
}
