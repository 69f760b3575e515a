#include "core/CheckStoreFile.h"
#include "watch/NumberWatch.h"

#include <gtest/gtest.h>

using namespace nuvex;
using namespace nuvex::test;
using namespace Qt::StringLiterals;

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

TEST_F(CheckStore, TheConnectionNameAndTheCheckNumberMustMatchExactly)
{
    WriteStoreBytes("[Internet]\r\nTn=555\r\n");
    TWatchPass exact(QString(), u"Internet"_s);
    EXPECT_EQ(exact.Evaluate(u"Internet"_s, u"555"_s).ImageIndex, imgInOrderConnected);
    TWatchPass otherCase(QString(), u"internet"_s);
    EXPECT_EQ(otherCase.Evaluate(u"Internet"_s, u"555"_s).ImageIndex, imgInOrder);
    TWatchPass changed(QString(), u"Internet"_s);
    EXPECT_EQ(changed.Evaluate(u"Internet"_s, u"556"_s).ImageIndex, imgChanged);

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
