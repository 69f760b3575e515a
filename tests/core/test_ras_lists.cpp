#include "platform/EmulatedMachine.h"
#include "platform/SystemPaths.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"
#include "watch/RasError.h"
#include "watch/RasHelperClasses.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;
namespace ras = platform::ras;

using RasLists = test::SandboxTest;

TEST_F(RasLists, PhonebookNotifiesOnlyAfterConstructionAndEvenWhenEmpty)
{
    TRasPhonebook phonebook;
    EXPECT_EQ(phonebook.Count(), 0);
    int events = 0;
    phonebook.OnChange = [&](TRasBaseList& sender) {
        EXPECT_EQ(&sender, &phonebook);
        ++events;
    };
    phonebook.Refresh();
    phonebook.Refresh();
    EXPECT_EQ(events, 2);
    EXPECT_EQ(phonebook.Count(), 0);
}

TEST_F(RasLists, PhonebookGrowsItsBufferForManyEntriesAndKeepsTheirOrder)
{
    for (int i = 0; i < 300; ++i)
        standin::AddEntry("Připojení " + std::to_string(299 - i), {420, "2", std::to_string(i)});
    TRasPhonebook phonebook;
    ASSERT_EQ(phonebook.Count(), 300);
    EXPECT_EQ(phonebook.Items(0).Name, u"Připojení 299"_s);
    EXPECT_EQ(phonebook.Items(299).Name, u"Připojení 0"_s);
    EXPECT_EQ(GetEntryNumber(phonebook.Items(1)), u"420-(2)-1"_s);
}

TEST_F(RasLists, EntryNumberTextFollowsTheFields)
{
    standin::AddEntry("Domů", {0, "", "555"});
    standin::AddEntry("Práce", {420, "2", "123"});
    standin::AddEntry("Bez oblasti", {420, "", "777"});
    TRasPhonebook phonebook;
    ASSERT_EQ(phonebook.Count(), 3);
    EXPECT_EQ(GetEntryNumber(phonebook.Items(0)), u"555"_s);
    EXPECT_EQ(GetEntryNumber(phonebook.Items(1)), u"420-(2)-123"_s);
    EXPECT_EQ(GetEntryNumber(phonebook.Items(2)), u"420777"_s);
}

TEST_F(RasLists, PropertiesWrittenBackReachTheService)
{
    standin::AddEntry("Internet", {420, "2", "123456"});
    TRasPhonebook phonebook;
    auto properties = phonebook.Items(0).GetProperties();
    ASSERT_GE(properties->Size(), sizeof(ras::RASENTRYA));
    EXPECT_EQ(properties->Entry()->dwCountryCode, 420u);
    std::strcpy(properties->Entry()->szLocalPhoneNumber, "999");
    phonebook.Items(0).SetProperties(std::move(properties), sizeof(ras::RASENTRYA));
    EXPECT_EQ(GetEntryNumber(phonebook.Items(0)), u"420-(2)-999"_s);
    EXPECT_EQ(standin::GetEntry("Internet")->localNumber, "999");
}

// The write size and the free-and-check flag are two things: the size says how much of
// the record the service gets (its fixed part, whatever the record's total), the flag
// whether a failure raises.
TEST_F(RasLists, PropertiesAreWrittenWithTheSizeGivenNotTheRecordsTotal)
{
    standin::AddEntry("Internet", {420, "2", "123456"});
    TRasPhonebook phonebook;
    auto record = std::make_unique<TRasEntryProperties>(3000); // a platform reporting a larger total
    record->Entry()->dwSize = sizeof(ras::RASENTRYA);
    record->Entry()->dwCountryCode = 420;
    std::strcpy(record->Entry()->szLocalPhoneNumber, "42");
    auto tooShort = std::make_unique<TRasEntryProperties>(*record);
    EXPECT_EQ(phonebook.Items(0).SetProperties(std::move(tooShort), 1000, false),
              632u); // returned, not raised
    EXPECT_EQ(standin::GetEntry("Internet")->localNumber, "123456");
    EXPECT_EQ(phonebook.Items(0).SetProperties(std::move(record), sizeof(ras::RASENTRYA), true), 0u);
    EXPECT_EQ(standin::GetEntry("Internet")->localNumber, "42");

    standin::RemoveEntry("Internet");
    auto again = std::make_unique<TRasEntryProperties>(sizeof(ras::RASENTRYA));
    again->Entry()->dwSize = sizeof(ras::RASENTRYA);
    EXPECT_EQ(phonebook.Items(0).SetProperties(std::move(again), sizeof(ras::RASENTRYA), false), 623u);
    again = std::make_unique<TRasEntryProperties>(sizeof(ras::RASENTRYA));
    again->Entry()->dwSize = sizeof(ras::RASENTRYA);
    EXPECT_THROW(phonebook.Items(0).SetProperties(std::move(again), sizeof(ras::RASENTRYA), true), ERasError);
}

TEST_F(RasLists, AnEntryThatVanishedRaisesTheRasError)
{
    standin::AddEntry("Internet", {420, "2", "1"});
    TRasPhonebook phonebook;
    standin::RemoveEntry("Internet");
    const auto error = test::Thrown<ERasError>([&] { GetEntryNumber(phonebook.Items(0)); });
    ASSERT_TRUE(error) << "no error";
    EXPECT_EQ(error->ErrorCode, 623u);
    EXPECT_TRUE(error->Message().startsWith(u"RAS Error code: 623.\n\""_s)) << error->what();
    EXPECT_TRUE(error->Message().endsWith(u'"'));
    EXPECT_EQ(error->Message(), u"RAS Error code: 623.\n\""_s + RasErrorText(623) + u'"');
}

TEST_F(RasLists, ErrorTextsComeFromTheRasTableUpTo798)
{
    EXPECT_EQ(RasCheck(0), 0u);
    EXPECT_FALSE(RasErrorText(603).isEmpty());
    EXPECT_FALSE(RasErrorText(798).isEmpty());
    char buffer[256] = {};
    ASSERT_EQ(ras::RasGetErrorStringA(798, buffer, sizeof buffer), 0u);
    EXPECT_EQ(RasErrorText(798), QString::fromUtf8(buffer));
    // 799 is beyond the RAS table: the system's text, not the RAS one.
    EXPECT_NE(ras::RasGetErrorStringA(799, buffer, sizeof buffer), 0u);
    EXPECT_FALSE(RasErrorText(799).isEmpty());
    EXPECT_THROW(RasCheck(632), ERasError);
}

TEST_F(RasLists, AFailedRefreshLeavesTheListEmptyAndSilent)
{
    standin::AddEntry("Internet", {420, "2", "1"});
    TRasPhonebook phonebook;
    ASSERT_EQ(phonebook.Count(), 1);
    int events = 0;
    phonebook.OnChange = [&](TRasBaseList&) {
        ++events;
    };
    // A phonebook that cannot be read: a folder stands where the file should be.
    const std::filesystem::path file = standin::PhonebookPath();
    std::filesystem::rename(file, file.string() + ".bak");
    std::filesystem::create_directory(file);
    EXPECT_THROW(phonebook.Refresh(), ERasError);
    EXPECT_EQ(phonebook.Count(), 0);
    EXPECT_EQ(events, 0);
}

TEST_F(RasLists, ConnectionsListShowsStatesAndNames)
{
    standin::AddEntry("Internet", {420, "2", "1"});
    standin::AddEntry("Záloha", {420, "2", "2"});
    standin::Dial("Internet");
    standin::Dial("Záloha", standin::ConnectionState::Dialling);
    TRasConnectionsList connections;
    ASSERT_EQ(connections.Count(), 2);
    EXPECT_EQ(connections.Items(0).EntryName(), u"Internet"_s);
    EXPECT_EQ(connections.Items(1).EntryName(), u"Záloha"_s);
    EXPECT_EQ(connections.Items(0).GetConnectStatus().rasconnstate, ras::RASCS_Connected);
    EXPECT_EQ(connections.Items(1).GetConnectStatus().rasconnstate, ras::RASCS_ConnectDevice);
    standin::Drop("Internet");
    EXPECT_EQ(connections.Items(0).GetConnectStatus().rasconnstate, ras::RASCS_Disconnected);
    standin::HangUp("Internet");
    EXPECT_THROW(connections.Items(0).GetConnectStatus(), ERasError);
}

TEST_F(RasLists, HangUpWaitsUntilGoneThenRefreshesInsideTheCall)
{
    standin::AddEntry("Internet", {420, "2", "1"});
    standin::Dial("Internet", standin::ConnectionState::Connected, 400);
    TRasConnectionsList connections;
    ASSERT_EQ(connections.Count(), 1);
    int countSeenByHandler = -1;
    connections.OnChange = [&](TRasBaseList& sender) {
        countSeenByHandler = sender.Count();
    };
    const auto start = std::chrono::steady_clock::now();
    connections.Items(0).HangUp(0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(400));
    EXPECT_LT(waited, std::chrono::milliseconds(3000));
    EXPECT_EQ(countSeenByHandler, 0);
    EXPECT_EQ(connections.Count(), 0);
    EXPECT_TRUE(standin::Connections().empty());
}

TEST_F(RasLists, HangUpOfAStuckLineGivesUpAtTheBoundNamingTheConnection)
{
    EXPECT_EQ(kHangUpWaitLimit, std::chrono::seconds(30));
    standin::AddEntry("Zaseklé", {420, "2", "1"});
    standin::Dial("Zaseklé", standin::ConnectionState::Connected, -1);
    TRasConnectionsList connections;
    bool notified = false;
    connections.OnChange = [&](TRasBaseList&) {
        notified = true;
    };
    const auto start = std::chrono::steady_clock::now();
    const auto error =
        test::Thrown<ERasError>([&] { connections.Items(0).HangUp(0, std::chrono::milliseconds(500)); });
    ASSERT_TRUE(error) << "a stuck line must not end the wait as if it were gone";
    EXPECT_TRUE(error->Message().contains(u"Zaseklé"_s)) << error->what();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(notified);
    EXPECT_EQ(standin::Connections().size(), 1u);
}

TEST_F(RasLists, HangUpWithATimeOutStopsWaitingWhenTheBudgetRunsOut)
{
    standin::AddEntry("Zaseklé", {420, "2", "1"});
    standin::Dial("Zaseklé", standin::ConnectionState::Connected, -1);
    TRasConnectionsList connections;
    const auto start = std::chrono::steady_clock::now();
    connections.Items(0).HangUp(1); // ten polls, then the list is refreshed anyway
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    EXPECT_LT(waited, std::chrono::milliseconds(5000));
    EXPECT_EQ(connections.Count(), 1);
}
