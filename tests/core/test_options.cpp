#include "platform/Registry.h"
#include "platform/SystemPaths.h"
#include "settings/uOptions.h"
#include "support/FileBytes.h"
#include "support/HostRoot.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace registry = platform::registry;

namespace {

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

// The value as it stands in the per-user file, past the options store.
std::optional<registry::Value> RawUserValue(const std::string& name)
{
    const auto key = registry::Key::Open(registry::Root::CurrentUser, "Software\\Quorin Software\\Nuvex",
                                         registry::Access::Read, false);
    return key ? key->Read(name) : std::nullopt;
}

// A value as another version or a person's editor may have left it.
void WriteRawUserValue(const std::string& name, const registry::Value& value)
{
    auto key = registry::Key::Open(registry::Root::CurrentUser, "Software\\Quorin Software\\Nuvex",
                                   registry::Access::ReadWrite, true);
    ASSERT_TRUE(key);
    key->Write(name, value);
}

class OptionsStore : public nuvex::test::SandboxTest
{
protected:
    TIOptions MakeStore() { return TIOptions(kOptionsKeyPath, registry::Root::CurrentUser); }
};

registry::Value DoubleValue(double value)
{
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return registry::Value::FromBinary(std::move(bytes));
}

// One option of the table: a write through its accessor and the value it must leave in
// the file; a value as files hold it and whether the accessor reads it as meant.
struct StoredForm
{
    std::string name;
    std::function<void(TOptions&)> write;
    std::function<bool(TOptions&)> readsStored;
    registry::Value written;
    registry::Value stored;
};

std::vector<StoredForm> EveryOptionsStoredForm()
{
    using V = registry::Value;
    return {
        // The first-run check of the store's constructor writes it.
        {"Installed", [](TOptions&) {}, [](TOptions& o) { return !o.Installed(); }, V::FromDWord(1),
         V::FromDWord(0)},
        {"AppHideAfterStart", [](TOptions& o) { o.SetHideAtStart(false); },
         [](TOptions& o) { return o.HideAtStart(); }, V::FromDWord(1), V::FromDWord(0)},
        {"AskBeforeQuit", [](TOptions& o) { o.SetConfirmQuit(false); },
         [](TOptions& o) { return o.ConfirmQuit(); }, V::FromDWord(1), V::FromDWord(0)},
        {"AskBeforeDeletePwd", [](TOptions& o) { o.SetConfirmPasswordDelete(false); },
         [](TOptions& o) { return o.ConfirmPasswordDelete(); }, V::FromDWord(1), V::FromDWord(0)},
        {"WhatShowInStatusBar", [](TOptions& o) { o.SetStatusBarFigure(2); },
         [](TOptions& o) { return o.StatusBarFigure() == 1; }, V::FromDWord(2), V::FromDWord(1)},
        {"ShowNews", [](TOptions& o) { o.SetNewsPending(true); },
         [](TOptions& o) { return !o.NewsPending(); }, V::FromDWord(1), V::FromDWord(0)},
        {"LastWhatsNew", [](TOptions& o) { o.SetLastNewsVersion(u"2.0.0.1"_s); },
         [](TOptions& o) { return o.LastNewsVersion() == u"1.9"_s; }, V::FromString("2.0.0.1"),
         V::FromString("1.9")},
        {"UrlForUpdate", [](TOptions& o) { o.SetUpdateUrl(u"example.org"_s); },
         [](TOptions& o) { return o.UpdateUrl() == u"ftp://x"_s; }, V::FromString("http://example.org"),
         V::FromString("ftp://x")},
        {"StartSession", [](TOptions& o) { o.SetSessionStamps(37380.5, 37380.75); },
         [](TOptions& o) { return o.SessionStartStamp() == 1.25; }, DoubleValue(37380.5), DoubleValue(1.25)},
        {"EndSession", [](TOptions& o) { o.SetSessionEndStamp(37381.0); },
         [](TOptions& o) { return o.SessionEndStamp() == 2.5; }, DoubleValue(37381.0), DoubleValue(2.5)},
        {"AutoPwd", [](TOptions& o) { o.SetAutoPassword(u"Kůň"_s); },
         [](TOptions& o) { return o.AutoPassword() == u"jiné"_s; }, V::FromString("Kůň"),
         V::FromString("jiné")},
        {"Diggest", [](TOptions& o) { o.SetOlderPasswordDigest(u"AB12"_s); },
         [](TOptions& o) { return o.OlderPasswordDigest() == u"CD34"_s; }, V::FromString("AB12"),
         V::FromString("CD34")},
        {"PwdVerifier", [](TOptions& o) { o.SetPasswordVerifier(u"v1$x"_s); },
         [](TOptions& o) { return o.PasswordVerifier() == u"v1$y"_s; }, V::FromString("v1$x"),
         V::FromString("v1$y")},
        {"HostTrustAsked", [](TOptions& o) { o.SetHostTrustAsked(true); },
         [](TOptions& o) { return !o.HostTrustAsked(); }, V::FromDWord(1), V::FromDWord(0)},
        {"AutoStartOffered", [](TOptions& o) { o.SetAutoStartOffered(true); },
         [](TOptions& o) { return !o.AutoStartOffered(); }, V::FromDWord(1), V::FromDWord(0)},
    };
}

registry::ValueType StoredType(OptionType type)
{
    switch (type) {
    case OptionType::Bool:
    case OptionType::Integer:
        return registry::ValueType::DWord;
    case OptionType::DateTime:
        return registry::ValueType::Binary;
    case OptionType::Text:
        return registry::ValueType::String;
    }
    return static_cast<registry::ValueType>(0);
}

} // namespace

TEST_F(OptionsStore, FreshProfileWritesOnlyTheFirstRunFlagAndReadsDefaults)
{
    TIOptions store = MakeStore();
    EXPECT_EQ(ValueLines(UserFile()), QStringList{u"\"Installed\"=dword:00000001"_s});
    EXPECT_TRUE(
        test::ReadBytes(UserFile()).contains("[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]"));

    EXPECT_TRUE(store.HideAtStart());           // hides into the tray at start
    EXPECT_TRUE(store.ConfirmQuit());           // asks before quitting
    EXPECT_TRUE(store.ConfirmPasswordDelete()); // asks before deleting a record
    EXPECT_FALSE(store.NewsPending());
    EXPECT_EQ(store.StatusBarFigure(), 0);
    EXPECT_EQ(store.AutoPassword(), QString());
    EXPECT_EQ(store.OlderPasswordDigest(), QString());
    EXPECT_EQ(store.LastNewsVersion(), QString());
    EXPECT_EQ(store.UpdateUrl(), QString());
    EXPECT_EQ(store.SessionStartStamp(), 0.0);
    EXPECT_EQ(store.SessionEndStamp(), 0.0);
    EXPECT_TRUE(store.Installed());
    // Reads write nothing.
    EXPECT_EQ(ValueLines(UserFile()).size(), 1);
    // The per-user file may hold a clear-text password: only its owner may read it.
    EXPECT_EQ(test::FileMode(UserFile()) & 0777, 0600u);
}

TEST_F(OptionsStore, InstalledProfileIsNotWrittenAtConstruction)
{
    test::WritePlainBytes(UserFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
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
    store.SetConfirmQuit(false);
    store.SetStatusBarFigure(2);
    store.SetSessionStamps(37380.5, 37380.5);
    store.SetAutoPassword(u"žluťoučký \"kůň\" \\"_s);

    TIOptions again = MakeStore(); // nothing is cached: a new store reads the file
    EXPECT_FALSE(again.ConfirmQuit());
    EXPECT_EQ(again.StatusBarFigure(), 2);
    EXPECT_EQ(again.SessionStartStamp(), 37380.5);
    EXPECT_EQ(again.AutoPassword(), u"žluťoučký \"kůň\" \\"_s);
    EXPECT_EQ(RawUserValue("autopwd"),
              registry::Value::FromString("žluťoučký \"kůň\" \\")); // names ignore case

    const QStringList lines = ValueLines(UserFile());
    const std::string shown = lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines.contains(u"\"AskBeforeQuit\"=dword:00000001"_s)) << shown;
    EXPECT_TRUE(lines.contains(u"\"WhatShowInStatusBar\"=dword:00000002"_s));
    EXPECT_TRUE(lines.contains(u"\"StartSession\"=hex:00,00,00,00,90,40,e2,40"_s)) << shown;
    EXPECT_TRUE(lines.contains(u"\"AutoPwd\"=\"žluťoučký \\\"kůň\\\" \\\\\""_s)) << shown;

    store.SetConfirmQuit(true);
    EXPECT_TRUE(again.ConfirmQuit()); // replaced, not added
    EXPECT_EQ(ValueLines(UserFile()).filter(u"AskBeforeQuit"_s).size(), 1);

    store.SetStatusBarFigure(-5);
    EXPECT_EQ(again.StatusBarFigure(), -5);
    EXPECT_TRUE(ValueLines(UserFile()).contains(u"\"WhatShowInStatusBar\"=dword:fffffffb"_s));
}

TEST_F(OptionsStore, EveryOptionOfTheTableKeepsItsStoredNameTypeAndMeaning)
{
    const std::vector<StoredForm> forms = EveryOptionsStoredForm();
    std::set<std::string> covered;
    for (const StoredForm& form : forms) {
        SCOPED_TRACE(form.name);
        covered.insert(form.name);
        const auto entry = std::find_if(kOptionTable.begin(), kOptionTable.end(),
                                        [&](const OptionInfo& info) { return info.name == form.name; });
        ASSERT_NE(entry, kOptionTable.end()) << "not in the table";
        EXPECT_EQ(form.written.type, StoredType(entry->type));

        TIOptions store = MakeStore();
        form.write(store);
        EXPECT_EQ(RawUserValue(form.name), form.written);
        WriteRawUserValue(form.name, form.stored);
        EXPECT_TRUE(form.readsStored(store));
        // Nothing is cached: a new store reads the file (without its first-run check, which
        // would write "Installed" again).
        TIOptions again(TIOptions::SkipFirstRunCheck{}, kOptionsKeyPath, registry::Root::CurrentUser);
        EXPECT_TRUE(form.readsStored(again));
    }
    std::set<std::string> declared;
    for (const OptionInfo& entry : kOptionTable)
        declared.insert(std::string(entry.name));
    EXPECT_EQ(covered, declared) << "every option of the table has its case here";
}

TEST_F(OptionsStore, TheInvertedBooleansReadAndWriteBothWays)
{
    TIOptions store = MakeStore();
    struct Inverted
    {
        std::string name;
        void (TOptions::*set)(bool);
        bool (TOptions::*get)();
    };
    const Inverted inverted[] = {
        {"AppHideAfterStart", &TOptions::SetHideAtStart, &TOptions::HideAtStart},
        {"AskBeforeQuit", &TOptions::SetConfirmQuit, &TOptions::ConfirmQuit},
        {"AskBeforeDeletePwd", &TOptions::SetConfirmPasswordDelete, &TOptions::ConfirmPasswordDelete},
    };
    for (const Inverted& option : inverted) {
        SCOPED_TRACE(option.name);
        EXPECT_FALSE(RawUserValue(option.name));
        EXPECT_TRUE((store.*option.get)()); // missing: hide, ask
        for (const bool meant : {true, false}) {
            (store.*option.set)(meant);
            EXPECT_EQ(RawUserValue(option.name), registry::Value::FromDWord(meant ? 0 : 1));
            EXPECT_EQ((store.*option.get)(), meant);
        }
        // Any number but 0 counts as stored 1, as older versions read it.
        WriteRawUserValue(option.name, registry::Value::FromDWord(7));
        EXPECT_FALSE((store.*option.get)());
        WriteRawUserValue(option.name, registry::Value::FromDWord(0));
        EXPECT_TRUE((store.*option.get)());
    }
}

TEST_F(OptionsStore, ADamagedStoreKeepsTheBookkeepingInMemoryAndRefusesSettings)
{
    std::set<std::string_view> bookkeeping;
    for (const OptionInfo& entry : kOptionTable)
        if (entry.role == OptionRole::Bookkeeping)
            bookkeeping.insert(entry.name);
    EXPECT_EQ(bookkeeping, (std::set<std::string_view>{"Installed", "ShowNews", "LastWhatsNew",
                                                       "StartSession", "EndSession"}));

    {
        TIOptions store = MakeStore();
        store.SetConfirmQuit(false);
    }
    const QByteArray before = test::ReadBytes(UserFile());
    TIOptions store(TIOptions::SkipFirstRunCheck{}, kOptionsKeyPath, registry::Root::CurrentUser);
    store.SetDamaged(u"poškozený"_s);
    EXPECT_TRUE(store.ConfirmQuit()); // every read gives its default
    store.SetNewsPending(true);
    store.SetLastNewsVersion(u"2.0.0.1"_s);
    store.SetSessionStamps(10.0, 11.0);
    store.SetSessionEndStamp(12.0);
    EXPECT_TRUE(store.NewsPending());
    EXPECT_EQ(store.LastNewsVersion(), u"2.0.0.1"_s);
    EXPECT_EQ(store.SessionStartStamp(), 10.0);
    EXPECT_EQ(store.SessionEndStamp(), 12.0);
    const auto error = test::Thrown<ERegistryException>([&] { store.SetConfirmQuit(true); });
    ASSERT_TRUE(error) << "a setting must not be kept in memory only";
    EXPECT_TRUE(QString::fromUtf8(error->what()).contains(u"„AskBeforeQuit“"_s)) << error->what();
    EXPECT_TRUE(QString::fromUtf8(error->what()).endsWith(u"poškozený"_s)) << error->what();
    EXPECT_THROW(store.SetStatusBarFigure(1), ERegistryException);
    EXPECT_THROW(store.SetAutoPassword(u"x"_s), ERegistryException);
    EXPECT_THROW(store.SetHostTrustAsked(true), ERegistryException);
    EXPECT_TRUE(store.ConfirmQuit());
    EXPECT_EQ(test::ReadBytes(UserFile()), before);
}

TEST_F(OptionsStore, ValuesOfAnotherTypeAreErrors)
{
    TIOptions store = MakeStore();
    WriteRawUserValue("AskBeforeQuit", registry::Value::FromString("ano"));
    EXPECT_THROW(store.ConfirmQuit(), ERegistryException);
    WriteRawUserValue("WhatShowInStatusBar", registry::Value::FromString("ano"));
    EXPECT_THROW(store.StatusBarFigure(), ERegistryException);
    WriteRawUserValue("StartSession", registry::Value::FromDWord(1));
    EXPECT_THROW(store.SessionStartStamp(), ERegistryException);
    WriteRawUserValue("AutoPwd", registry::Value::FromDWord(1));
    EXPECT_THROW(store.AutoPassword(), ERegistryException);
    const auto error = test::Thrown<ERegistryException>([&] { store.ConfirmQuit(); });
    ASSERT_TRUE(error);
    EXPECT_TRUE(QString::fromUtf8(error->what()).contains(u"AskBeforeQuit"_s)) << error->what();
    EXPECT_TRUE(QString::fromUtf8(error->what()).contains(QString::fromStdString(UserFile())))
        << error->what();
}

TEST_F(OptionsStore, FloatOfAnotherSizeIsAnError)
{
    TIOptions store = MakeStore();
    WriteRawUserValue("EndSession", registry::Value::FromBinary({1, 2, 3, 4}));
    EXPECT_THROW(store.SessionEndStamp(), ERegistryException);
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
        store.SetUpdateUrl(given);
        EXPECT_EQ(store.UpdateUrl(), stored) << given.toStdString();
    }
    // The prefix is a rule of writing: a value written otherwise reads as it is.
    WriteRawUserValue("urlforupdate", registry::Value::FromString("x"));
    EXPECT_EQ(store.UpdateUrl(), u"x"_s);
    store.SetLastNewsVersion(QString());
    EXPECT_EQ(store.LastNewsVersion(), QString());
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
    Options->SetStatusBarFigure(2); // written past the cache
    EXPECT_EQ(GetWhatShow(), 1);
    DestroyOptions();
    ASSERT_TRUE(CreateOptions().isEmpty());
    EXPECT_EQ(GetWhatShow(), 2);
    DestroyOptions();
}

TEST_F(OptionsStore, AWrongTypeAtStartUpIsReportedOnceAndTheDefaultServes)
{
    test::WritePlainBytes(UserFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
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
    EXPECT_TRUE(Options->ConfirmQuit());
    DestroyOptions();
}

TEST_F(OptionsStore, ADamagedFileIsReportedAndKept)
{
    test::WritePlainBytes(UserFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                                      "\"Installed\"=dword:0000000z\r\n");
    const QByteArray before = test::ReadBytes(UserFile());
    const auto error = test::Thrown<ERegistryException>([&] { MakeStore(); });
    ASSERT_TRUE(error) << "a damaged file must not read as empty";
    EXPECT_TRUE(QString::fromUtf8(error->what()).contains(QString::fromStdString(UserFile())))
        << error->what();
    EXPECT_EQ(test::ReadBytes(UserFile()), before);
}

TEST_F(OptionsStore, MachineWideKeyIsChosenWhenItExistsAndIsWritable)
{
    EXPECT_EQ(ChooseOptionsRoot(), registry::Root::CurrentUser); // no machine-wide key
    test::WritePlainBytes(MachineFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Quorin Software\\Nuvex]\r\n");
    EXPECT_EQ(ChooseOptionsRoot(), registry::Root::LocalMachine);

    // A user who may not write the machine-wide file keeps the per-user store. Root may
    // write anything, so the check runs as an unprivileged user in a child process.
    std::filesystem::permissions(MachineFile(), std::filesystem::perms(0444));
    std::filesystem::permissions(std::filesystem::path(MachineFile()).parent_path(),
                                 std::filesystem::perms(0555));
    test::OpenToOthers(sandbox);
    EXPECT_TRUE(test::RunAsOrdinaryUser([] { return ChooseOptionsRoot() == registry::Root::CurrentUser; }));
    std::filesystem::permissions(std::filesystem::path(MachineFile()).parent_path(),
                                 std::filesystem::perms(0755));
    std::filesystem::permissions(MachineFile(), std::filesystem::perms(0644));
}

TEST_F(OptionsStore, AGarbageMachineWideFileIsReportedNamingItAndTheUserStoreServes)
{
    static const char kGarbage[] = "\x7f"
                                   "ELF\x02\x01\x01\0\0garbage\xff\xfe";
    test::WritePlainBytes(MachineFile(), std::string(kGarbage, sizeof kGarbage - 1));
    const QStringList problems = CreateOptions();
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QString::fromStdString(MachineFile()))) << problems[0].toStdString();
    EXPECT_EQ(Options->RootKey, registry::Root::CurrentUser);
    EXPECT_NO_THROW(SetWhatShow(1));
    DestroyOptions();
}

TEST_F(OptionsStore, CreatedOnTheMachineWideKeyTheStoreUsesIt)
{
    test::WritePlainBytes(MachineFile(), "Windows Registry Editor Version 5.00\r\n\r\n"
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
