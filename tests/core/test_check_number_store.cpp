#include "core/CheckStoreFile.h"
#include "ui/IniFile.h"
#include "watch/CheckNumberStore.h"

#include <gtest/gtest.h>

using namespace nuvex;
using namespace nuvex::test;
using namespace Qt::StringLiterals;

TEST_F(CheckStore, AMissingFileIsAnEmptyStoreAndAWriteMakesItInTheWindowsDirectoryInItsFormat)
{
    EXPECT_TRUE(TCheckNumberStore::SectionNames().isEmpty());
    EXPECT_EQ(TCheckNumberStore::ReadCheckNumber(u"Internet"_s), QString());
    TCheckNumberStore::WriteCheckNumber(u"Internet"_s, u"420-(2)-123456"_s);
    EXPECT_EQ(ReadBytes(StorePath()), QByteArray("[Internet]\r\nTn=420-(2)-123456\r\n"));
    TCheckNumberStore::WriteCheckNumber(u"INTERNET"_s, u"555"_s); // same section, replaced
    EXPECT_EQ(ReadBytes(StorePath()), QByteArray("[Internet]\r\nTn=555\r\n"));
    EXPECT_EQ(TCheckNumberStore::SectionNames(), QStringList{u"Internet"_s});
}

TEST_F(CheckStore, ARefusedWriteIsAnErrorAndChangesNothing)
{
    TCheckNumberStore::WriteCheckNumber(u"Internet"_s, u"1"_s);
    const QByteArray before = ReadBytes(StorePath());
    EXPECT_THROW(TCheckNumberStore::WriteCheckNumber(u"Internet"_s, u"1\r\n[Podvrh]\r\nTn=2"_s),
                 EIniFileError);
    EXPECT_THROW(TCheckNumberStore::WriteCheckNumber(u"Zlé]jméno"_s, u"1"_s), EIniFileError);
    EXPECT_EQ(ReadBytes(StorePath()), before);
}

TEST_F(CheckStore, SectionLookupIgnoresCaseAndTheFirstSpellingWins)
{
    WriteStoreBytes("[internet]\r\nTn=1\r\n[ŽELVA]\r\nTn=2\r\n[INTERNET]\r\nTn=3\r\n");
    const auto numbers = TCheckNumbers::Read();
    ASSERT_NE(numbers->Find(u"Internet"_s), nullptr);
    EXPECT_EQ(*numbers->Find(u"Internet"_s), u"1"_s);
    ASSERT_NE(numbers->Find(u"želva"_s), nullptr);
    EXPECT_EQ(*numbers->Find(u"želva"_s), u"2"_s);
    EXPECT_EQ(numbers->Find(u"Jiné"_s), nullptr);
    EXPECT_EQ(numbers->Count(), 2);
}

TEST_F(CheckStore, OneReadingServesWhileTheFileIsUnchangedAndAWriteIsSeenAtOnce)
{
    WriteStoreBytes("[Internet]\r\nTn=1\r\n");
    const auto first = TCheckNumbers::Read();
    EXPECT_EQ(TCheckNumbers::Read(), first); // not read or built again

    TCheckNumberStore::WriteCheckNumber(u"Práce"_s, u"2"_s);
    const auto second = TCheckNumbers::Read();
    ASSERT_NE(second->Find(u"PRÁCE"_s), nullptr);
    EXPECT_EQ(*second->Find(u"PRÁCE"_s), u"2"_s);
    EXPECT_EQ(first->Find(u"Práce"_s), nullptr); // an earlier reading stays as it was

    // A hand edit of the same size within the same second is seen too.
    WriteStoreBytes("[Internet]\r\nTn=9\r\n[Práce]\r\nTn=2\r\n");
    EXPECT_EQ(*TCheckNumbers::Read()->Find(u"internet"_s), u"9"_s);

    QFile::remove(StorePath());
    EXPECT_EQ(TCheckNumbers::Read()->Count(), 0);
}
