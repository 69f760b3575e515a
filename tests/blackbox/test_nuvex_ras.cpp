#include "NuvexProcess.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"

using namespace nuvex::test;

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

class NuvexRasTool : public nuvex::test::SandboxTest
{
protected:
    Outcome Run(const std::vector<std::string>& args)
    {
        const std::string outPath = (sandbox.dir() / "stdout").string();
        const std::string errPath = (sandbox.dir() / "stderr").string();
        Outcome outcome;
        const pid_t pid = StartRasTool(args, outPath, errPath);
        if (pid <= 0) {
            ADD_FAILURE() << "cannot start " << NUVEX_RAS_BIN;
            return outcome;
        }
        outcome.status = ExitStatus(pid);
        outcome.out = ReadPlainBytes(outPath);
        outcome.err = ReadPlainBytes(errPath);
        return outcome;
    }

    // Runs a command that must succeed and returns what it printed.
    std::string Ok(std::vector<std::string> args)
    {
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.status, 0) << args.front() << ": " << outcome.err;
        EXPECT_EQ(outcome.err, "") << args.front();
        return outcome.out;
    }

    std::filesystem::path Phonebook() const { return sandbox.machine() / "ras" / "rasphone.pbk"; }
};

TEST_F(NuvexRasTool, PhonebookCommandsAddListSetAndRemove)
{
    EXPECT_EQ(Ok({"list"}), "");
    EXPECT_EQ(Ok({"add", "Domů", "420-(2)-123456"}), "");
    EXPECT_EQ(Ok({"add", "Práce", "555"}), "");
    EXPECT_EQ(Ok({"add", "Mobil", "420-(603)-1 2*3#"}), "");
    EXPECT_EQ(Ok({"list"}), "Domů\t420-(2)-123456\nPráce\t555\nMobil\t420-(603)-1 2*3#\n");

    EXPECT_EQ(Ok({"set", "práce", "49-(30)-987"}), "");
    EXPECT_EQ(Ok({"remove", "MOBIL"}), "");
    EXPECT_EQ(Ok({"list"}), "Domů\t420-(2)-123456\nPráce\t49-(30)-987\n");
    EXPECT_NE(ReadPlainBytes(Phonebook()).find("[Práce]"), std::string::npos);
}

TEST_F(NuvexRasTool, ConnectionsFollowDialDropAndHangUp)
{
    Ok({"add", "Domů", "420-(2)-123456"});
    Ok({"add", "Práce", "555"});
    EXPECT_EQ(Ok({"dial", "Domů"}), "1\n");
    EXPECT_EQ(Ok({"dial", "--dialling", "Práce", "--hangup-delay", "-1"}), "2\n");
    EXPECT_EQ(Ok({"connections"}), "1\tDomů\tconnected\n2\tPráce\tdialling\n");

    Ok({"drop", "domů"});
    EXPECT_EQ(Ok({"connections"}), "1\tDomů\tdisconnected\n2\tPráce\tdialling\n");
    Ok({"hangup", "Domů"});
    EXPECT_EQ(Ok({"connections"}), "2\tPráce\tdialling\n");
    EXPECT_EQ(Ok({"dial", "Domů", "--hangup-delay", "5000"}), "3\n");
}

TEST_F(NuvexRasTool, AdapterCountersWrapAndReport)
{
    EXPECT_EQ(Ok({"stats"}), "bytes\t0\nspeed\t0\n");
    Ok({"recv", "4294967295"});
    Ok({"recv", "3"});
    Ok({"speed", "57600"});
    EXPECT_EQ(Ok({"stats"}), "bytes\t2\nspeed\t57600\n");
}

TEST_F(NuvexRasTool, HelpDocumentsEveryCommand)
{
    for (const char* spelling : {"--help", "-h", "help"}) {
        const std::string help = Ok({spelling});
        for (const char* command : {"list", "add", "set", "remove", "dial", "--hangup-delay", "--dialling",
                                    "drop", "hangup", "connections", "recv", "speed", "stats"})
            EXPECT_NE(help.find(command), std::string::npos) << command;
    }
}

TEST_F(NuvexRasTool, BadInputIsRefusedWithAMessageAndChangesNothing)
{
    Ok({"add", "Domů", "420-(2)-123456"});
    Ok({"dial", "Domů"});
    const std::string phonebook = ReadPlainBytes(Phonebook());
    const std::string connections = ReadPlainBytes(sandbox.machine() / "ras" / "connections.ini");

    // Arguments and the exit status they bring.
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{}, 2},
        {{"frob"}, 2},
        {{"LIST"}, 2},
        {{"list", "extra"}, 2},
        {{"add", "Nová"}, 2},
        {{"add", "Nová", "1", "2"}, 2},
        {{"add", "Nová", "0-(2)-5"}, 2},
        {{"add", "Nová", "420-123"}, 2},
        {{"add", "Nová", "abc-(1)-2"}, 2},
        {{"add", "Nová", ""}, 2},
        {{"add", "Nová", "420-(2)-"}, 2},
        {{"add", "Nová", "0420-(2)-5"}, 2},
        {{"add", "Nová", "4294967296-(2)-5"}, 2},
        {{"add", "Nová", "1-(12345678901)-5"}, 2},
        {{"add", "Nová", std::string(129, '5')}, 2},
        {{"add", "Nová", "\xff\xfe"}, 2},
        {{"set", "Domů", "-(2)-5"}, 2},
        {{"add", "domů", "555"}, 1},
        {{"add", "[Nová", "555"}, 1},
        {{"add", " Nová", "555"}, 1},
        {{"set", "Nikde", "555"}, 1},
        {{"remove", "Nikde"}, 1},
        {{"remove"}, 2},
        {{"dial"}, 2},
        {{"dial", "Nikde"}, 1},
        {{"dial", "Domů"}, 1},
        {{"dial", "Domů", "--hangup-delay"}, 2},
        {{"dial", "Domů", "--hangup-delay", "5s"}, 2},
        {{"dial", "Domů", "--hangup-delay", "99999999999"}, 2},
        {{"dial", "Domů", "--fast"}, 2},
        {{"dial", "Domů", "Práce"}, 2},
        {{"drop", "Nikde"}, 1},
        {{"hangup"}, 2},
        {{"recv"}, 2},
        {{"recv", "-5"}, 2},
        {{"recv", "12kB"}, 2},
        {{"speed", "4294967296"}, 2},
        {{"speed", "rychle"}, 2},
        {{"stats", "now"}, 2},
        {{"--help", "list"}, 2},
    };
    for (const auto& [args, status] : cases) {
        std::string shown;
        for (const std::string& arg : args)
            shown += " " + arg;
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.status, status) << shown;
        EXPECT_NE(outcome.err.find("nuvex-ras: "), std::string::npos) << shown;
        EXPECT_EQ(outcome.out, "") << shown;
    }
    EXPECT_EQ(ReadPlainBytes(Phonebook()), phonebook);
    EXPECT_EQ(ReadPlainBytes(sandbox.machine() / "ras" / "connections.ini"), connections);
}

} // namespace
