// Where the program's own files go: beside the program while the user may write there,
// else the user's data folder; the writers and the readers agree on the place.

#include "passwords/PwdRecords.h"
#include "platform/Writable.h"
#include "status/SessionLog.h"
#include "status/SessionStats.h"
#include "support/HostRoot.h"
#include "support/SandboxTest.h"
#include "ui/AppDir.h"
#include "ui/DataDir.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

class DataFolder : public nuvex::test::SandboxTest
{
protected:
    void TearDown() override { SetAppDirForTesting(QString()); }

    QString Path(const char* relative) const
    {
        return QString::fromStdString((sandbox.dir() / relative).string());
    }
    QString XdgData() const { return Path("home/.local/share") + u"/nuvex/"; }
};

} // namespace

TEST(DataFolderChoice, BesideTheProgramOnlyWhenWritableAndNotInstalled)
{
    const QString user = u"/home/jan/.local/share/nuvex/"_s;
    EXPECT_EQ(ChooseDataDir(u"/opt/nuvex/"_s, false, true, user), u"/opt/nuvex/"_s);
    EXPECT_EQ(ChooseDataDir(u"/opt/nuvex/"_s, false, false, user), user);
    // root may write into /usr/bin, yet the package manager owns that folder
    EXPECT_EQ(ChooseDataDir(u"/usr/bin/"_s, true, true, user), user);
    EXPECT_EQ(ChooseDataDir(u"/usr/bin/"_s, true, false, u"/x/nuvex"_s), u"/x/nuvex/"_s);
}

TEST_F(DataFolder, UserDataFolderFollowsXdgDataHomeElseHome)
{
    EXPECT_EQ(UserDataDir(), XdgData());
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataDir(), Path("home") + u"/.local/share/nuvex/"_s);
    setenv("XDG_DATA_HOME", "", 1); // empty counts as unset, as the XDG rules say
    EXPECT_EQ(UserDataDir(), Path("home") + u"/.local/share/nuvex/"_s);
}

TEST_F(DataFolder, AWritableProgramFolderKeepsTheFilesBesideTheProgram)
{
    fs::create_directories(sandbox.dir() / "program");
    SetAppDirForTesting(Path("program"));
    EXPECT_EQ(GetDataDir(), Path("program") + u'/');
    EXPECT_EQ(SessionLogFile(QDate(2026, 5, 1)), Path("program") + u"/20265.txt"_s);
    EXPECT_EQ(DefaultPwdFile(), Path("program") + u"/nuvex.pwd"_s);
    EXPECT_FALSE(QFileInfo::exists(XdgData())); // nothing made elsewhere
}

TEST_F(DataFolder, AProgramFolderNobodyMayWriteSendsEveryFileToTheUserDataFolder)
{
    // A folder that cannot be written whoever runs the test, root included: it is gone.
    SetAppDirForTesting(Path("removed-program"));
    EXPECT_EQ(GetDataDir(), XdgData());
    EXPECT_EQ(SessionLogFile(QDate(2026, 12, 9)), XdgData() + u"202612.txt"_s);
    EXPECT_EQ(DefaultPwdFile(), XdgData() + u"nuvex.pwd"_s);
    // Created for the user alone, as the XDG rules ask.
    ASSERT_TRUE(QFileInfo(XdgData()).isDir());
    EXPECT_EQ(QFile::permissions(XdgData()) & 0x0077, QFileDevice::Permissions());
    // The statistics read the logs from there too.
    test::WritePlainBytes(sandbox.dir() / "home/.local/share/nuvex/20263.txt", "");
    EXPECT_EQ(ListLogFiles(QDate(2026, 7, 1), TStatsPeriod::Year), QStringList{XdgData() + u"20263.txt"_s});
}

TEST_F(DataFolder, AnInstallationsProgramFolderNeverHoldsUserData)
{
    // <prefix>/bin with <prefix>/share/nuvex beside it, writable (as /usr/bin is for root).
    fs::create_directories(sandbox.dir() / "usr/bin");
    fs::create_directories(sandbox.dir() / "usr/share/nuvex");
    SetAppDirForTesting(Path("usr/bin"));
    EXPECT_EQ(GetDataDir(), XdgData());
    EXPECT_EQ(SessionLogFile(QDate(2026, 12, 9)), XdgData() + u"202612.txt"_s);
}

TEST_F(DataFolder, AReadOnlyProgramFolderCountsAsNotWritable)
{
    const fs::path readOnly = sandbox.dir() / "program";
    const fs::path open = sandbox.dir() / "portable";
    fs::create_directories(readOnly);
    fs::create_directories(open);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(open, fs::perms::all);
    fs::permissions(sandbox.dir(), fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    // root may write into any folder: the check runs as an unprivileged user (nobody).
    EXPECT_TRUE(test::RunAsOrdinaryUser([&] {
        return !platform::MayWriteInDir(readOnly.string()) && platform::MayWriteInDir(open.string());
    }));
    if (geteuid() != 0) {
        SetAppDirForTesting(Path("program"));
        EXPECT_EQ(GetDataDir(), XdgData());
    }
}

TEST_F(DataFolder, OnlyAnExistingFolderIsWritable)
{
    test::WritePlainBytes(sandbox.dir() / "program/nuvex", "");
    EXPECT_TRUE(platform::MayWriteInDir((sandbox.dir() / "program").string()));
    EXPECT_FALSE(platform::MayWriteInDir((sandbox.dir() / "program/nuvex").string()));
    EXPECT_FALSE(platform::MayWriteInDir((sandbox.dir() / "missing").string()));
    EXPECT_FALSE(platform::MayWriteInDir(""));
}

TEST_F(DataFolder, ShippedFilesComeFromBesideTheProgramElseFromTheSharedFolder)
{
    // An installed layout: <prefix>/bin/nuvex and <prefix>/share/nuvex/Nuvex.hlp.
    fs::create_directories(sandbox.dir() / "usr/bin");
    fs::create_directories(sandbox.dir() / "usr/share/nuvex");
    SetAppDirForTesting(Path("usr/bin"));
    const QString beside = Path("usr/bin/Nuvex.hlp");
    EXPECT_EQ(FindProgramFile(u"Nuvex.hlp"_s), beside); // neither exists: named where expected

    test::WritePlainBytes(sandbox.dir() / "usr/share/nuvex/Nuvex.hlp", "");
    EXPECT_EQ(FindProgramFile(u"Nuvex.hlp"_s), Path("usr/share/nuvex/Nuvex.hlp"));

    // A build tree or a portable copy: its own help wins.
    test::WritePlainBytes(sandbox.dir() / "usr/bin/Nuvex.hlp", "");
    EXPECT_EQ(FindProgramFile(u"Nuvex.hlp"_s), beside);
}
