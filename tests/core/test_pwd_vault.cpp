#include "passwords/MasterPassword.h"
#include "passwords/PwdFormat.h"
#include "passwords/PwdRecords.h"
#include "passwords/PwdVault.h"
#include "passwords/Windows1250.h"
#include "platform/Registry.h"
#include "settings/uOptions.h"
#include "support/FileBytes.h"
#include "support/SandboxTest.h"
#include "ui/AppDir.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

TPwdRecords Czech()
{
    return {MakePwdRecord(u"Příliš žluťoučký kůň"_s, u"úpěl@ďábelské.ódy"_s, u"Heslo-ěščřžýáíé"_s,
                          u"Poznámka\r\nna dva řádky"_s),
            MakePwdRecord(QString(), QString(), QString(), QString()),
            MakePwdRecord(u"Banka"_s, u"jan.novak"_s, u"Kolo123"_s, QString(255, u'ů'))};
}

class Vault : public nuvex::test::SandboxTest
{
protected:
    Vault() { SetAppDirForTesting(Dir()); }
    ~Vault() override { SetAppDirForTesting(QString()); }

    QString Dir() const { return QString::fromStdString(sandbox.dir().string()) + u'/'; }
    QString PathOf(const QString& name) const { return Dir() + name; }
    static QByteArray ReadBytes(const QString& path) { return test::ReadBytes(path); }
    static void WriteBytes(const QString& path, const QByteArray& bytes) { test::WriteBytes(path, bytes); }
    QStringList Files() const { return QDir(Dir()).entryList(QDir::Files | QDir::Hidden); }

    // One key for the fixture: each derivation takes a good part of a second.
    const TVaultKey& Key()
    {
        if (!key_)
            key_ =
                std::make_unique<TVaultKey>(TSecretBytes::FromText(u"Hlavní heslo"_s), TVaultParams::Fresh());
        return *key_;
    }

    std::unique_ptr<TVaultKey> key_;
};

// The file in the opposite view: every text of the records must be absent from the bytes,
// in the code page the records use and in UTF-8.
void ExpectNoRecordText(const QByteArray& bytes, const TPwdRecords& records)
{
    // A sample will do for the large files: each search runs over the whole file.
    for (std::size_t i = 0; i < std::min<std::size_t>(records.size(), 20); ++i)
        for (const TPwdField field :
             {TPwdField::Nazev, TPwdField::UzName, TPwdField::Heslo, TPwdField::Poznamka}) {
            const QString text = GetField(records[i], field);
            if (text.size() < 4)
                continue;
            EXPECT_FALSE(bytes.contains(text.toUtf8())) << text.toStdString();
            EXPECT_FALSE(bytes.contains(ToWindows1250(text))) << text.toStdString();
        }
}

} // namespace

TEST_F(Vault, RecordsMakeTheRoundTripInCzechAndInAnyNumber)
{
    const QString path = PathOf(u"nuvex.pwd"_s);
    TPwdRecords many;
    many.reserve(10000);
    for (int i = 0; i < 10000; ++i)
        many.push_back(MakePwdRecord(u"Účet %1"_s.arg(i), u"uživatel%1"_s.arg(i),
                                     u"tajné-%1-ř"_s.arg(i * 7919), i % 3 ? QString() : u"č. %1"_s.arg(i)));
    for (const TPwdRecords& records : {TPwdRecords(), Czech(), many}) {
        SaveRecords(records, path, &Key());
        const QByteArray bytes = ReadBytes(path);
        EXPECT_TRUE(IsVaultFile(bytes));
        EXPECT_EQ(bytes.size(), kVaultHeaderSize + 4 + qsizetype(records.size()) * kPwdRecordSize + 16);
        ExpectNoRecordText(bytes, records);
        TPwdRecords loaded = Czech();
        ASSERT_TRUE(LoadRecords(loaded, path, &Key(), {}));
        EXPECT_EQ(loaded, records);
    }
    EXPECT_FALSE(ReadBytes(path).contains("tajné-7919"));
    // A new file is the owner's alone; nothing else is left in the folder.
    EXPECT_EQ(test::FileMode(path.toStdString()) & 0777, 0600u);
    EXPECT_EQ(Files(), QStringList{u"nuvex.pwd"_s});
}

TEST_F(Vault, AWrongPasswordAndAChangedFileAreToldApartAndChangeNothing)
{
    const QString path = PathOf(u"nuvex.pwd"_s);
    SaveRecords(Czech(), path, &Key());
    const QByteArray good = ReadBytes(path);
    const TVaultParams params = ReadVaultParams(good, path);
    EXPECT_EQ(params, Key().Params());

    const auto messageOf = [&](const TVaultKey& key) -> std::string {
        TPwdRecords records = Czech();
        try {
            LoadRecords(records, path, &key, {});
        } catch (const EVaultWrongPassword& error) {
            EXPECT_EQ(records, Czech());
            return std::string("wrong:") + error.what();
        } catch (const EVaultChanged& error) {
            EXPECT_EQ(records, Czech());
            return std::string("changed:") + error.what();
        }
        return "loaded";
    };
    const TVaultKey wrong(TSecretBytes::FromText(u"hlavní heslo"_s), params);
    const std::string wrongMessage = messageOf(wrong);
    EXPECT_TRUE(wrongMessage.starts_with("wrong:")) << wrongMessage;
    EXPECT_NE(wrongMessage.find(path.toStdString()), std::string::npos);
    EXPECT_EQ(ReadBytes(path), good);

    // One flipped bit anywhere: magic excepted (then it is no vault), it is a changed file.
    std::string changedMessage;
    for (const qsizetype at : {qsizetype(9), qsizetype(13), qsizetype(25), qsizetype(40), qsizetype(70),
                               qsizetype(80), kVaultHeaderSize, kVaultHeaderSize + 300, good.size() - 1}) {
        QByteArray flipped = good;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x04);
        WriteBytes(path, flipped);
        changedMessage = messageOf(Key());
        EXPECT_TRUE(changedMessage.starts_with("changed:")) << at << ": " << changedMessage;
        EXPECT_EQ(ReadBytes(path), flipped) << at;
    }
    // Cut short, or grown by a byte.
    for (const QByteArray& bytes :
         {good.left(good.size() - 1), QByteArray(good + '\0'), good.left(kVaultHeaderSize)}) {
        WriteBytes(path, bytes);
        EXPECT_TRUE(messageOf(Key()).starts_with("changed:"));
    }
    EXPECT_NE(wrongMessage.substr(wrongMessage.find(':')), changedMessage.substr(changedMessage.find(':')));
}

TEST_F(Vault, AHeaderAskingForTooMuchIsDamagedNotObeyed)
{
    const QString path = PathOf(u"nuvex.pwd"_s);
    SaveRecords({}, path, &Key());
    QByteArray bytes = ReadBytes(path);
    // 16 GiB of memory, with the header check made to match.
    bytes[16] = 0;
    bytes[17] = 0;
    bytes[18] = 0;
    bytes[19] = 0x04;
    EXPECT_THROW(ReadVaultParams(bytes, path), EVaultChanged);
}

TEST_F(Vault, AScrambledFileIsReadAndConvertedLeavingNoReadableCopy)
{
    const QString path = PathOf(u"nuvex.pwd"_s);
    SaveRecords(Czech(), path);
    ASSERT_FALSE(IsVaultFile(ReadBytes(path)));
    // The scrambled file is read without a key as with one.
    TPwdRecords records;
    ASSERT_TRUE(LoadRecords(records, path, &Key(), {}));
    EXPECT_EQ(records, Czech());

    // A reader that still holds the old file open sees its content wiped once replaced.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    SaveRecords(records, path, &Key());
    const QByteArray wiped = old.readAll();
    EXPECT_EQ(wiped.size(), 4 + 3 * kPwdRecordSize);
    EXPECT_EQ(wiped.count('\0'), wiped.size());
    EXPECT_TRUE(IsVaultFile(ReadBytes(path)));
    EXPECT_EQ(Files(), QStringList{u"nuvex.pwd"_s});
    TPwdRecords again;
    ASSERT_TRUE(LoadRecords(again, path, &Key(), {}));
    EXPECT_EQ(again, Czech());

    // A hard link someone made keeps its content: it is not ours to destroy.
    SaveRecords(Czech(), path);
    const QString link = PathOf(u"kopie.pwd"_s);
    ASSERT_EQ(::link(path.toStdString().c_str(), link.toStdString().c_str()), 0);
    const QByteArray scrambled = ReadBytes(path);
    SaveRecords(Czech(), path, &Key());
    EXPECT_EQ(ReadBytes(link), scrambled);
}

TEST_F(Vault, ImportTellsTheFormatsApartByTheMagicText)
{
    const QString scrambled = PathOf(u"stary.pwd"_s), vault = PathOf(u"novy.pwd"_s);
    SaveRecords(Czech(), scrambled, nullptr);
    SaveRecords({Czech()[2]}, vault, &Key());
    EXPECT_FALSE(IsVaultFile(ReadBytes(scrambled)));
    EXPECT_TRUE(ReadBytes(vault).startsWith("NVXVAULT"));

    TPwdRecords records;
    ASSERT_TRUE(LoadRecords(records, scrambled, &Key(), {}));
    EXPECT_EQ(records, Czech());
    ASSERT_TRUE(LoadRecords(records, vault, &Key(), {}));
    EXPECT_EQ(records, TPwdRecords{Czech()[2]});
    // Without a key a vault is refused by name, never read as scrambled garbage.
    EXPECT_THROW(LoadRecords(records, vault), EVaultError);
    EXPECT_EQ(records, TPwdRecords{Czech()[2]});

    // A vault of another installation asks for its own password.
    const TVaultKey other(TSecretBytes::FromText(u"cizí"_s), TVaultParams::Fresh());
    SaveRecords(Czech(), vault, &other);
    int asked = 0;
    const TAskVaultPassword cancel = [&](const QString&) -> std::optional<TSecretBytes> {
        ++asked;
        return std::nullopt;
    };
    EXPECT_FALSE(LoadRecords(records, vault, &Key(), cancel));
    EXPECT_EQ(records, TPwdRecords{Czech()[2]});
    const TAskVaultPassword answer = [&](const QString& file) -> std::optional<TSecretBytes> {
        ++asked;
        EXPECT_EQ(file, vault);
        return TSecretBytes::FromText(u"cizí"_s);
    };
    ASSERT_TRUE(LoadRecords(records, vault, &Key(), answer));
    EXPECT_EQ(records, Czech());
    EXPECT_EQ(asked, 2);
}

// ---------------------------------------------------------------------------------------

class MasterPasswordFile : public Vault
{
protected:
    TIOptions options{kOptionsKeyPath, TOptions::TRootKey::CurrentUser};
    QStringList shown;
    std::function<void(const QString&)> inform = [this](const QString& text) {
        shown.append(text);
    };
};

TEST_F(MasterPasswordFile, AChangeReEncryptsTheFileAtOnce)
{
    const QString path = DefaultPwdFile();
    // No master password yet and a scrambled file: the first one converts it.
    SaveRecords(Czech(), path);
    ChangeMasterPassword(options, std::nullopt, u"první"_s, path, inform);
    EXPECT_EQ(shown, QStringList{kMsgNewPwdSaved});
    QByteArray bytes = ReadBytes(path);
    ASSERT_TRUE(IsVaultFile(bytes));
    const auto open = [&](const QString& password) {
        const QByteArray file = ReadBytes(path);
        return DecodeVault(file, TVaultKey(TSecretBytes::FromText(password), ReadVaultParams(file, path)),
                           path);
    };
    EXPECT_EQ(open(u"první"_s), Czech());
    EXPECT_TRUE(CheckMasterPassword(options, u"první"_s));

    ChangeMasterPassword(options, u"první"_s, u"druhé"_s, path, inform);
    EXPECT_EQ(open(u"druhé"_s), Czech());
    EXPECT_THROW(open(u"první"_s), EVaultWrongPassword);
    EXPECT_NE(ReadVaultParams(ReadBytes(path), path).salt, ReadVaultParams(bytes, path).salt);
    EXPECT_TRUE(CheckMasterPassword(options, u"druhé"_s));
    EXPECT_FALSE(CheckMasterPassword(options, u"první"_s));
    EXPECT_EQ(Files(), QStringList{u"nuvex.pwd"_s});

    // A file the old password does not open stops the change: nothing changes.
    bytes = ReadBytes(path);
    const QString verifier = options.PasswordVerifier();
    shown.clear();
    EXPECT_THROW(ChangeMasterPassword(options, u"jiné"_s, u"třetí"_s, path, inform), EVaultWrongPassword);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(options.PasswordVerifier(), verifier);
}

TEST_F(MasterPasswordFile, TheAutomaticLoginPasswordNeverGoesToTheMachineWideFile)
{
    const std::string machine = platform::registry::RootFile(platform::registry::Root::LocalMachine);
    const std::string user = platform::registry::RootFile(platform::registry::Root::CurrentUser);
    test::WritePlainBytes(machine, "Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\Quorin Software\\Nuvex]\r\n"
                                   "\"AutoPwd\"=\"staré tajné\"\r\n");
    ASSERT_EQ(ChooseOptionsRoot(), platform::registry::Root::LocalMachine);
    TIOptions machineOptions(kOptionsKeyPath, platform::registry::Root::LocalMachine);
    // One left there by an older version still logs in...
    EXPECT_EQ(ReadAutoPwd(machineOptions), u"staré tajné"_s);

    // ...and the next write moves it where only the user reads it.
    WriteAutoPwd(machineOptions, u"Nové Tajné"_s);
    EXPECT_EQ(ReadAutoPwd(machineOptions), u"Nové Tajné"_s);
    const QByteArray machineBytes = ReadBytes(QString::fromStdString(machine));
    EXPECT_FALSE(machineBytes.contains("tajn")) << machineBytes.toStdString();
    EXPECT_FALSE(machineBytes.contains("Tajn")) << machineBytes.toStdString();
    EXPECT_TRUE(ReadBytes(QString::fromStdString(user)).contains("Nové Tajné"));
    ASSERT_TRUE(std::filesystem::exists(user));
    EXPECT_EQ(test::FileMode(user) & 0077, 0u);

    // The gate logs in with it.
    machineOptions.SetPasswordVerifier(MakeVerifier(TSecretBytes::FromText(u"Nové Tajné"_s)));
    EXPECT_TRUE(CheckMasterPassword(machineOptions, ReadAutoPwd(machineOptions)));
}
