#include "MainWindowFixture.h"
#include "app/Startup.h"
#include "news/VersionInfo.h"

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

class StartupNewsDecision : public test::MainWindowFixture
{
protected:
    // Stands in for the news window: records what it was given and answers like a user
    // who checks "Beru to na vědomí" (or not).
    void Run(const QString& version, bool acknowledge)
    {
        StartupNews(version, {u"8. prosinec 2026"_s, u"- novinka"_s},
                    [&](bool& show, const QString& title, const QStringList& news) {
                        shownWith.push_back(show);
                        EXPECT_FALSE(title.isEmpty());
                        EXPECT_EQ(news.size(), 2);
                        if (show)
                            show = !acknowledge;
                    });
    }
    std::vector<bool> shownWith;
};

} // namespace

TEST_F(StartupNewsDecision, FirstStartEverShowsTheNewsAndRemembersTheVersion)
{
    Run(u"2.0.0.1"_s, false);
    ASSERT_EQ(shownWith, std::vector<bool>{true});
    EXPECT_EQ(Options->ReadString(u"LastWhatsNew"_s), u"2.0.0.1"_s);
    EXPECT_TRUE(Options->ReadBool(u"ShowNews"_s)); // not acknowledged: shown again next time

    Run(u"2.0.0.1"_s, true);
    EXPECT_EQ(shownWith, (std::vector<bool>{true, true}));
    EXPECT_FALSE(Options->ReadBool(u"ShowNews"_s));

    Run(u"2.0.0.1"_s, false); // same version, acknowledged: not shown, nothing changes
    EXPECT_EQ(shownWith.back(), false);
    EXPECT_FALSE(Options->ReadBool(u"ShowNews"_s));
    EXPECT_EQ(Options->ReadString(u"LastWhatsNew"_s), u"2.0.0.1"_s);
}

TEST_F(StartupNewsDecision, ANewVersionShowsTheNewsOnceMoreEvenWhenAcknowledged)
{
    Options->WriteString(u"LastWhatsNew"_s, u"2.0.0.1"_s);
    Options->WriteBool(u"ShowNews"_s, false);
    Run(u"2.0.0.2"_s, true);
    EXPECT_EQ(shownWith, std::vector<bool>{true});
    EXPECT_EQ(Options->ReadString(u"LastWhatsNew"_s), u"2.0.0.2"_s);
    EXPECT_FALSE(Options->ReadBool(u"ShowNews"_s));
}

TEST(VersionTexts, ComeFromTheProjectVersion)
{
    const auto info = ReadProgramVersion();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ProductVersion[0], 2);
    EXPECT_EQ(info->ProductVersion[1], 0);
    EXPECT_EQ(BuildText(), u"build "_s + VersionText());
    EXPECT_TRUE(BuildText().startsWith(u"build 2.0."_s));

    TFileVersionInfo custom{{1, 2, 3, 4}, {5, 6, 7, 8}, QString()};
    EXPECT_EQ(BuildText(custom), u"build 1.2.3.4"_s);
    EXPECT_EQ(VersionText(custom), u"5.6.7.8"_s); // no FileVersion text: the file version's parts
    custom.FileVersionText = u"2.0 beta"_s;
    EXPECT_EQ(VersionText(custom), u"2.0 beta"_s);
}
