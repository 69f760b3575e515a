#include "platform/IniFileAccess.h"
#include "platform/Profile.h"
#include "support/ChildProcess.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using namespace nuvex::platform;
using namespace nuvex::test;
using Profile = nuvex::test::SandboxTest;
using IniCache = nuvex::test::SandboxTest;

TEST_F(Profile, ABareNameIsInTheWindowsFolderAndAMissingOrUnreadableFileReadsAsEmpty)
{
    EXPECT_EQ(ResolveProfilePath("Nuvex.val"), (sandbox.machine() / "windows" / "Nuvex.val").string());
    EXPECT_EQ(ResolveProfilePath("/etc/x.ini"), "/etc/x.ini");
    EXPECT_EQ(ResolveProfilePath("sub/x.ini"), "sub/x.ini");
    EXPECT_TRUE(ReadProfileSectionNames("Nuvex.val").empty());
    EXPECT_EQ(ReadProfileString("Nuvex.val", "S", "k", "výchozí"), "výchozí");
    EXPECT_TRUE(ReadProfileSection("Nuvex.val", "S").empty());

    WriteProfileString("Nuvex.val", "S", "k", "v");
    EXPECT_TRUE(ReadProfileSection("Nuvex.val", "Other").empty());
    EXPECT_EQ(ReadProfileString("Nuvex.val", "S", "other", "d"), "d");

    // A folder where the file should be cannot be read, yet reading does not fail.
    const fs::path folder = sandbox.dir() / "folder.ini";
    fs::create_directories(folder);
    EXPECT_EQ(ReadProfileString(folder.string(), "S", "k", "d"), "d");
    const auto error = nuvex::test::Thrown<ProfileError>([&] { LoadIniFile(folder.string()); });
    ASSERT_TRUE(error) << "a folder was read as a file";
    EXPECT_NE(std::string(error->what()).find(folder.string()), std::string::npos) << error->what();
}

TEST_F(Profile, WriteCreatesTheFolderAndReadsBackIgnoringCase)
{
    WriteProfileString("Nuvex.val", "Připojení", "Číslo", "420 1");
    WriteProfileString("Nuvex.val", "PŘIPOJENÍ", "ČÍSLO", "420 2");
    WriteProfileString("Nuvex.val", "připojení", "Jméno", " jan ");
    EXPECT_EQ(ReadPlainBytes(sandbox.machine() / "windows" / "Nuvex.val"),
              "[Připojení]\r\nČíslo=420 2\r\nJméno=\" jan \"\r\n");
    EXPECT_EQ(ReadProfileString("Nuvex.val", "připojení", "jméno", ""), " jan ");
    EXPECT_EQ(ReadProfileSection("Nuvex.val", "PŘIPOJENÍ"),
              (std::vector<std::pair<std::string, std::string>>{{"Číslo", "420 2"}, {"Jméno", " jan "}}));
}

TEST_F(Profile, WriteKeepsTheRestOfTheFileByteForByte)
{
    const fs::path file = sandbox.machine() / "windows" / "Nuvex.val";
    WritePlainBytes(file, "; Nuvex\r\n[Internet]\nTn = 1 \r\n\r\n; next\r[Work]\r\nTn=2");
    WriteProfileString("Nuvex.val", "internet", "TN", "9");
    WriteProfileString("Nuvex.val", "Internet", "User", "jan");
    WriteProfileString("Nuvex.val", "Home", "Tn", "3");
    EXPECT_EQ(ReadPlainBytes(file),
              "; Nuvex\r\n[Internet]\nTn=9\r\nUser=jan\r\n\r\n; next\r[Work]\r\nTn=2\r\n[Home]\r\nTn=3\r\n");
    EXPECT_EQ(ReadProfileSectionNames("Nuvex.val"), (std::vector<std::string>{"Internet", "Work", "Home"}));
}

TEST_F(Profile, RefusedWriteLeavesTheFileUnchanged)
{
    const fs::path file = sandbox.machine() / "windows" / "Nuvex.val";
    WritePlainBytes(file, "[S]\r\nTn=1\r\n");
    EXPECT_THROW(WriteProfileString("Nuvex.val", "S", "Tn", "x\r\n[Evil]\r\nTn=1"), ProfileError);
    EXPECT_THROW(WriteProfileString("Nuvex.val", "S", "a=b", "1"), ProfileError);
    EXPECT_THROW(WriteProfileString("Nuvex.val", "S]", "k", "1"), ProfileError);
    EXPECT_EQ(ReadPlainBytes(file), "[S]\r\nTn=1\r\n");

    // Nothing is created for a refused write either.
    EXPECT_THROW(WriteProfileString("New.val", "S", "", "1"), ProfileError);
    EXPECT_FALSE(fs::exists(sandbox.machine() / "windows" / "New.val"));
}

TEST_F(Profile, FailedWriteIsAnErrorAndLeavesNoTemporaryFile)
{
    // These fail for root too: a file where a folder must be, a folder where the file must be.
    const fs::path blocker = sandbox.dir() / "blocker";
    WritePlainBytes(blocker, "not a folder");
    const std::string underFile = (blocker / "Nuvex.val").string();
    const auto error =
        nuvex::test::Thrown<ProfileError>([&] { WriteProfileString(underFile, "S", "k", "v"); });
    ASSERT_TRUE(error) << "wrote below a regular file";
    EXPECT_NE(std::string(error->what()).find("Soubor " + underFile + " nelze zapsat: "), std::string::npos)
        << error->what();

    const fs::path dir = sandbox.dir() / "data";
    fs::create_directories(dir / "Nuvex.val");
    EXPECT_THROW(WriteProfileString((dir / "Nuvex.val").string(), "S", "k", "v"), ProfileError);
    const fs::path target = dir / "Target.val";
    WritePlainBytes(target, "[S]\r\nk=1\r\n");
    EXPECT_NO_THROW(WriteProfileString(target.string(), "S", "k", "2"));
    EXPECT_EQ(nuvex::test::FolderNames(dir), (std::vector<std::string>{"Nuvex.val", "Target.val"}))
        << "a temporary file was left behind";
}

TEST_F(Profile, WriteKeepsTheFileModeAndGivesNewFilesTheUmaskMode)
{
    const mode_t previous = umask(022);
    const fs::path existing = sandbox.dir() / "existing.ini";
    WritePlainBytes(existing, "[S]\r\nk=1\r\n");
    chmod(existing.c_str(), 0640);
    WriteProfileString(existing.string(), "S", "k", "2");
    WriteProfileString((sandbox.dir() / "new.ini").string(), "S", "k", "1");
    umask(previous);
    EXPECT_EQ(FileMode(existing), 0640u);
    EXPECT_EQ(FileMode(sandbox.dir() / "new.ini"), 0644u);
}

TEST_F(Profile, ConcurrentWritersLoseNothing)
{
    constexpr int kWriters = 3;
    constexpr int kKeys = 50;
    const auto write = [](int writer) {
        for (int i = 0; i < kKeys; ++i) {
            const std::string key = "W" + std::to_string(writer) + "K" + std::to_string(i);
            WriteProfileString("Nuvex.val", "Section " + std::to_string(i % 4), key, "value " + key);
        }
        return true;
    };
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer)
        children.push_back(Spawn([&, writer] { return write(writer); }));
    // Threads of one process take the same lock against each other.
    std::thread extra1([&] { write(kWriters); });
    std::thread extra2([&] { write(kWriters + 1); });
    extra1.join();
    extra2.join();
    for (const pid_t child : children)
        EXPECT_TRUE(Succeeded(child));

    ClearIniCache();
    const auto doc = LoadIniFile(ResolveProfilePath("Nuvex.val"));
    for (int writer = 0; writer < kWriters + 2; ++writer) {
        for (int i = 0; i < kKeys; ++i) {
            const std::string key = "W" + std::to_string(writer) + "K" + std::to_string(i);
            EXPECT_EQ(doc->Value("Section " + std::to_string(i % 4), key), "value " + key);
        }
    }
    EXPECT_EQ(doc->SectionNames().size(), 4u);
}

TEST_F(IniCache, UnchangedFileGivesTheSameDocument)
{
    const std::string path = (sandbox.dir() / "a.ini").string();
    WritePlainBytes(path, "[S]\r\nk=1\r\n");
    const auto first = LoadIniFile(path);
    EXPECT_EQ(LoadIniFile(path), first);
    EXPECT_EQ(first->Value("S", "k"), "1");
    ClearIniCache();
    const auto fresh = LoadIniFile(path);
    EXPECT_NE(fresh, first);
    EXPECT_EQ(fresh->Value("S", "k"), "1");
}

TEST_F(IniCache, ChangedFileIsSeenAtOnce)
{
    const std::string path = (sandbox.dir() / "a.ini").string();
    WritePlainBytes(path, "[S]\r\nk=1\r\n");
    ASSERT_EQ(LoadIniFile(path)->Value("S", "k"), "1");

    // Same size, rewritten in place at once.
    WritePlainBytes(path, "[S]\r\nk=2\r\n");
    EXPECT_EQ(LoadIniFile(path)->Value("S", "k"), "2");

    // Same size, replaced by a writer in another process whose cache this one knows nothing of.
    ASSERT_TRUE(Succeeded(Spawn([&] {
        WriteProfileString(path, "S", "k", "3");
        return true;
    })));
    EXPECT_EQ(LoadIniFile(path)->Value("S", "k"), "3");

    fs::remove(path);
    EXPECT_TRUE(LoadIniFile(path)->SectionNames().empty());
}

// Within a read span a file is compared with the disk once; a write through the file
// layer is seen within the span, a change by another program after it ends.
TEST_F(Profile, AReadSpanLooksAtEachFileOnceAndStillSeesItsOwnWrites)
{
    const fs::path path = sandbox.dir() / "span.ini";
    WritePlainBytes(path, "[A]\r\nKey=1\r\n");
    {
        const IniReadSpan span;
        const auto first = LoadIniFile(path.string());
        EXPECT_EQ(first->Value("A", "Key"), "1");

        // Another program's edit is not looked for until the span ends...
        WritePlainBytes(path, "[A]\r\nKey=2\r\n");
        EXPECT_EQ(LoadIniFile(path.string()), first);
        {
            const IniReadSpan nested; // the same pass
            EXPECT_EQ(LoadIniFile(path.string()), first);
        }

        // ...but a write of its own is.
        UpdateIniFile(path.string(), [](IniDocument& doc) { doc.SetValue("A", "Key", "3"); });
        EXPECT_EQ(LoadIniFile(path.string())->Value("A", "Key"), "3");
    }
    WritePlainBytes(path, "[A]\r\nKey=4\r\n");
    EXPECT_EQ(LoadIniFile(path.string())->Value("A", "Key"), "4");
    {
        const IniReadSpan next; // a new span looks again
        WritePlainBytes(path, "[A]\r\nKey=5\r\n");
        EXPECT_EQ(LoadIniFile(path.string())->Value("A", "Key"), "5");
    }
}

TEST_F(Profile, ALargeFileIsReadWhole)
{
    const fs::path path = sandbox.dir() / "large.ini";
    std::string text = "[Big]\r\n";
    for (int i = 0; i < 20000; ++i)
        text += "Key" + std::to_string(i) + "=" + std::string(20, 'x') + "\r\n";
    WritePlainBytes(path, text);
    ClearIniCache();
    const auto doc = LoadIniFile(path.string());
    EXPECT_EQ(doc->Value("Big", "Key19999"), std::string(20, 'x'));
    EXPECT_EQ(doc->Serialize(), text);
}
