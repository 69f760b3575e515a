// This computer's phonebook read from a host root: Debian's own pppd and chat files and
// hand-written variants, wvdial's dialers, unreadable files, and the in-place rewrite.

#include "platform/HostPhonebook.h"
#include "support/ChildProcess.h"
#include "support/HostRoot.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace host = nuvex::platform::host;
using namespace nuvex::test;

namespace {

const host::Entry* Find(const host::Phonebook& book, const std::string& name)
{
    const auto found = std::find_if(book.entries.begin(), book.entries.end(),
                                    [&](const host::Entry& e) { return e.name == name; });
    return found == book.entries.end() ? nullptr : &*found;
}

std::string NumberOf(const std::string& name)
{
    const auto book = host::ReadPhonebook();
    const host::Entry* entry = Find(book, name);
    return entry ? entry->number : "<missing>";
}

class HostPhonebook : public nuvex::test::SandboxTest
{
protected:
    void SetUp() override
    {
        if (ReadPlainBytes("/etc/chatscripts/pap").empty())
            GTEST_SKIP() << "Debian's ppp package is not installed (tools/install-deps.sh installs it)";
    }

    HostRoot root{sandbox};
};

} // namespace

TEST_F(HostPhonebook, DebiansProviderDialsThePapScriptWithTheNumberAfterT)
{
    ASSERT_TRUE(root.CopyDebian("/etc/ppp/peers/provider", "-T ********", "-T 0212345678"));
    ASSERT_TRUE(root.CopyDebian("/etc/chatscripts/pap"));
    const std::string peer = root.Read("etc/ppp/peers/provider");
    const std::string pap = root.Read("etc/chatscripts/pap");

    const auto book = host::ReadPhonebook();
    const host::Entry* provider = Find(book, "provider");
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->number, "0212345678");
    EXPECT_EQ(provider->sourceFile, (root / "etc/ppp/peers/provider").string());
    EXPECT_EQ(provider->speed, 115200u);
    EXPECT_EQ(provider->device, "/dev/modem");
    EXPECT_TRUE(book.problems.empty());

    host::WriteNumber("provider", "0299999999");
    EXPECT_EQ(root.Read("etc/ppp/peers/provider"), Replaced(peer, "0212345678", "0299999999"));
    EXPECT_EQ(root.Read("etc/chatscripts/pap"), pap);
    EXPECT_EQ(NumberOf("provider"), "0299999999");
}

TEST_F(HostPhonebook, DebiansProviderScriptHoldsTheNumberItselfAndGprsDialsStar99)
{
    ASSERT_TRUE(
        root.CopyDebian("/etc/chatscripts/provider", "ATDT<put phone number here>", "ATDT0987654321"));
    ASSERT_TRUE(root.CopyDebian("/etc/chatscripts/gprs"));
    root.Write("etc/ppp/peers/isp",
               "/dev/ttyS1\n57600\nconnect \"/usr/sbin/chat -v -f /etc/chatscripts/provider\"\n");
    root.Write("etc/ppp/peers/mobile",
               "connect \"/usr/sbin/chat -v -f /etc/chatscripts/gprs -T internet\"\n");
    const std::string script = root.Read("etc/chatscripts/provider");

    const auto book = host::ReadPhonebook();
    ASSERT_NE(Find(book, "isp"), nullptr);
    EXPECT_EQ(Find(book, "isp")->number, "0987654321");
    EXPECT_EQ(Find(book, "isp")->sourceFile, (root / "etc/chatscripts/provider").string());
    EXPECT_EQ(Find(book, "isp")->speed, 57600u);
    ASSERT_NE(Find(book, "mobile"), nullptr);
    EXPECT_EQ(Find(book, "mobile")->number, "*99#"); // \T of the APN line is no number

    host::WriteNumber("isp", "W0123");
    EXPECT_EQ(root.Read("etc/chatscripts/provider"), Replaced(script, "0987654321", "W0123"));
}

TEST_F(HostPhonebook, IncludesQuotesInlineScriptsAndTheLastConnectWins)
{
    root.Write("etc/ppp/options", "lock\n# connect \"chat '' ATDT000\"\n");
    root.Write("etc/ppp/options.base", "call base\n");
    root.Write("etc/ppp/peers/base",
               "connect 'chat -v \"\" ATZ OK \"ATE0V1 ATX3DT 555 12\" CONNECT \"\"'  # inline\n");
    root.Write("etc/ppp/peers/derived", "file /etc/ppp/options.base\n");
    root.Write("etc/ppp/peers/overridden", "call base\nconnect \"chat -T 77 '' 'ATDP\\\\T'\"\n");
    root.Write("etc/ppp/peers/silent", "connect \"chat '' ATZ OK ATH\"\n");
    root.Write("etc/ppp/peers/noconnect", "noauth\n");

    EXPECT_EQ(NumberOf("base"), "555 12");
    EXPECT_EQ(NumberOf("derived"), "555 12");
    EXPECT_EQ(NumberOf("overridden"), "77");
    EXPECT_EQ(NumberOf("silent"), "");
    EXPECT_EQ(NumberOf("noconnect"), "");

    // Written back inside both levels of quotes, every other byte kept.
    const std::string before = root.Read("etc/ppp/peers/base");
    host::WriteNumber("derived", "9,1234");
    EXPECT_EQ(root.Read("etc/ppp/peers/base"), Replaced(before, "555 12", "9,1234"));
    EXPECT_EQ(NumberOf("base"), "9,1234");
}

TEST_F(HostPhonebook, EntriesSharingAScriptChangeTogetherAndUnreadableNumbersAreRefused)
{
    root.Write("etc/chatscripts/shared", "'' ATZ OK ATDT5551234\n");
    root.Write("etc/ppp/peers/one", "connect \"chat -f /etc/chatscripts/shared\"\n");
    root.Write("etc/ppp/peers/two", "connect \"chat -f /etc/chatscripts/shared\"\n");
    root.Write("etc/ppp/peers/plain", "connect \"chat '' ATDT111\"\n");
    const std::string shared = root.Read("etc/chatscripts/shared");

    EXPECT_THROW(host::WriteNumber("plain", "1 2"), host::HostError);   // the blank splits the word
    EXPECT_THROW(host::WriteNumber("plain", "12\"3"), host::HostError); // not a dial string
    EXPECT_THROW(host::WriteNumber("nobody", "1"), host::HostError);
    EXPECT_EQ(NumberOf("plain"), "111");

    host::WriteNumber("one", "999"); // both dial the one number the script holds
    EXPECT_EQ(root.Read("etc/chatscripts/shared"), Replaced(shared, "5551234", "999"));
    EXPECT_EQ(NumberOf("two"), "999");
}

TEST_F(HostPhonebook, WvdialDialersWithInheritanceAndTheUsersOwnFile)
{
    root.Write("etc/wvdial.conf",
               "[Dialer Defaults]\nModem = /dev/ttyUSB0\nBaud = 460800\nPhone = \n"
               "[Dialer work]\nInherits = office\n[Dialer office]\nArea Code = 02\nPhone = 123\n");
    nuvex::test::WritePlainBytes(sandbox.dir() / "home/.wvdialrc", "[Dialer work]\nPhone1 = 456\n");

    const auto book = host::ReadPhonebook();
    ASSERT_NE(Find(book, "wvdial work"), nullptr);
    EXPECT_EQ(Find(book, "wvdial work")->number, "02123; 456");
    EXPECT_EQ(Find(book, "wvdial work")->speed, 460800u);
    EXPECT_EQ(Find(book, "wvdial Defaults")->number, "");
    EXPECT_EQ(Find(book, "wvdial office")->number, "02123");

    host::WriteNumber("wvdial work", "02123; 789");
    EXPECT_EQ(ReadPlainBytes(sandbox.dir() / "home/.wvdialrc"), "[Dialer work]\nPhone1 = 789\n");
    EXPECT_THROW(host::WriteNumber("wvdial work", "0900123"), host::HostError); // area code stays
}

TEST_F(HostPhonebook, AWvdialNumberThatAnInheritedValueWouldChangeIsRefusedAndSaysWhy)
{
    const std::string conf = "[Dialer Defaults]\nPhone1 = 8\n[Dialer isp]\nPhone = 1\nPhone1 = 2\n";
    root.Write("etc/wvdial.conf", conf);
    const auto error = nuvex::test::Thrown<host::HostError>([] { host::WriteNumber("wvdial isp", "3"); });
    ASSERT_TRUE(error) << "the number was written";
    const std::string message = error->what();
    EXPECT_NE(message.find("voliče wvdial isp"), std::string::npos) << message;
    EXPECT_NE(message.find("zděděným"), std::string::npos) << message;
    EXPECT_EQ(root.Read("etc/wvdial.conf"), conf);
    host::WriteNumber("wvdial isp", "3; 4");
    EXPECT_EQ(NumberOf("wvdial isp"), "3; 4");
}

TEST_F(HostPhonebook, ARefusalNamingBytesThatAreNoUtf8StaysReadable)
{
    root.Write("etc/wvdial.conf", "[Dialer Defaults]\nPhone1 = 8\n[Dialer k\xc5"
                                  "e\xff]\nPhone = 1\nPhone1 = 2\n");
    const auto error = nuvex::test::Thrown<host::HostError>([] {
        host::WriteNumber("wvdial k\xc5"
                          "e\xff",
                          "3");
    });
    ASSERT_TRUE(error) << "the number was written";
    EXPECT_NE(std::string(error->what()).find("voliče wvdial k\uFFFDe\uFFFD zapsat"), std::string::npos)
        << error->what();
}

TEST_F(HostPhonebook, UnreadableFilesAreReportedWithTheGroupAndTheRestIsStillRead)
{
    ASSERT_TRUE(
        root.CopyDebian("/etc/chatscripts/provider", "ATDT<put phone number here>", "ATDT0987654321"));
    root.Write("etc/ppp/peers/isp", "connect \"/usr/sbin/chat -v -f /etc/chatscripts/provider\"\n");
    root.Write("etc/wvdial.conf", "[Dialer Defaults]\nPhone = 42\n");
    nuvex::test::OpenToOthers(sandbox);
    const std::string scriptGroup = nuvex::test::CloseToOrdinaryUser(root / "etc/chatscripts/provider");
    ASSERT_FALSE(scriptGroup.empty());

    const std::string script = (root / "etc/chatscripts/provider").string();
    EXPECT_TRUE(nuvex::test::RunAsOrdinaryUser([&] {
        const auto book = host::ReadPhonebook();
        return book.problems.size() == 1 && book.problems[0].find(script) != std::string::npos &&
               book.problems[0].find("„" + scriptGroup + "“") != std::string::npos && Find(book, "isp") &&
               Find(book, "isp")->number.empty() && Find(book, "wvdial Defaults") &&
               Find(book, "wvdial Defaults")->number == "42";
    }));

    const std::string peers = (root / "etc/ppp/peers").string();
    const std::string peersGroup = nuvex::test::CloseToOrdinaryUser(root / "etc/ppp/peers");
    EXPECT_TRUE(nuvex::test::RunAsOrdinaryUser([&] {
        const auto book = host::ReadPhonebook();
        return !book.problems.empty() && book.problems[0].find(peers) != std::string::npos &&
               book.problems[0].find("„" + peersGroup + "“") != std::string::npos && !Find(book, "isp") &&
               Find(book, "wvdial Defaults");
    }));
}

TEST_F(HostPhonebook, AWriteTheUserMayNotMakeIsRefusedNamingTheFileAndTheAdministratorsCommand)
{
    root.Write("etc/ppp/peers/isp", "connect \"chat '' ATDT111\"\n");
    nuvex::test::OpenToOthers(sandbox);
    const std::string peer = (root / "etc/ppp/peers/isp").string();
    if (::geteuid() != 0)
        std::filesystem::permissions(root / "etc/ppp/peers", std::filesystem::perms(0555));
    EXPECT_TRUE(nuvex::test::RunAsOrdinaryUser([&] {
        try {
            host::WriteNumber("isp", "222");
        } catch (const host::HostError& error) {
            const std::string text = error.what();
            return text.find(peer) != std::string::npos &&
                   text.find("sudo nuvex-ras --host set isp 222") != std::string::npos;
        }
        return false;
    }));
    std::filesystem::permissions(root / "etc/ppp/peers", std::filesystem::perms(0755));
    EXPECT_EQ(root.Read("etc/ppp/peers/isp"), "connect \"chat '' ATDT111\"\n");
}

TEST_F(HostPhonebook, TwoWritersOfOneFileNeverLoseEachOthersNumber)
{
    root.Write("etc/wvdial.conf", "[Dialer a]\nPhone = 100\n[Dialer b]\nPhone = 200\n");
    const auto writer = [](const std::string& dialer, int base) {
        return nuvex::test::Spawn([=] {
            for (int i = 1; i <= 40; ++i)
                try {
                    host::WriteNumber(dialer, std::to_string(base + i));
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "writer: %s\n", e.what());
                    throw;
                }
            return true;
        });
    };
    const pid_t a = writer("wvdial a", 1000);
    const pid_t b = writer("wvdial b", 2000);
    EXPECT_TRUE(nuvex::test::Succeeded(a));
    EXPECT_TRUE(nuvex::test::Succeeded(b));
    EXPECT_EQ(NumberOf("wvdial a"), "1040");
    EXPECT_EQ(NumberOf("wvdial b"), "2040");
}
