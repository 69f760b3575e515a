#include "platform/EmulatedMachine.h"
#include "platform/Ras.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace ras = nuvex::platform::ras;
namespace standin = nuvex::platform::rasstandin;
using nuvex::test::ReadPlainBytes;
using nuvex::test::WritePlainBytes;
using standin::ConnectionState;

std::string Section(const std::string& name, const std::string& number)
{
    return "[" + name + "]\r\nCountryCode=0\r\nAreaCode=\r\nPhoneNumber=" + number + "\r\n";
}

ras::DWORD GetProperties(const char* name, ras::RASENTRYA& entry)
{
    entry = {};
    entry.dwSize = sizeof(entry);
    ras::DWORD cb = sizeof(entry);
    return ras::RasGetEntryPropertiesA(nullptr, name, &entry, &cb, nullptr, nullptr);
}

ras::RASCONNSTATUSA Status(ras::HRASCONN handle, ras::DWORD& rc)
{
    ras::RASCONNSTATUSA status{};
    status.dwSize = sizeof(status);
    rc = ras::RasGetConnectStatusA(handle, &status);
    return status;
}

// The handles the service lists, read the way the watch reads them.
std::vector<ras::HRASCONN> ListedHandles()
{
    std::vector<ras::RASCONNA> buffer(1);
    buffer[0].dwSize = sizeof(ras::RASCONNA);
    ras::DWORD cb = sizeof(ras::RASCONNA);
    ras::DWORD count = 0;
    ras::DWORD rc = ras::RasEnumConnectionsA(buffer.data(), &cb, &count);
    if (rc == ras::ERROR_BUFFER_TOO_SMALL) {
        buffer.resize(count);
        buffer[0].dwSize = sizeof(ras::RASCONNA);
        rc = ras::RasEnumConnectionsA(buffer.data(), &cb, &count);
    }
    EXPECT_EQ(rc, ras::kSuccess);
    std::vector<ras::HRASCONN> handles;
    for (ras::DWORD i = 0; i < count; ++i)
        handles.push_back(buffer[i].hrasconn);
    return handles;
}

using RasStandinPhonebook = nuvex::test::SandboxTest;

class RasStandinConnections : public nuvex::test::SandboxTest
{
protected:
    void SetUp() override
    {
        standin::AddEntry("Domů", {420, "2", "123456"});
        standin::AddEntry("Práce", {0, "", "555"});
        standin::AddEntry("Chata", {0, "", "777"});
    }
};

TEST_F(RasStandinPhonebook, EnumerationGrowsTheBufferAndKeepsFileOrder)
{
    // Written by hand in descending order, so that sorting anywhere would show.
    std::string text;
    std::vector<std::string> names;
    for (int i = 299; i >= 0; --i) {
        names.push_back("Připojení " + std::to_string(i));
        text += Section(names.back(), std::to_string(i));
    }
    WritePlainBytes(standin::PhonebookPath(), text);

    std::vector<ras::RASENTRYNAMEA> buffer(1);
    buffer[0].dwSize = sizeof(ras::RASENTRYNAMEA);
    ras::DWORD cb = sizeof(ras::RASENTRYNAMEA);
    ras::DWORD count = 0;
    ASSERT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, buffer.data(), &cb, &count),
              ras::ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 300u * 264u);
    EXPECT_EQ(count, 300u);

    buffer.resize(cb / sizeof(ras::RASENTRYNAMEA));
    buffer[0].dwSize = sizeof(ras::RASENTRYNAMEA);
    ASSERT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, buffer.data(), &cb, &count), ras::kSuccess);
    ASSERT_EQ(count, 300u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(buffer[i].dwSize, 264u);
        EXPECT_EQ(std::string(buffer[i].szEntryName), names[i]);
    }
}

TEST_F(RasStandinPhonebook, MissingPhonebookIsEmptyAndBadArgumentsAreRefused)
{
    ras::DWORD cb = 0;
    ras::DWORD count = 99;
    EXPECT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, nullptr, &cb, &count), ras::kSuccess);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(cb, 0u);

    cb = 264;
    EXPECT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, nullptr, &cb, &count), ras::ERROR_BUFFER_INVALID);
    ras::RASENTRYNAMEA one{};
    one.dwSize = sizeof(one);
    EXPECT_EQ(ras::RasEnumEntriesA("x", nullptr, &one, &cb, &count), ras::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ras::RasEnumEntriesA(nullptr, "other.pbk", &one, &cb, &count), ras::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(standin::PhonebookPath()));
}

TEST_F(RasStandinPhonebook, RecordSizesAreChecked)
{
    standin::AddEntry("Domů", {420, "2", "123456"});

    ras::RASENTRYNAMEA name{};
    name.dwSize = 260;
    ras::DWORD cb = sizeof(name);
    ras::DWORD count = 0;
    EXPECT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, &name, &cb, &count), ras::ERROR_INVALID_SIZE);

    ras::RASENTRYA entry{};
    cb = 0;
    EXPECT_EQ(ras::RasGetEntryPropertiesA(nullptr, "Domů", nullptr, &cb, nullptr, nullptr),
              ras::ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 1768u);
    cb = 1000;
    EXPECT_EQ(ras::RasGetEntryPropertiesA(nullptr, "Domů", &entry, &cb, nullptr, nullptr),
              ras::ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 1768u);
    entry.dwSize = 1767;
    EXPECT_EQ(ras::RasGetEntryPropertiesA(nullptr, "Domů", &entry, &cb, nullptr, nullptr),
              ras::ERROR_INVALID_SIZE);

    entry.dwSize = sizeof(entry);
    EXPECT_EQ(ras::RasSetEntryPropertiesA(nullptr, "Domů", &entry, 1000, nullptr, 0),
              ras::ERROR_INVALID_SIZE);
    entry.dwSize = 0;
    EXPECT_EQ(ras::RasSetEntryPropertiesA(nullptr, "Domů", &entry, sizeof(entry), nullptr, 0),
              ras::ERROR_INVALID_SIZE);

    ras::RASCONNA connection{};
    connection.dwSize = 400;
    cb = sizeof(connection);
    EXPECT_EQ(ras::RasEnumConnectionsA(&connection, &cb, &count), ras::ERROR_INVALID_SIZE);
    ras::RASCONNSTATUSA status{};
    status.dwSize = 164;
    EXPECT_EQ(ras::RasGetConnectStatusA(1, &status), ras::ERROR_INVALID_SIZE);
}

TEST_F(RasStandinPhonebook, PropertiesOfAnEntryMatchTheNameWithoutCase)
{
    standin::AddEntry("Domů", {420, "2", "123456"});
    WritePlainBytes(standin::PhonebookPath(), ReadPlainBytes(standin::PhonebookPath()) +
                                                  "[Modem]\r\nCountryCode=+49\r\nPhoneNumber=1\r\n"
                                                  "DeviceType=modem\r\nDeviceName=Můj modem\r\n");

    ras::RASENTRYA entry{};
    ASSERT_EQ(GetProperties("DOMŮ", entry), ras::kSuccess);
    EXPECT_EQ(entry.dwSize, 1768u);
    EXPECT_EQ(entry.dwCountryCode, 420u);
    EXPECT_STREQ(entry.szAreaCode, "2");
    EXPECT_STREQ(entry.szLocalPhoneNumber, "123456");

    ASSERT_EQ(GetProperties("modem", entry), ras::kSuccess);
    EXPECT_EQ(entry.dwCountryCode, 0u) << "a country code that is not plain decimal reads as none";
    EXPECT_STREQ(entry.szAreaCode, "");
    EXPECT_STREQ(entry.szDeviceName, "Můj modem");

    EXPECT_EQ(GetProperties("Domov", entry), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(GetProperties("", entry), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

TEST_F(RasStandinPhonebook, SetThenGetKeepsTheSectionsOtherKeys)
{
    WritePlainBytes(standin::PhonebookPath(),
                    "[Domů]\r\nDevice=COM2\r\nCountryCode=420\r\nAreaCode=2\r\n"
                    "PhoneNumber=123456\r\nComment=nechat\r\n[Práce]\r\nPhoneNumber=555\r\n");
    ras::RASENTRYA entry{};
    ASSERT_EQ(GetProperties("Domů", entry), ras::kSuccess);
    entry.dwCountryCode = 421;
    std::strcpy(entry.szAreaCode, "900");
    std::strcpy(entry.szLocalPhoneNumber, "666 666");
    ASSERT_EQ(ras::RasSetEntryPropertiesA(nullptr, "domů", &entry, sizeof(entry), nullptr, 0), ras::kSuccess);

    EXPECT_EQ(ReadPlainBytes(standin::PhonebookPath()),
              "[Domů]\r\nDevice=COM2\r\nCountryCode=421\r\nAreaCode=900\r\n"
              "PhoneNumber=666 666\r\nComment=nechat\r\n[Práce]\r\nPhoneNumber=555\r\n");
    ras::RASENTRYA back{};
    ASSERT_EQ(GetProperties("Domů", back), ras::kSuccess);
    EXPECT_EQ(back.dwCountryCode, 421u);
    EXPECT_STREQ(back.szAreaCode, "900");
    EXPECT_STREQ(back.szLocalPhoneNumber, "666 666");
}

TEST_F(RasStandinPhonebook, RefusedSetsLeaveThePhonebookAlone)
{
    standin::AddEntry("Domů", {420, "2", "123456"});
    const std::string before = ReadPlainBytes(standin::PhonebookPath());
    ras::RASENTRYA entry{};
    ASSERT_EQ(GetProperties("Domů", entry), ras::kSuccess);

    EXPECT_EQ(ras::RasSetEntryPropertiesA(nullptr, "Nikde", &entry, sizeof(entry), nullptr, 0),
              ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    ras::RASENTRYA unterminated = entry;
    std::memset(unterminated.szAreaCode, '9', sizeof(unterminated.szAreaCode));
    EXPECT_EQ(ras::RasSetEntryPropertiesA(nullptr, "Domů", &unterminated, sizeof(entry), nullptr, 0),
              ras::ERROR_INVALID_SIZE);
    ras::RASENTRYA lineBreak = entry;
    std::strcpy(lineBreak.szLocalPhoneNumber, "1\r\n[Jiná]");
    EXPECT_EQ(ras::RasSetEntryPropertiesA(nullptr, "Domů", &lineBreak, sizeof(entry), nullptr, 0),
              ras::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ReadPlainBytes(standin::PhonebookPath()), before);
}

TEST_F(RasStandinPhonebook, HandEditedValuesThatDoNotFitAreReportedNotCut)
{
    WritePlainBytes(standin::PhonebookPath(), Section("Dlouhé", std::string(129, '1')) +
                                                  Section("Přesné", std::string(128, '2')) +
                                                  "[Předvolba]\r\nAreaCode=12345678901\r\nPhoneNumber=1\r\n");
    ras::RASENTRYA entry{};
    EXPECT_EQ(GetProperties("Dlouhé", entry), ras::ERROR_CORRUPT_PHONEBOOK);
    EXPECT_EQ(GetProperties("Předvolba", entry), ras::ERROR_CORRUPT_PHONEBOOK);
    ASSERT_EQ(GetProperties("Přesné", entry), ras::kSuccess);
    EXPECT_EQ(std::string(entry.szLocalPhoneNumber), std::string(128, '2'));

    // An entry name the buffer cannot hold fails the listing rather than vanishing from it.
    WritePlainBytes(standin::PhonebookPath(), Section("A", "1") + Section(std::string(257, 'x'), "2"));
    ras::DWORD cb = 0;
    ras::DWORD count = 0;
    EXPECT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, nullptr, &cb, &count), ras::ERROR_CORRUPT_PHONEBOOK);
}

TEST_F(RasStandinPhonebook, UnreadablePhonebookCannotBeOpened)
{
    // A folder in the file's place cannot be read even by root.
    std::filesystem::create_directories(standin::PhonebookPath());
    ras::DWORD cb = 0;
    ras::DWORD count = 0;
    EXPECT_EQ(ras::RasEnumEntriesA(nullptr, nullptr, nullptr, &cb, &count), ras::ERROR_CANNOT_OPEN_PHONEBOOK);
    ras::RASENTRYA entry{};
    EXPECT_EQ(GetProperties("Domů", entry), ras::ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_THROW(standin::EntryNames(), standin::StandinError);
}

TEST_F(RasStandinConnections, EnumerationGrowsTheBufferAndFillsEachConnection)
{
    const auto home = standin::Dial("domů");
    const auto work = standin::Dial("Práce");
    const auto cottage = standin::Dial("Chata");

    std::vector<ras::RASCONNA> buffer(1);
    buffer[0].dwSize = sizeof(ras::RASCONNA);
    ras::DWORD cb = sizeof(ras::RASCONNA);
    ras::DWORD count = 0;
    ASSERT_EQ(ras::RasEnumConnectionsA(buffer.data(), &cb, &count), ras::ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 3u * 412u);
    EXPECT_EQ(count, 3u);
    buffer.resize(3);
    buffer[0].dwSize = sizeof(ras::RASCONNA);
    ASSERT_EQ(ras::RasEnumConnectionsA(buffer.data(), &cb, &count), ras::kSuccess);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(buffer[0].hrasconn, home);
    EXPECT_STREQ(buffer[0].szEntryName, "Domů") << "the phonebook's spelling, not the dialer's";
    EXPECT_STREQ(buffer[0].szDeviceType, "modem");
    EXPECT_NE(buffer[0].szDeviceName[0], '\0');
    EXPECT_EQ(buffer[1].hrasconn, work);
    EXPECT_STREQ(buffer[1].szEntryName, "Práce");
    EXPECT_EQ(buffer[2].hrasconn, cottage);
    EXPECT_EQ(buffer[2].dwSize, 412u);
}

TEST_F(RasStandinConnections, StatusFollowsTheLinesState)
{
    const auto home = standin::Dial("Domů");
    const auto work = standin::Dial("Práce", ConnectionState::Dialling);
    ras::DWORD rc = 0;
    EXPECT_EQ(Status(home, rc).rasconnstate, ras::RASCS_Connected);
    EXPECT_EQ(rc, ras::kSuccess);
    EXPECT_EQ(Status(work, rc).rasconnstate, ras::RASCS_ConnectDevice);
    EXPECT_STREQ(Status(work, rc).szDeviceType, "modem");

    standin::Drop("Domů");
    EXPECT_EQ(Status(home, rc).rasconnstate, ras::RASCS_Disconnected);
    EXPECT_EQ(rc, ras::kSuccess);
    EXPECT_EQ(ListedHandles().size(), 2u) << "a dropped line is still a connection";

    Status(4242, rc);
    EXPECT_EQ(rc, ras::ERROR_INVALID_HANDLE);
    Status(0, rc);
    EXPECT_EQ(rc, ras::ERROR_INVALID_HANDLE);
}

TEST_F(RasStandinConnections, ImmediateHangUpRemovesTheConnection)
{
    const auto home = standin::Dial("Domů");
    const auto work = standin::Dial("Práce");
    ASSERT_EQ(ras::RasHangUpA(home), ras::kSuccess);
    EXPECT_EQ(ListedHandles(), std::vector<ras::HRASCONN>{work});
    ras::DWORD rc = 0;
    Status(home, rc);
    EXPECT_EQ(rc, ras::ERROR_INVALID_HANDLE);
    EXPECT_EQ(ras::RasHangUpA(home), ras::ERROR_INVALID_HANDLE);
    EXPECT_EQ(ras::RasHangUpA(999), ras::ERROR_INVALID_HANDLE);
}

TEST_F(RasStandinConnections, DelayedHangUpKeepsTheConnectionUntilItsTime)
{
    const auto home = standin::Dial("Domů", ConnectionState::Connected, 1500);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(ras::RasHangUpA(home), ras::kSuccess);
    const std::string recorded = ReadPlainBytes(standin::ConnectionsPath());
    ASSERT_EQ(ras::RasHangUpA(home), ras::kSuccess) << "still a valid handle during the delay";
    EXPECT_EQ(ReadPlainBytes(standin::ConnectionsPath()), recorded)
        << "a second hang-up must not move the moment";

    ras::DWORD rc = 0;
    EXPECT_EQ(ListedHandles(), std::vector<ras::HRASCONN>{home});
    Status(home, rc);
    EXPECT_EQ(rc, ras::kSuccess);
    ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500))
        << "machine too slow for this test's timing";

    std::this_thread::sleep_until(started + std::chrono::milliseconds(1700));
    EXPECT_TRUE(ListedHandles().empty());
    Status(home, rc);
    EXPECT_EQ(rc, ras::ERROR_INVALID_HANDLE);
    EXPECT_EQ(ras::RasHangUpA(home), ras::ERROR_INVALID_HANDLE);
    // The next write purges what has gone, and the entry can be dialled again.
    EXPECT_NE(standin::Dial("Domů"), home);
    EXPECT_EQ(ReadPlainBytes(standin::ConnectionsPath()).find("Connection " + std::to_string(home) + "]"),
              std::string::npos);
}

TEST_F(RasStandinConnections, StuckLineNeverGoes)
{
    const auto home = standin::Dial("Domů", ConnectionState::Connected, -1);
    ASSERT_EQ(ras::RasHangUpA(home), ras::kSuccess);
    ASSERT_EQ(ras::RasHangUpA(home), ras::kSuccess);
    EXPECT_NE(ReadPlainBytes(standin::ConnectionsPath()).find("HangUpAt=never"), std::string::npos);
    EXPECT_EQ(ListedHandles(), std::vector<ras::HRASCONN>{home});
    EXPECT_THROW(standin::Dial("Domů"), standin::StandinError);

    // Only the user (or the modem) ends it.
    standin::HangUp("domů");
    EXPECT_TRUE(ListedHandles().empty());
}

TEST_F(RasStandinConnections, HandlesCountFromOneSkipZeroAndAreNotReused)
{
    EXPECT_EQ(standin::Dial("Domů"), 1u);
    standin::HangUp("Domů");
    EXPECT_EQ(standin::Dial("Domů"), 2u) << "a stale handle must not name a new line";

    WritePlainBytes(standin::ConnectionsPath(),
                    "[Adapter]\r\nNextHandle=4294967295\r\n[Connection 1]\r\nEntry=Chata\r\n");
    EXPECT_EQ(standin::Dial("Práce"), 4294967295u);
    EXPECT_EQ(standin::Dial("Domů"), 2u) << "after the wrap: 0 skipped, 1 still in use";
}

TEST_F(RasStandinConnections, DialDropAndHangUpRefuseWhatDoesNotExist)
{
    EXPECT_THROW(standin::Dial("Nikde"), standin::StandinError);
    standin::Dial("Domů");
    const std::string before = ReadPlainBytes(standin::ConnectionsPath());
    EXPECT_THROW(standin::Dial("DOMŮ"), standin::StandinError);
    EXPECT_THROW(standin::Drop("Práce"), standin::StandinError);
    EXPECT_THROW(standin::HangUp("Práce"), standin::StandinError);
    EXPECT_THROW(standin::HangUp("Nikde"), standin::StandinError);
    EXPECT_EQ(ReadPlainBytes(standin::ConnectionsPath()), before);
}

} // namespace

// The properties are worked out once per parsed phonebook; every change of the file,
// through the tool or by hand, must still be seen at once, and a name that differs only
// in letter case finds its entry.
TEST_F(RasStandinPhonebook, EntryPropertiesFollowEveryChangeOfThePhonebook)
{
    WritePlainBytes(standin::PhonebookPath(), Section("Internet", "111") + Section("Práce", "222"));
    ras::RASENTRYA entry{};
    ASSERT_EQ(GetProperties("Internet", entry), ras::kSuccess);
    EXPECT_STREQ(entry.szLocalPhoneNumber, "111");
    ASSERT_EQ(GetProperties("PRÁCE", entry), ras::kSuccess);
    EXPECT_STREQ(entry.szLocalPhoneNumber, "222");

    standin::SetEntry("Internet", {420, "2", "333"});
    ASSERT_EQ(GetProperties("Internet", entry), ras::kSuccess);
    EXPECT_EQ(entry.dwCountryCode, 420u);
    EXPECT_STREQ(entry.szLocalPhoneNumber, "333");

    // A hand edit of the same size within the same second.
    WritePlainBytes(standin::PhonebookPath(), Section("Internet", "444") + Section("Práce", "222"));
    ASSERT_EQ(GetProperties("Internet", entry), ras::kSuccess);
    EXPECT_STREQ(entry.szLocalPhoneNumber, "444");

    WritePlainBytes(standin::PhonebookPath(), Section("Práce", "222"));
    EXPECT_EQ(GetProperties("Internet", entry), ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    EXPECT_EQ(standin::EntryNames(), std::vector<std::string>{"Práce"});
}
