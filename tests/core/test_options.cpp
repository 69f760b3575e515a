#include "platform/Registry.h"
#include "platform/SystemPaths.h"
#include "settings/uOptions.h"
#include "support/FileBytes.h"
#include "support/Sandbox.h"

#include <QFile>
#include <QRegularExpression>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace registry = platform::registry;

namespace {

void WriteFile(const std::string& path, const QByteArray& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

std::string UserFile()
{
    return registry::RootFile(registry::Root::CurrentUser);
}

std::string MachineFile()
{
    return registry::RootFile(registry::Root::LocalMachine);
}

// Value lines of the registry file, as a person reads them.
QStringList ValueLines(const std::string& path)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(test::ReadBytes(path)).split(QRegularExpression(u"\r?\n"_s)))
        if (line.startsWith(u'"'))
            lines.append(line);
    return lines;
}

class OptionsStore : public ::testing::Test
{
protected:
    TIOptions MakeStore() { return TIOptions(kOptionsKeyPath, registry::Root::CurrentUser); }
    test::Sandbox sandbox;
};

} // namespace

TEST_F(OptionsStore, FreshProfileWritesOnlyTheFirstRunFlagAndReadsDefaults)
{
    TIOptions store = MakeStore();
    EXPECT_EQ(ValueLines(UserFile()), QStringList{u"\"Installed\"=dword:00000001"_s});
    EXPECT_TRUE(
        test::ReadBytes(UserFile()).contains("[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]"));

    EXPECT_FALSE(store.ReadBool(u"AppHideAfterStart"_s)); // hides into the tray at start
    EXPECT_FALSE(store.ReadBool(u"AskBeforeQuit"_s));     // asks before quitting
    EXPECT_FALSE(store.ReadBool(u"AskBeforeDeletePwd"_s));
    EXPECT_FALSE(store.ReadBool(u"ShowNews"_s));
    EXPECT_EQ(store.ReadInteger(u"WhatShowInStatusBar"_s), 0);
    EXPECT_EQ(store.ReadString(u"AutoPwd"_s), QString());
    EXPECT_EQ(store.ReadString(u"Diggest"_s), QString());
    EXPECT_EQ(store.ReadString(u"LastWhatsNew"_s), QString());
    EXPECT_EQ(store.ReadString(u"UrlForUpdate"_s), QString());
    EXPECT_EQ(store.ReadFloat(u"StartSession"_s), 0.0);
    EXPECT_EQ(store.ReadFloat(u"EndSession"_s), 0.0);
    EXPECT_TRUE(store.ReadBool(u"Installed"_s));
    // Reads write nothing.
    EXPECT_EQ(ValueLines(UserFile()).size(), 1);

    // The per-user file may hold a clear-text password: only its owner may read it.
    struct stat st
    {};
    ASSERT_EQ(stat(UserFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(OptionsStore, InstalledProfileIsNotWrittenAtConstruction)
{
    WriteFile(UserFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                          "\"Installed\"=dword:00000001\r\n"
                          "; kept as it is\r\n");
    const QByteArray before = test::ReadBytes(UserFile());
    TIOptions store = MakeStore();
    EXPECT_EQ(test::ReadBytes(UserFile()), before);
}

TEST_F(OptionsStore, FourTypesRoundTripThroughTheReadableFile)
{
    TIOptions store = MakeStore();
    store.WriteBool(u"AskBeforeQuit"_s, true);
    store.WriteInteger(u"WhatShowInStatusBar"_s, 2);
    store.WriteInteger(u"Negative"_s, -5);
    store.WriteFloat(u"StartSession"_s, 37380.5);
    store.WriteString(u"AutoPwd"_s, u"žluťoučký \"kůň\" \\"_s);

    TIOptions again = MakeStore(); // nothing is cached: a new store reads the file
    EXPECT_TRUE(again.ReadBool(u"AskBeforeQuit"_s));
    EXPECT_EQ(again.ReadInteger(u"WhatShowInStatusBar"_s), 2);
    EXPECT_EQ(again.ReadInteger(u"Negative"_s), -5);
    EXPECT_EQ(again.ReadFloat(u"StartSession"_s), 37380.5);
    EXPECT_EQ(again.ReadString(u"AutoPwd"_s), u"žluťoučký \"kůň\" \\"_s);
    EXPECT_EQ(again.ReadString(u"autopwd"_s), u"žluťoučký \"kůň\" \\"_s); // names ignore case

    const QStringList lines = ValueLines(UserFile());
    EXPECT_TRUE(lines.contains(u"\"AskBeforeQuit\"=dword:00000001"_s)) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines.contains(u"\"WhatShowInStatusBar\"=dword:00000002"_s));
    EXPECT_TRUE(lines.contains(u"\"StartSession\"=hex:00,00,00,00,90,40,e2,40"_s))
        << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines.contains(u"\"AutoPwd\"=\"žluťoučký \\\"kůň\\\" \\\\\""_s))
        << lines.join(u'\n').toStdString();

    store.WriteBool(u"AskBeforeQuit"_s, false);
    EXPECT_FALSE(again.ReadBool(u"AskBeforeQuit"_s)); // replaced, not added
    EXPECT_EQ(ValueLines(UserFile()).filter(u"AskBeforeQuit"_s).size(), 1);
}

TEST_F(OptionsStore, ValuesOfAnotherTypeAreErrors)
{
    TIOptions store = MakeStore();
    store.WriteString(u"AskBeforeQuit"_s, u"ano"_s);
    EXPECT_THROW(store.ReadBool(u"AskBeforeQuit"_s), ERegistryException);
    EXPECT_THROW(store.ReadInteger(u"AskBeforeQuit"_s), ERegistryException);
    store.WriteInteger(u"StartSession"_s, 1);
    EXPECT_THROW(store.ReadFloat(u"StartSession"_s), ERegistryException);
    store.WriteBool(u"AutoPwd"_s, true);
    EXPECT_THROW(store.ReadString(u"AutoPwd"_s), ERegistryException);
    try {
        store.ReadBool(u"AskBeforeQuit"_s);
    } catch (const ERegistryException& error) {
        const QString message = QString::fromUtf8(error.what());
        EXPECT_TRUE(message.contains(u"AskBeforeQuit"_s)) << error.what();
        EXPECT_TRUE(message.contains(QString::fromStdString(UserFile()))) << error.what();
    }
}

TEST_F(OptionsStore, FloatOfAnotherSizeIsAnError)
{
    TIOptions store = MakeStore();
    auto key = registry::Key::Open(registry::Root::CurrentUser, "Software\\Quorin Software\\Nuvex",
                                   registry::Access::ReadWrite, true);
    ASSERT_TRUE(key);
    key->Write("EndSession", registry::Value::FromBinary({1, 2, 3, 4}));
    EXPECT_THROW(store.ReadFloat(u"EndSession"_s), ERegistryException);
}

TEST_F(OptionsStore, UrlForUpdateAlwaysGetsItsPrefix)
{
    TIOptions store = MakeStore();
    const std::pair<QString, QString> cases[] = {
        {QString(), u"http://"_s},
        {u"http://example.org/nuvex"_s, u"http://example.org/nuvex"_s},
        {u"HTTP://example.org"_s, u"http://HTTP://example.org"_s},
        {u"example.org/?u=http://x"_s, u"http://example.org/?u=http://x"_s},
        {u"example.org"_s, u"http://example.org"_s},
    };
    for (const auto& [given, stored] : cases) {
        store.WriteString(u"UrlForUpdate"_s, given);
        EXPECT_EQ(store.ReadString(u"UrlForUpdate"_s), stored) << given.toStdString();
    }
    store.WriteString(u"urlforupdate"_s, u"x"_s); // the rule compares the key exactly
    EXPECT_EQ(store.ReadString(u"UrlForUpdate"_s), u"x"_s);
    store.WriteString(u"LastWhatsNew"_s, QString());
    EXPECT_EQ(store.ReadString(u"LastWhatsNew"_s), QString());
    EXPECT_EQ(ValueLines(UserFile()).filter(u"LastWhatsNew"_s), QStringList{u"\"LastWhatsNew\"=\"\""_s});
}

TEST_F(OptionsStore, ConstructorWithoutArgumentsUsesTheProgramName)
{
    TOptions store;
    EXPECT_EQ(store.KeyPath, u"Software\\Quorin Software\\nuvex_core_tests"_s);
    EXPECT_EQ(store.RootKey, registry::Root::CurrentUser);
    EXPECT_TRUE(test::ReadBytes(UserFile())
                    .contains("[HKEY_CURRENT_USER\\Software\\Quorin Software\\nuvex_core_tests]"));
}

TEST_F(OptionsStore, SessionStampsAndTheCachedStatusBarChoice)
{
    ASSERT_TRUE(CreateOptions().isEmpty());
    EXPECT_EQ(GetSessionStart(), 0.0);
    const double before = DateTimeToOle(QDateTime::currentDateTime());
    SetSessionStart();
    SetSessionEnd();
    EXPECT_GE(GetSessionStart(), before);
    EXPECT_LT(GetSessionStart() - before, 1.0 / 24 / 60); // within a minute
    EXPECT_GE(GetSessionEnd(), GetSessionStart());

    ClearSession();
    EXPECT_EQ(GetSessionStart(), 0.0);
    EXPECT_EQ(GetSessionEnd(), 0.0);
    const QStringList lines = ValueLines(UserFile());
    EXPECT_TRUE(lines.contains(u"\"StartSession\"=hex:00,00,00,00,00,00,00,00"_s)); // present, not deleted
    EXPECT_TRUE(lines.contains(u"\"EndSession\"=hex:00,00,00,00,00,00,00,00"_s));

    SetWhatShow(1);
    EXPECT_EQ(GetWhatShow(), 1);
    EXPECT_TRUE(ValueLines(UserFile()).contains(u"\"WhatShowInStatusBar\"=dword:00000001"_s));
    Options->WriteInteger(u"WhatShowInStatusBar"_s, 2); // written past the cache
    EXPECT_EQ(GetWhatShow(), 1);
    DestroyOptions();
    ASSERT_TRUE(CreateOptions().isEmpty());
    EXPECT_EQ(GetWhatShow(), 2);
    DestroyOptions();
}

TEST_F(OptionsStore, AWrongTypeAtStartUpIsReportedOnceAndTheDefaultServes)
{
    WriteFile(UserFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                          "\"Installed\"=\"yes\"\r\n"
                          "\"WhatShowInStatusBar\"=\"2\"\r\n");
    const QByteArray before = test::ReadBytes(UserFile());
    const QStringList problems = CreateOptions();
    ASSERT_TRUE(Options);
    EXPECT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems.join(u'\n').contains(u"WhatShowInStatusBar"_s));
    EXPECT_EQ(GetWhatShow(), 0);
    EXPECT_EQ(test::ReadBytes(UserFile()), before); // the person's file is not overwritten
    EXPECT_FALSE(Options->ReadBool(u"AskBeforeQuit"_s));
    DestroyOptions();
}

TEST_F(OptionsStore, ADamagedFileIsReportedAndKept)
{
    WriteFile(UserFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                          "\"Installed\"=dword:0000000z\r\n");
    const QByteArray before = test::ReadBytes(UserFile());
    try {
        TIOptions store = MakeStore();
        FAIL() << "a damaged file must not read as empty";
    } catch (const ERegistryException& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QString::fromStdString(UserFile())))
            << error.what();
    }
    EXPECT_EQ(test::ReadBytes(UserFile()), before);
}

TEST_F(OptionsStore, MachineWideKeyIsChosenWhenItExistsAndIsWritable)
{
    EXPECT_EQ(ChooseOptionsRoot(), registry::Root::CurrentUser); // no machine-wide key
    WriteFile(MachineFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Quorin Software\\Nuvex]\r\n");
    EXPECT_EQ(ChooseOptionsRoot(), registry::Root::LocalMachine);

    // A user who may not write the machine-wide file keeps the per-user store. Root may
    // write anything, so the check runs as an unprivileged user in a child process.
    std::filesystem::permissions(MachineFile(), std::filesystem::perms(0444));
    std::filesystem::permissions(std::filesystem::path(MachineFile()).parent_path(),
                                 std::filesystem::perms(0555));
    const auto chooseAsUnprivileged = [&] {
        if (geteuid() != 0)
            return ChooseOptionsRoot() == registry::Root::LocalMachine ? 1 : 0;
        // Let the other user reach the sandbox.
        for (auto dir = std::filesystem::path(MachineFile()).parent_path();
             dir != sandbox.dir().parent_path(); dir = dir.parent_path())
            std::filesystem::permissions(
                dir, std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                std::filesystem::perm_options::add);
        const pid_t child = fork();
        if (child == 0) {
            if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
                _exit(3);
            _exit(ChooseOptionsRoot() == registry::Root::LocalMachine ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 4;
    };
    EXPECT_EQ(chooseAsUnprivileged(), 0);
    std::filesystem::permissions(std::filesystem::path(MachineFile()).parent_path(),
                                 std::filesystem::perms(0755));
    std::filesystem::permissions(MachineFile(), std::filesystem::perms(0644));
}

TEST_F(OptionsStore, AGarbageMachineWideFileIsReportedNamingItAndTheUserStoreServes)
{
    static const char kGarbage[] = "\x7f"
                                   "ELF\x02\x01\x01\0\0garbage\xff\xfe";
    WriteFile(MachineFile(), QByteArray(kGarbage, sizeof kGarbage - 1));
    const QStringList problems = CreateOptions();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QString::fromStdString(MachineFile()))) << problems[0].toStdString();
    EXPECT_EQ(Options->RootKey, registry::Root::CurrentUser);
    EXPECT_NO_THROW(SetWhatShow(1));
    DestroyOptions();
}

TEST_F(OptionsStore, CreatedOnTheMachineWideKeyTheStoreUsesIt)
{
    WriteFile(MachineFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Quorin Software\\Nuvex]\r\n"
                             "\"Installed\"=dword:00000001\r\n"
                             "\"WhatShowInStatusBar\"=dword:00000002\r\n");
    ASSERT_TRUE(CreateOptions().isEmpty());
    EXPECT_EQ(Options->RootKey, registry::Root::LocalMachine);
    EXPECT_EQ(GetWhatShow(), 2);
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
    DestroyOptions();
}

TEST(SafeFloatText, HasNoDecimalSeparatorAndRoundTrips)
{
    const QLocale comma(QLocale::Czech, QLocale::Czechia);
    const QLocale point = QLocale::c();
    for (const QLocale& locale : {comma, point}) {
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_EQ(FloatToSafeStr(37380.5, locale), u"37380?5"_s);
        EXPECT_EQ(FloatToSafeStr(0.0, locale), u"0"_s);
        EXPECT_EQ(FloatToSafeStr(37380.541666666667, locale), u"37380?5416666667"_s);
        EXPECT_EQ(FloatToSafeStr(1234567.25, locale), u"1234567?25"_s); // no group separator
        const double now = DateTimeToOle(QDateTime::currentDateTime());
        const QString text = FloatToSafeStr(now, locale);
        EXPECT_FALSE(text.contains(u','));
        EXPECT_FALSE(text.contains(u'.'));
        EXPECT_NEAR(SafeStrToFloat(text, locale), now, std::abs(now) * 1e-14);
        EXPECT_EQ(SafeStrToFloat(u"37380?5"_s, locale), 37380.5);
        EXPECT_EQ(SafeStrToFloat(u"0"_s, locale), 0.0);
        EXPECT_THROW(SafeStrToFloat(u"37380?5?1"_s, locale), EConvertError); // only the first "?" is replaced
        EXPECT_THROW(SafeStrToFloat(u"abc"_s, locale), EConvertError);
        EXPECT_THROW(SafeStrToFloat(QString(), locale), EConvertError);
    }
}

TEST(OleDate, CountsDaysSinceTheEndOf1899)
{
    EXPECT_EQ(DateTimeToOle(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_EQ(DateTimeToOle(QDateTime(QDate(2002, 5, 4), QTime(12, 0))), 37380.5);
    EXPECT_EQ(FloatToSafeStr(DateTimeToOle(QDateTime(QDate(2002, 5, 4), QTime(13, 0))), QLocale::c()),
              u"37380?5416666667"_s);
    EXPECT_EQ(OleToDateTime(37380.5), QDateTime(QDate(2002, 5, 4), QTime(12, 0)));
    EXPECT_EQ(OleToDateTime(DateTimeToOle(QDateTime(QDate(2026, 12, 8), QTime(17, 3, 25)))),
              QDateTime(QDate(2026, 12, 8), QTime(17, 3, 25)));
}
