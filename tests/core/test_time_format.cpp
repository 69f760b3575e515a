#include "ui/TimeFormat.h"

#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

TEST(TimeFormat, LongFormatHasSecondsAndNoTimeZone)
{
    const QLocale czech(QLocale::Czech, QLocale::Czechia);
    EXPECT_EQ(LongTimeFormat(czech), u"H:mm:ss"_s);
    EXPECT_EQ(czech.toString(QTime(14, 3, 25), LongTimeFormat(czech)), u"14:03:25"_s);
    EXPECT_EQ(czech.toString(QTime(9, 3, 5), LongTimeFormat(czech)), u"9:03:05"_s);

    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        const QString format = LongTimeFormat(locale);
        SCOPED_TRACE(format.toStdString());
        EXPECT_FALSE(format.contains(u't'));
        EXPECT_TRUE(format.contains(u"ss"_s));
        EXPECT_EQ(format, format.trimmed());
    }
}
