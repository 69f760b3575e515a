// How files are read and replaced whatever they are on disk: links, read-only files,
// FIFOs and devices, UTF-16 text, large files, and what killed writers leave behind.

#include "platform/AtomicFile.h"
#include "platform/IniFileAccess.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "support/ChildProcess.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nuvex::platform;
using namespace nuvex::test;
using FileWrites = nuvex::test::SandboxTest;

namespace {

// The ProfileError message of a write, or "" when it succeeded.
std::string WriteError(const std::string& file, const std::string& value)
{
    const auto error =
        nuvex::test::Thrown<ProfileError>([&] { WriteProfileString(file, "Internet", "Tn", value); });
    return error ? error->what() : "";
}

} // namespace

TEST_F(FileWrites, AReadOnlyFileIsRefusedNamingItAndStaysAsItWas)
{
    const fs::path file = sandbox.machine() / "windows" / "Nuvex.val";
    WritePlainBytes(file, "[Internet]\r\nTn=1\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string error = WriteError("Nuvex.val", "2");
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_EQ(ReadPlainBytes(file), "[Internet]\r\nTn=1\r\n");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(FolderNames(file.parent_path()), std::vector<std::string>{"Nuvex.val"});

    // The same for a registry file.
    const std::string reg = registry::RootFile(registry::Root::CurrentUser);
    registry::Key::Open(registry::Root::CurrentUser, "Software\\N", registry::Access::ReadWrite, true)
        ->Write("A", registry::Value::FromDWord(1));
    chmod(reg.c_str(), 0400);
    const std::string before = ReadPlainBytes(reg);
    const auto refused = nuvex::test::Thrown<registry::RegistryError>([] {
        registry::Key::Open(registry::Root::CurrentUser, "Software\\N", registry::Access::Read, false)
            ->Write("A", registry::Value::FromDWord(2));
    });
    ASSERT_TRUE(refused) << "a read-only registry file was replaced";
    EXPECT_NE(std::string(refused->what()).find(reg), std::string::npos) << refused->what();
    EXPECT_EQ(ReadPlainBytes(reg), before);
}

TEST_F(FileWrites, ALinkIsFollowedAndItsTargetReplacedWhileTheLinkStays)
{
    const fs::path real = sandbox.dir() / "shared" / "trusted.val";
    WritePlainBytes(real, "[Internet]\r\nTn=1\r\n");
    chmod(real.c_str(), 0640);
    const fs::path windows = sandbox.machine() / "windows";
    fs::create_directories(windows);
    fs::create_symlink("../../shared/trusted.val", windows / "Nuvex.val");   // relative, two hops below
    fs::create_symlink(windows / "Nuvex.val", sandbox.dir() / "second.val"); // a chain

    EXPECT_EQ(WriteError("Nuvex.val", "2"), "");
    EXPECT_TRUE(fs::is_symlink(windows / "Nuvex.val"));
    EXPECT_EQ(ReadPlainBytes(real), "[Internet]\r\nTn=2\r\n");
    EXPECT_EQ(ReadProfileString("Nuvex.val", "Internet", "Tn", ""), "2");
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    EXPECT_EQ(WriteError((sandbox.dir() / "second.val").string(), "3"), "");
    EXPECT_TRUE(fs::is_symlink(sandbox.dir() / "second.val"));
    EXPECT_EQ(ReadPlainBytes(real), "[Internet]\r\nTn=3\r\n");
    EXPECT_EQ(FolderNames(windows), std::vector<std::string>{"Nuvex.val"});
    EXPECT_EQ(FolderNames(real.parent_path()), std::vector<std::string>{"trusted.val"});

    // A link to a file not yet there creates it; a loop is an error, not a hang.
    fs::create_symlink("later.val", sandbox.dir() / "dangling.val");
    EXPECT_EQ(WriteError((sandbox.dir() / "dangling.val").string(), "4"), "");
    EXPECT_EQ(ReadPlainBytes(sandbox.dir() / "later.val"), "[Internet]\r\nTn=4\r\n");
    fs::create_symlink("loop.val", sandbox.dir() / "loop.val");
    EXPECT_NE(WriteError((sandbox.dir() / "loop.val").string(), "5"), "");

    // A registry root behind a link keeps its link too.
    const std::string reg = registry::RootFile(registry::Root::CurrentUser);
    const fs::path regTarget = sandbox.dir() / "shared" / "user.reg";
    fs::create_directories(fs::path(reg).parent_path());
    fs::create_symlink(regTarget, reg);
    registry::Key::Open(registry::Root::CurrentUser, "Software\\N", registry::Access::ReadWrite, true)
        ->Write("A", registry::Value::FromDWord(7));
    EXPECT_TRUE(fs::is_symlink(reg));
    EXPECT_NE(ReadPlainBytes(regTarget).find("\"A\"=dword:00000007"), std::string::npos);
}

TEST_F(FileWrites, AFifoOrADeviceReadsAsMissingAndIsNeverWritten)
{
    const fs::path fifo = sandbox.dir() / "fifo.val";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // Both would block or never end if they were read.
    EXPECT_EQ(ReadProfileString(fifo.string(), "Internet", "Tn", "d"), "d");
    EXPECT_TRUE(ReadProfileSectionNames("/dev/zero").empty());
    EXPECT_FALSE(ReadWholeFile(fifo.string()));

    const std::string error = WriteError(fifo.string(), "1");
    EXPECT_NE(error.find(fifo.string()), std::string::npos) << error;
    EXPECT_TRUE(fs::is_fifo(fifo));
    for (const std::string& name : FolderNames(sandbox.dir()))
        EXPECT_FALSE(IsTempFileName(name, "fifo.val")) << name;
}

TEST_F(FileWrites, AUnicodeFileIsWrittenBackAsUnicode)
{
    const fs::path file = sandbox.machine() / "windows" / "Nuvex.val";
    // "[Práce]\r\nTn=1\r\n" in UTF-16LE with its mark, as Notepad saves "Unicode".
    const std::string utf16("\xFF\xFE[\0P\0r\0\xE1\0"
                            "c\0e\0]\0\r\0\n\0T\0n\0=\0"
                            "1\0\r\0\n\0",
                            32);
    WritePlainBytes(file, utf16);
    EXPECT_EQ(ReadProfileSectionNames("Nuvex.val"), std::vector<std::string>{"Práce"});
    EXPECT_EQ(ReadProfileString("Nuvex.val", "práce", "Tn", ""), "1");
    WriteProfileString("Nuvex.val", "Práce", "Tn", "2");
    EXPECT_EQ(ReadPlainBytes(file), std::string("\xFF\xFE[\0P\0r\0\xE1\0"
                                                "c\0e\0]\0\r\0\n\0T\0n\0=\0"
                                                "2\0\r\0\n\0",
                                                32));
}

TEST_F(FileWrites, TemporaryFilesOfKilledWritersAreClearedByTheNextWrite)
{
    const fs::path dir = sandbox.machine() / "windows";
    WritePlainBytes(dir / "Nuvex.val", "[Internet]\r\nTn=1\r\n");
    // What a writer killed in the middle of a replace used to leave, and files that only
    // look alike.
    WritePlainBytes(dir / ".Nuvex.val.Ab3xYz", "[Internet]\r\nTn=secret\r\n");
    WritePlainBytes(dir / ".other.val.Ab3xYz", "x");
    WritePlainBytes(dir / ".Nuvex.val.bak", "x");

    // Writers killed at random points leave nothing a later write does not clear.
    for (int round = 0; round < 20; ++round) {
        const pid_t pid = Spawn([] {
            for (int k = 0;; ++k)
                WriteProfileString("Nuvex.val", "Internet", "Tn",
                                   std::string(20000, static_cast<char>('a' + k % 26)));
            return true;
        });
        usleep(static_cast<useconds_t>(2000 + round * 500));
        kill(pid, SIGKILL);
        EXPECT_FALSE(Succeeded(pid));
    }
    WriteProfileString("Nuvex.val", "Internet", "Tn", "2");
    EXPECT_EQ(ReadProfileString("Nuvex.val", "Internet", "Tn", ""), "2");
    EXPECT_EQ(FolderNames(dir),
              (std::vector<std::string>{".Nuvex.val.bak", ".other.val.Ab3xYz", "Nuvex.val"}));
}

TEST_F(FileWrites, ReadingALargeFileTakesAFewTimesItsSize)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's redzones and quarantine change what memory is measured";
#endif
    const fs::path file = sandbox.dir() / "202612.txt";
    {
        std::ofstream out(file, std::ios::binary);
        out << "[SESSION]\r\n";
        for (int k = 0; out.tellp() < 30'000'000; ++k)
            out << "46365?" << k << "=46365?" << k + 1 << ",57600,5000,Internet\r\n";
    }
    const auto size = static_cast<double>(fs::file_size(file));
    // Measured in a child of its own, whose peak is this read's.
    const pid_t pid = Spawn([&] {
        auto peak = [] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            return static_cast<double>(usage.ru_maxrss) * 1024.0;
        };
        const double before = peak();
        const auto doc = LoadIniFile(file.string());
        const double loaded = peak() - before;
        const auto entries = doc->Entries("SESSION");
        const double listed = peak() - before;
        std::fprintf(stderr, "%.0f MB file: %.0f MB more to read, %.0f MB with its %zu entries\n", size / 1e6,
                     loaded / 1e6, listed / 1e6, entries.size());
        return entries.size() > 500'000 && loaded < 3.0 * size && listed < 6.0 * size;
    });
    EXPECT_TRUE(Succeeded(pid));
}
