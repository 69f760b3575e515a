#include "platform/SystemPaths.h"
#include "support/FileBytes.h"
#include "support/Sandbox.h"
#include "ui/IniFile.h"
#include "watch/CheckNumberStore.h"
#include "watch/NumberWatch.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

QString StorePath()
{
    return QString::fromStdString(platform::WindowsDir()) + u"/Nuvex.val"_s;
}

QByteArray ReadStoreBytes()
{
    return test::ReadBytes(StorePath());
}

void WriteStoreBytes(const QByteArray& bytes)
{
    platform::MakeDirs(platform::WindowsDir());
    QFile file(StorePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class CheckStore : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
};

} // namespace

TEST_F(CheckStore, MissingFileIsAnEmptyStore)
{
    EXPECT_TRUE(TCheckNumberStore::SectionNames().isEmpty());
    EXPECT_EQ(TCheckNumberStore::ReadCheckNumber(u"Internet"_s), QString());
}

TEST_F(CheckStore, WritesTheFileInTheWindowsDirectoryInItsFormat)
{
    TCheckNumberStore::WriteCheckNumber(u"Internet"_s, u"420-(2)-123456"_s);
    EXPECT_EQ(ReadStoreBytes(), QByteArray("[Internet]\r\nTn=420-(2)-123456\r\n"));
    TCheckNumberStore::WriteCheckNumber(u"INTERNET"_s, u"555"_s); // same section, replaced
    EXPECT_EQ(ReadStoreBytes(), QByteArray("[Internet]\r\nTn=555\r\n"));
    EXPECT_EQ(TCheckNumberStore::SectionNames(), QStringList{u"Internet"_s});
}

TEST_F(CheckStore, ARefusedWriteIsAnErrorAndChangesNothing)
{
    TCheckNumberStore::WriteCheckNumber(u"Internet"_s, u"1"_s);
    const QByteArray before = ReadStoreBytes();
    EXPECT_THROW(TCheckNumberStore::WriteCheckNumber(u"Internet"_s, u"1\r\n[Podvrh]\r\nTn=2"_s),
                 EIniFileError);
    EXPECT_THROW(TCheckNumberStore::WriteCheckNumber(u"Zlé]jméno"_s, u"1"_s), EIniFileError);
    EXPECT_EQ(ReadStoreBytes(), before);
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

TEST_F(CheckStore, WatchPassClassifiesEntriesAgainstTheStore)
{
    WriteStoreBytes("[Internet]\r\nTn=420-(2)-123456\r\n[Práce]\r\nTn=420-(2)-1\r\n[Bez čísla]\r\n");
    TWatchPass pass(QString(), u"INTERNET2"_s);

    TWatchRow row = pass.Evaluate(u"internet"_s, u"420-(2)-123456"_s); // case-insensitive section match
    EXPECT_EQ(row.ImageIndex, imgInOrder);
    EXPECT_EQ(row.CheckNumber, u"420-(2)-123456"_s);
    EXPECT_EQ(pass.Decision(), TAlarmDecision::AllOk);

    row = pass.Evaluate(u"Nové"_s, u"900-(9)-9"_s);
    EXPECT_EQ(row.ImageIndex, imgUnregistered);
    EXPECT_EQ(row.CheckNumber, u"neznámé"_s);
    EXPECT_EQ(pass.NameToSelect(), u"Nové"_s);
    EXPECT_EQ(pass.Decision(), TAlarmDecision::Unregistered);

    row = pass.Evaluate(u"Bez čísla"_s, u"1"_s); // a section without Tn counts as changed
    EXPECT_EQ(row.ImageIndex, imgChanged);
    EXPECT_EQ(row.CheckNumber, QString());
    EXPECT_EQ(pass.Decision(), TAlarmDecision::Changed);

    row = pass.Evaluate(u"Práce"_s, u"420-(2)-1"_s);
    EXPECT_EQ(row.ImageIndex, imgInOrder);
    EXPECT_EQ(pass.NameToSelect(), u"Bez čísla"_s); // the last problem entry stays selected
}

TEST_F(CheckStore, ConnectedImageNeedsTheExactConnectionName)
{
    WriteStoreBytes("[Internet]\r\nTn=555\r\n");
    TWatchPass exact(QString(), u"Internet"_s);
    EXPECT_EQ(exact.Evaluate(u"Internet"_s, u"555"_s).ImageIndex, imgInOrderConnected);
    TWatchPass otherCase(QString(), u"internet"_s);
    EXPECT_EQ(otherCase.Evaluate(u"Internet"_s, u"555"_s).ImageIndex, imgInOrder);
    TWatchPass changed(QString(), u"Internet"_s);
    EXPECT_EQ(changed.Evaluate(u"Internet"_s, u"556"_s).ImageIndex, imgChanged);
}

TEST(NumberWatch, CheckNumberComparisonIsCaseSensitive)
{
    test::Sandbox sandbox;
    WriteStoreBytes("[Internet]\r\nTn=1-(800)-flowers\r\n");
    TWatchPass pass{QString(), QString()};
    EXPECT_EQ(pass.Evaluate(u"Internet"_s, u"1-(800)-FLOWERS"_s).ImageIndex, imgChanged);
}

TEST(NumberWatch, RowSelectorFindsTheFirstCaptionIgnoringCase)
{
    TRowSelector selector;
    EXPECT_EQ(selector.AddRow(u"A"_s, u"b"_s), -1);
    EXPECT_EQ(selector.AddRow(u"B"_s, u"b"_s), 1); // appears later: selected when added
    EXPECT_EQ(selector.AddRow(u"b"_s, u"b"_s), 1); // first match stays
    EXPECT_EQ(selector.AddRow(u"C"_s, u"a"_s), 0); // a new name searches from the top
    EXPECT_EQ(selector.AddRow(u"D"_s, u"zz"_s), -1);

    TRowSelector empty;
    EXPECT_EQ(empty.AddRow(u"Č"_s, u"č"_s), 0);
}

TEST(NumberWatch, AlarmDecisionWritesTheWarningOncePerEpisode)
{
    TAlarmOutcome outcome = DecideAlarm(TAlarmDecision::Changed, false);
    EXPECT_TRUE(outcome.AlarmRaised);
    EXPECT_TRUE(outcome.ShowWindow);
    EXPECT_EQ(outcome.LogLine, kChangeWarning);

    outcome = DecideAlarm(TAlarmDecision::Unregistered, true); // switch of problem kind: nothing new
    EXPECT_TRUE(outcome.AlarmRaised);
    EXPECT_TRUE(outcome.ShowWindow);
    EXPECT_TRUE(outcome.LogLine.isEmpty());

    outcome = DecideAlarm(TAlarmDecision::Unregistered, false);
    EXPECT_EQ(outcome.LogLine, kUnregisteredWarning);

    outcome = DecideAlarm(TAlarmDecision::AllOk, true);
    EXPECT_FALSE(outcome.AlarmRaised);
    EXPECT_FALSE(outcome.ShowWindow);
    EXPECT_EQ(outcome.LogLine, u"Vše OK."_s);
}
