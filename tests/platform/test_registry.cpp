#include "platform/Registry.h"
#include "support/ChildProcess.h"
#include "support/HostRoot.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nuvex::platform::registry;
using namespace nuvex::test;
using Registry = nuvex::test::SandboxTest;

namespace {

constexpr const char* kNuvex = "Software\\Quorin Software\\Nuvex";
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

Key OpenOrFail(Root root, const std::string& path)
{
    auto key = Key::Open(root, path, Access::ReadWrite, true);
    if (!key)
        throw std::runtime_error("key " + path + " could not be opened");
    return *key;
}

// A root file holding these bytes: opening a key, creating one, reading and writing all
// fail with a message naming the file and then `after` (all of it, when whole), and the
// file keeps its bytes.
void ExpectDamaged(const std::string& bytes, const std::string& after, bool whole)
{
    nuvex::test::Sandbox sandbox;
    const std::string file = RootFile(Root::CurrentUser);
    EXPECT_FALSE(Key::Open(Root::CurrentUser, "Software\\X", Access::Read, false)); // no file: no key
    Key opened = OpenOrFail(Root::CurrentUser, "Software\\X");
    WritePlainBytes(file, bytes);

    const std::string expected = "Soubor " + file + " je poškozen" + after;
    const auto expectDamaged = [&](const auto& operation) {
        try {
            operation();
            ADD_FAILURE() << "a damaged file was accepted";
        } catch (const RegistryError& e) {
            EXPECT_EQ(whole ? e.what() : std::string(e.what()).substr(0, expected.size()), expected)
                << e.what();
        }
    };
    expectDamaged([&] { Key::Open(Root::CurrentUser, "Software\\X", Access::Read, false); });
    expectDamaged([&] { Key::Open(Root::CurrentUser, "Software\\New", Access::ReadWrite, true); });
    expectDamaged([&] { opened.Read("A"); });
    expectDamaged([&] { opened.Write("A", Value::FromDWord(1)); });
    EXPECT_EQ(ReadPlainBytes(file), bytes);
}

} // namespace

TEST_F(Registry, ValuesRoundTripWithTheirTypesInTheRegistrysLayout)
{
    Key key = OpenOrFail(Root::CurrentUser, kNuvex);
    const double start = 36526.5;
    std::vector<std::uint8_t> doubleBytes(sizeof start);
    std::memcpy(doubleBytes.data(), &start, sizeof start);
    const std::string text = "tajné \"heslo\" a \\ na konci\\";

    key.Write("Installed", Value::FromDWord(1));
    key.Write("Max", Value::FromDWord(0xFFFFFFFF));
    key.Write("StartSession", Value::FromBinary(doubleBytes));
    key.Write("Empty", Value::FromBinary({}));
    key.Write("AutoPwd", Value::FromString(text));
    key.Write("Blank", Value::FromString(""));

    EXPECT_EQ(ReadPlainBytes(RootFile(Root::CurrentUser)),
              std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                                     "\"Installed\"=dword:00000001\r\n"
                                     "\"Max\"=dword:ffffffff\r\n"
                                     "\"StartSession\"=hex:00,00,00,00,d0,d5,e1,40\r\n"
                                     "\"Empty\"=hex:\r\n"
                                     "\"AutoPwd\"=\"tajné \\\"heslo\\\" a \\\\ na konci\\\\\"\r\n"
                                     "\"Blank\"=\"\"\r\n");

    EXPECT_EQ(key.Read("Max")->AsDWord(), 0xFFFFFFFFu);
    EXPECT_EQ(key.Read("StartSession"), Value::FromBinary(doubleBytes));
    EXPECT_EQ(key.Read("Empty"), Value::FromBinary({}));
    EXPECT_EQ(key.Read("AutoPwd")->AsString(), text);
    EXPECT_EQ(key.Read("Blank"), Value::FromString(""));
    EXPECT_FALSE(key.Read("Missing"));

    // A value may change its type in place.
    key.Write("Installed", Value::FromString("ano"));
    EXPECT_EQ(key.Read("Installed"), Value::FromString("ano"));

    // The helpers use the registry's layout, and a value reads only as its own type.
    EXPECT_EQ(Value::FromDWord(0x12345678).data, (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
    const auto error = nuvex::test::Thrown<RegistryError>([] { Value::FromBinary({1, 2, 3, 4}).AsDWord(); });
    ASSERT_TRUE(error) << "a binary value read as a DWORD";
    EXPECT_STREQ(error->what(), "Hodnota není typu REG_DWORD.");
    EXPECT_THROW((Value{ValueType::DWord, {1, 2}}).AsDWord(), RegistryError);
    EXPECT_THROW(Value::FromDWord(1).AsString(), RegistryError);
}

TEST_F(Registry, NamesAndKeyPathsMatchIgnoringCase)
{
    OpenOrFail(Root::CurrentUser, "Software\\Quorin Software\\Připojení\\")
        .Write("Číslo", Value::FromDWord(1));
    Key upper = OpenOrFail(Root::CurrentUser, "SOFTWARE\\quorin software\\PŘIPOJENÍ");
    upper.Write("ČÍSLO", Value::FromDWord(2));
    upper.Write("Jméno", Value::FromString("jan"));
    OpenOrFail(Root::CurrentUser, "software\\QUORIN SOFTWARE\\Nový").Write("A", Value::FromDWord(3));

    // The spelling written first stays, in key paths and value names alike.
    EXPECT_EQ(ReadPlainBytes(RootFile(Root::CurrentUser)),
              std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Připojení]\r\n"
                                     "\"Číslo\"=dword:00000002\r\n"
                                     "\"Jméno\"=\"jan\"\r\n"
                                     "\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nový]\r\n"
                                     "\"A\"=dword:00000003\r\n");
    const auto key =
        Key::Open(Root::CurrentUser, "software\\quorin software\\připojení\\", Access::Read, false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Read("číslo")->AsDWord(), 2u);
    EXPECT_EQ(key->Read("JMÉNO")->AsString(), "jan");

    // Ancestors exist without a section of their own; a mere prefix of a name is no key.
    EXPECT_TRUE(Key::Open(Root::CurrentUser, "SOFTWARE\\Quorin Software", Access::Read, false));
    EXPECT_TRUE(Key::Open(Root::CurrentUser, "", Access::Read, false));
    EXPECT_FALSE(Key::Open(Root::CurrentUser, "Software\\Quorin", Access::Read, false));
    EXPECT_THROW(Key::Open(Root::CurrentUser, "Software\\\\Nuvex", Access::Read, false), RegistryError);
}

TEST_F(Registry, OpenCreatesOnlyWhenAsked)
{
    const fs::path machineFile = RootFile(Root::LocalMachine);
    EXPECT_EQ(machineFile, sandbox.machine() / "registry" / "machine.reg");
    EXPECT_EQ(RootFile(Root::CurrentUser), (sandbox.machine() / "home" / "user.reg").string());

    EXPECT_FALSE(Key::Open(Root::LocalMachine, kNuvex, Access::Read, false));
    EXPECT_FALSE(Key::Open(Root::LocalMachine, kNuvex, Access::ReadWrite, false));
    EXPECT_FALSE(fs::exists(machineFile));

    // Even a key opened for reading is created: the options store opens its key that way.
    const auto key = Key::Open(Root::LocalMachine, kNuvex, Access::Read, true);
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadPlainBytes(machineFile),
              std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\Software\\Quorin Software\\Nuvex]\r\n");
    EXPECT_FALSE(key->Read("Installed"));

    // A key that vanished reads as empty and comes back with the next write.
    fs::remove(machineFile);
    EXPECT_FALSE(key->Read("Installed"));
    Key again = *key;
    again.Write("Installed", Value::FromDWord(1));
    EXPECT_EQ(Key::Open(Root::LocalMachine, kNuvex, Access::Read, false)->Read("installed"),
              Value::FromDWord(1));
}

TEST_F(Registry, NewFilesGetTheirModeAndExistingFilesKeepTheirs)
{
    const mode_t previous = umask(022);
    OpenOrFail(Root::CurrentUser, kNuvex).Write("AutoPwd", Value::FromString("tajné"));
    OpenOrFail(Root::LocalMachine, kNuvex).Write("Installed", Value::FromDWord(1));
    umask(previous);
    EXPECT_EQ(nuvex::test::FileMode(RootFile(Root::CurrentUser)), 0600u);
    EXPECT_EQ(nuvex::test::FileMode(RootFile(Root::LocalMachine)), 0644u);

    chmod(RootFile(Root::CurrentUser).c_str(), 0640);
    OpenOrFail(Root::CurrentUser, kNuvex).Write("AutoPwd", Value::FromString("jiné"));
    EXPECT_EQ(nuvex::test::FileMode(RootFile(Root::CurrentUser)), 0640u);
}

TEST_F(Registry, HandEditedFileReadsAndWritesTouchOnlyTheirLines)
{
    const std::string file = RootFile(Root::CurrentUser);
    WritePlainBytes(file, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                          "\r\n"
                          "; ruční úprava\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                          "\"Installed\"=dword:0000000A\r\n"
                          "\"StartSession\"=hex:00,00,00,00,\\\r\n"
                          "  00,40,E2,40\r\n"
                          "\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Other]\n"
                          "@=\"výchozí\"\n"
                          "; poznámka\n"
                          "\n"
                          "[hkey_current_user\\software\\quorin software\\nuvex\\]\r\n"
                          "\"Later\"=dword:00000002");

    const auto nuvex = Key::Open(Root::CurrentUser, kNuvex, Access::ReadWrite, false);
    const auto other = Key::Open(Root::CurrentUser, "Software\\Other", Access::ReadWrite, false);
    ASSERT_TRUE(nuvex && other);
    EXPECT_EQ(nuvex->Read("Installed")->AsDWord(), 10u);
    EXPECT_EQ(nuvex->Read("StartSession"), Value::FromBinary({0, 0, 0, 0, 0x00, 0x40, 0xe2, 0x40}));
    EXPECT_EQ(nuvex->Read("Later")->AsDWord(), 2u);
    EXPECT_EQ(other->Read("")->AsString(), "výchozí");

    // Rewriting the same value leaves even its uppercase digits alone.
    Key(*nuvex).Write("installed", Value::FromDWord(10));
    Key(*nuvex).Write("startsession", Value::FromBinary({1, 2}));
    Key(*nuvex).Write("New", Value::FromDWord(5));
    Key(*other).Write("Nový", Value::FromString("a"));
    EXPECT_EQ(ReadPlainBytes(file), "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                                    "\r\n"
                                    "; ruční úprava\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                                    "\"Installed\"=dword:0000000A\r\n"
                                    "\"StartSession\"=hex:01,02\r\n"
                                    "\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Other]\n"
                                    "@=\"výchozí\"\n"
                                    "\"Nový\"=\"a\"\r\n"
                                    "; poznámka\n"
                                    "\n"
                                    "[hkey_current_user\\software\\quorin software\\nuvex\\]\r\n"
                                    "\"Later\"=dword:00000002\r\n"
                                    "\"New\"=dword:00000005\r\n");
}

TEST_F(Registry, ADamagedOrEmptyFileIsReportedAndNeverOverwritten)
{
    const std::string key = "[HKEY_CURRENT_USER\\Software\\X]\r\n";
    const std::string good = kHeader + key;
    const struct
    {
        std::string bytes;
        int line;
    } cases[] = {
        {good + "\"A\"=dword:0000001\r\n", 4},
        {good + "\"A\"=dword:0000001g\r\n", 4},
        {good + "\"A\"=hex:00,0g\r\n", 4},
        {good + "\"A\"=hex:00,\\\r\n  01,,02\r\n", 5},
        {good + "\"A\"=hex:00,\\\r\n", 4},
        {good + "\"A\"=hex(2):00\r\n", 4},
        {good + "\"A\"=\"text\r\n", 4},
        {good + "\"A\"=\"a\\n\"\r\n", 4},
        {good + "\"A=\"text\"\r\n", 4},
        {good + "\"A\"=-\r\n", 4},
        {good + "A=1\r\n", 4},
        {good + "[HKEY_LOCAL_MACHINE\\Software\\X]\r\n", 4},
        {good + "[HKEY_CLASSES_ROOT\\X]\r\n", 4},
        {good + "[HKEY_CURRENT_USER\\X\r\n", 4},
        {good + "[HKEY_CURRENT_USER\\X\\\\Y]\r\n", 4},
        {std::string(kHeader) + "\"A\"=dword:00000001\r\n" + key, 3},
        {"REGEDIT4\r\n\r\n" + key, 1},
        {"\r\n; komentář\r\nWindows Registry Editor Version 5.00\r\n", 2},
    };
    for (const auto& damaged : cases) {
        SCOPED_TRACE(damaged.bytes);
        ExpectDamaged(damaged.bytes, " (řádek " + std::to_string(damaged.line) + "): ", false);
    }
    // An empty file is damaged too, while a missing one is an empty root.
    for (const std::string& blank : {std::string(), std::string("\r\n  \t\n"), std::string("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(blank);
        ExpectDamaged(blank, ": je prázdný, chybí i jeho záhlaví „Windows Registry Editor Version 5.00“.",
                      true);
    }
}

TEST_F(Registry, TextThatCannotBeOneLineIsRefused)
{
    Key key = OpenOrFail(Root::CurrentUser, kNuvex);
    const std::string before = ReadPlainBytes(RootFile(Root::CurrentUser));
    EXPECT_THROW(key.Write("A", Value::FromString("první\r\n\"B\"=\"druhý")), RegistryError);
    EXPECT_THROW(key.Write("A", Value::FromString("a\rb")), RegistryError);
    EXPECT_THROW(key.Write("A\nB", Value::FromDWord(1)), RegistryError);
    EXPECT_EQ(ReadPlainBytes(RootFile(Root::CurrentUser)), before);

    // Refused before anything is created.
    Key vanished(*Key::Open(Root::CurrentUser, kNuvex, Access::Read, false));
    fs::remove(RootFile(Root::CurrentUser));
    EXPECT_THROW(vanished.Write("A", Value::FromString("a\nb")), RegistryError);
    EXPECT_FALSE(fs::exists(RootFile(Root::CurrentUser)));
}

TEST_F(Registry, ReadWriteOpenNeedsAFileTheUserMayWrite)
{
    OpenOrFail(Root::LocalMachine, kNuvex).Write("Installed", Value::FromDWord(1));
    const fs::path file = RootFile(Root::LocalMachine);
    const std::string bytes = ReadPlainBytes(file);

    // The machine-wide file exists; the per-user one does not, and its nearest existing
    // folder is the machine's root.
    const auto check = [&] {
        return Key::Open(Root::LocalMachine, kNuvex, Access::Read, false).has_value() &&
               !Key::Open(Root::LocalMachine, kNuvex, Access::ReadWrite, false) &&
               !Key::Open(Root::LocalMachine, "Software\\New", Access::ReadWrite, true) &&
               Key::Open(Root::CurrentUser, "", Access::Read, false).has_value() &&
               !Key::Open(Root::CurrentUser, "", Access::ReadWrite, false);
    };
    if (geteuid() == 0) {
        // Permission bits do not stop root: the check runs as an unprivileged user.
        for (const fs::path& dir : {sandbox.dir(), sandbox.machine(), file.parent_path()})
            chmod(dir.c_str(), 0755);
    } else {
        chmod(file.c_str(), 0444);
        chmod(file.parent_path().c_str(), 0555);
        chmod(sandbox.machine().c_str(), 0555);
    }
    EXPECT_TRUE(nuvex::test::RunAsOrdinaryUser(check));
    chmod(sandbox.machine().c_str(), 0755);
    chmod(file.parent_path().c_str(), 0755);
    chmod(file.c_str(), 0644);
    EXPECT_EQ(ReadPlainBytes(file), bytes);
    EXPECT_TRUE(Key::Open(Root::LocalMachine, kNuvex, Access::ReadWrite, false));
}

TEST_F(Registry, ConcurrentWritersLoseNothing)
{
    constexpr int kValues = 50;
    const auto write = [](int writer) {
        for (int i = 0; i < kValues; ++i)
            OpenOrFail(Root::CurrentUser, kNuvex)
                .Write("W" + std::to_string(writer) + "V" + std::to_string(i), Value::FromDWord(i));
        return true;
    };
    const pid_t first = Spawn([&] { return write(1); });
    const pid_t second = Spawn([&] { return write(2); });
    EXPECT_TRUE(Succeeded(first));
    EXPECT_TRUE(Succeeded(second));

    const auto key = Key::Open(Root::CurrentUser, kNuvex, Access::Read, false);
    ASSERT_TRUE(key);
    for (int writer = 1; writer <= 2; ++writer) {
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(key->Read("W" + std::to_string(writer) + "V" + std::to_string(i)), Value::FromDWord(i));
    }
    const std::string bytes = ReadPlainBytes(RootFile(Root::CurrentUser));
    EXPECT_EQ(bytes.find("[HKEY_CURRENT_USER"), bytes.rfind("[HKEY_CURRENT_USER"))
        << "the key was created twice";
}

TEST_F(Registry, FailedWriteNamesTheFile)
{
    const std::string file = RootFile(Root::CurrentUser);
    WritePlainBytes(fs::path(file).parent_path(), "a file where the folder must be");
    EXPECT_FALSE(Key::Open(Root::CurrentUser, kNuvex, Access::ReadWrite, true));
    const auto error =
        nuvex::test::Thrown<RegistryError>([] { Key::Open(Root::CurrentUser, kNuvex, Access::Read, true); });
    ASSERT_TRUE(error) << "a key was created below a regular file";
    EXPECT_EQ(std::string(error->what()).find("Soubor " + file + " nelze zapsat: "), 0u) << error->what();

    // A folder in place of the file cannot even be read.
    fs::remove(fs::path(file).parent_path());
    fs::create_directories(file);
    EXPECT_THROW(Key::Open(Root::CurrentUser, kNuvex, Access::Read, false), RegistryError);
}

// Reads are served from the parsed file while it is unchanged; every change, by hand
// (even of the same size within the same second), by this process or by damage, is seen
// at the next read.
TEST_F(Registry, RepeatedReadsSeeEveryChangeOfTheFile)
{
    const std::string file = RootFile(Root::CurrentUser);
    const std::string key = "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n";
    WritePlainBytes(file, kHeader + key + "\"Number\"=dword:00000001\r\n");
    const auto nuvex = Key::Open(Root::CurrentUser, kNuvex, Access::ReadWrite, false);
    ASSERT_TRUE(nuvex);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(nuvex->Read("Number")->AsDWord(), 1u);

    WritePlainBytes(file, kHeader + key + "\"Number\"=dword:00000002\r\n");
    EXPECT_EQ(nuvex->Read("Number")->AsDWord(), 2u);

    Key writable = *nuvex;
    writable.Write("Number", Value::FromDWord(3));
    EXPECT_EQ(nuvex->Read("Number")->AsDWord(), 3u);

    WritePlainBytes(file, kHeader + key + "\"Number\"=dword:0000000g\r\n");
    EXPECT_THROW(nuvex->Read("Number"), RegistryError);
    EXPECT_THROW(nuvex->Read("Number"), RegistryError); // a damaged file is never remembered

    fs::remove(file);
    EXPECT_FALSE(nuvex->Read("Number").has_value());
}
