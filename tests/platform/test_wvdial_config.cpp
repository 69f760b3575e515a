// wvdial's dialers as wvdial looks their options up, and the in-place rewrite of a number.

#include "platform/WvdialConfig.h"

#include <gtest/gtest.h>

using namespace nuvex::platform::wvdial;

TEST(WvdialConfig, InheritsThenDefaultsAndTheLaterFileWins)
{
    const Config config({File{"/etc/wvdial.conf",
                              "[Dialer Defaults]\nModem = /dev/ttyS0\nBaud = 57600\nPhone = 111\n"
                              "Area Code = 02\n\n"
                              "[Dialer base]\nDial Prefix = 9\nPhone = 222\n\n"
                              "[Dialer work]\nInherits = base\nPhone1 = 333\n; comment\n"
                              "[Modem0]\nPhone = 999\n",
                              {}},
                         File{"/home/u/.wvdialrc", "[dialer WORK]\nphone3 = 444\nBaud = 115200\n", {}}});
    EXPECT_EQ(config.Dialers(), (std::vector<std::string>{"Defaults", "base", "work"}));
    EXPECT_EQ(config.Get("work", "Phone"), "222");    // inherited from base
    EXPECT_EQ(config.Get("work", "Area Code"), "02"); // from Defaults
    EXPECT_EQ(config.Get("work", "Baud"), "115200");  // ~/.wvdialrc wins
    EXPECT_EQ(config.Number("work"), "9,02222; 333; 444");
    EXPECT_EQ(config.Number("Defaults"), "02111");
    EXPECT_EQ(config.Number("missing"), "02111"); // only Defaults apply
}

TEST(WvdialConfig, AnEmptyValueIsNotSetAndInheritsLoopsEnd)
{
    const Config config({File{"w",
                              "[Dialer Defaults]\nPhone = \n[Dialer a]\nInherits = b\n"
                              "[Dialer b]\nInherits = a\nPhone = 5\n",
                              {}}});
    EXPECT_EQ(config.Number("Defaults"), "");
    EXPECT_EQ(config.Number("a"), "5");
}

TEST(WvdialConfig, RewritesThePhoneValuesWhereTheyStandAndKeepsEveryOtherByte)
{
    const std::string etc = "[Dialer Defaults]\r\nPhone = 111\r\nUsername = me  \r\n\r\n"
                            "[Dialer work]\r\nPhone1 =   333   \r\nPhone3 = 444\r\n# end\r\n";
    const Config config({File{"etc", etc, {}}});
    ASSERT_EQ(config.Number("work"), "111; 333; 444");

    // Same count of numbers: each value replaced in its place.
    const auto same = config.EditsFor("work", "112; 334; 445");
    ASSERT_TRUE(same);
    const std::string rewritten = ApplyEdits(etc, *same);
    EXPECT_EQ(rewritten, "[Dialer Defaults]\r\nPhone = 112\r\nUsername = me  \r\n\r\n"
                         "[Dialer work]\r\nPhone1 =   334   \r\nPhone3 = 445\r\n# end\r\n");
    EXPECT_EQ(Config({File{"etc", rewritten, {}}}).Number("work"), "112; 334; 445");

    // A surplus alternate is emptied; a missing one is added to the dialer's own section.
    const auto fewer = config.EditsFor("work", "111; 333");
    ASSERT_TRUE(fewer);
    EXPECT_EQ(Config({File{"etc", ApplyEdits(etc, *fewer), {}}}).Number("work"), "111; 333");
    const auto more = config.EditsFor("work", "111; 333; 444; 555");
    ASSERT_TRUE(more);
    const std::string added = ApplyEdits(etc, *more);
    EXPECT_EQ(Config({File{"etc", added, {}}}).Number("work"), "111; 333; 444; 555");
    EXPECT_TRUE(added.starts_with("[Dialer Defaults]\r\nPhone = 111\r\nUsername = me  \r\n\r\n")) << added;
}

TEST(WvdialConfig, RefusesWhatItCannotWriteBack)
{
    const Config config({File{"etc", "[Dialer x]\nDial Prefix = 0\nPhone = 5\n", {}}});
    EXPECT_EQ(config.Number("x"), "0,5");
    EXPECT_FALSE(config.EditsFor("x", "1,5")); // the prefix is not rewritten
    EXPECT_FALSE(config.EditsFor("x", "0,1; 2; 3; 4; 5; 6"));
    EXPECT_FALSE(config.EditsFor("x", "0, 5"));   // wvdial would trim the blank away
    EXPECT_FALSE(config.EditsFor("nobody", "5")); // no section of its own
    EXPECT_TRUE(config.EditsFor("x", "0,6"));
}

TEST(WvdialConfig, RefusesToEmptyAValueThatAnInheritedOneWouldReplace)
{
    const Config config({File{"etc",
                              "[Dialer Defaults]\nPhone = 7\nPhone1 = 8\n"
                              "[Dialer isp]\nPhone = 1\nPhone1 = 2\n",
                              {}}});
    ASSERT_EQ(config.Number("isp"), "1; 2");
    EXPECT_FALSE(config.EditsFor("isp", "3"));   // Defaults' Phone1 would show through
    EXPECT_FALSE(config.EditsFor("isp", "; 2")); // and so would its Phone
    const auto both = config.EditsFor("isp", "3; 4");
    ASSERT_TRUE(both);
    EXPECT_EQ(Config({File{"etc", ApplyEdits(config.Files()[0].text, *both), {}}}).Number("isp"), "3; 4");
}
