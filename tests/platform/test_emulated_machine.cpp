// The emulated machine's administration (EmulatedMachine.h), as nuvex-ras and the tests
// use it: entries, the adapter's counters, and refusals that leave the files alone.

#include "platform/EmulatedMachine.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace standin = nuvex::platform::rasstandin;

using RasStandinAdministration = nuvex::test::SandboxTest;

TEST_F(RasStandinAdministration, ReceivedBytesWrapAroundLikeTheRealCounter)
{
    EXPECT_EQ(standin::ReadAdapterStats().bytesReceived, 0u);
    standin::AddReceivedBytes(4294967290u);
    standin::AddReceivedBytes(10);
    EXPECT_EQ(standin::ReadAdapterStats().bytesReceived, 4u);
    standin::AddReceivedBytes((std::uint64_t{1} << 32) * 3 + 1);
    EXPECT_EQ(standin::ReadAdapterStats().bytesReceived, 5u);
    standin::SetConnectSpeed(57600);
    EXPECT_EQ(standin::ReadAdapterStats().connectSpeed, 57600u);
}

TEST_F(RasStandinAdministration, EntriesRoundTripThroughTheApi)
{
    standin::AddEntry("Domů", {420, "2", "123456"});
    standin::AddEntry("\"V uvozovkách\"", {0, "", " 555 "});
    EXPECT_EQ(standin::EntryNames(), (std::vector<std::string>{"Domů", "\"V uvozovkách\""}));
    const auto quoted = standin::GetEntry("\"v uvozovkách\"");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->localNumber, " 555 ");

    standin::SetEntry("DOMŮ", {0, "", "1"});
    const auto home = standin::GetEntry("Domů");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->countryCode, 0u);
    EXPECT_EQ(home->areaCode, "");
    EXPECT_EQ(home->localNumber, "1");

    standin::RemoveEntry("domů");
    EXPECT_FALSE(standin::GetEntry("Domů"));
    EXPECT_EQ(standin::EntryNames().size(), 1u);
}

TEST_F(RasStandinAdministration, RefusalsLeaveTheFilesByteIdentical)
{
    standin::AddEntry("Domů", {420, "2", "123456"});
    standin::Dial("Domů");
    const std::string phonebook = nuvex::test::ReadPlainBytes(standin::PhonebookPath());
    const std::string connections = nuvex::test::ReadPlainBytes(standin::ConnectionsPath());

    const standin::EntryNumber good{0, "", "1"};
    const std::vector<std::string> badNames = {
        "",   std::string(257, 'a'), "a\nb", "a\rb", std::string("a\0b", 3), "a]b", "[a", ";a", " a", "a ",
        "a\t"};
    for (const std::string& name : badNames)
        EXPECT_THROW(standin::AddEntry(name, good), standin::StandinError) << name;
    EXPECT_THROW(standin::AddEntry("DOMŮ", good), standin::StandinError);
    EXPECT_NO_THROW(standin::AddEntry(std::string(256, 'a'), good));
    standin::RemoveEntry(std::string(256, 'a'));

    const std::vector<standin::EntryNumber> badNumbers = {{0, "12345678901", "1"},
                                                          {0, "", ""},
                                                          {0, "", std::string(129, '1')},
                                                          {0, "", "1\n2"},
                                                          {0, "\x01", "1"}};
    for (const auto& number : badNumbers) {
        EXPECT_THROW(standin::AddEntry("Nová", number), standin::StandinError);
        EXPECT_THROW(standin::SetEntry("Domů", number), standin::StandinError);
    }
    EXPECT_THROW(standin::SetEntry("Nikde", good), standin::StandinError);
    EXPECT_THROW(standin::RemoveEntry("Nikde"), standin::StandinError);

    EXPECT_EQ(nuvex::test::ReadPlainBytes(standin::PhonebookPath()), phonebook);
    EXPECT_EQ(nuvex::test::ReadPlainBytes(standin::ConnectionsPath()), connections);
}
