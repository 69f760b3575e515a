// The password file is replaced like every other file the program writes: a read-only
// file is refused naming it, a symbolic link is followed and kept.

#include "passwords/PwdRecords.h"
#include "support/FileBytes.h"
#include "support/Sandbox.h"

#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

TPwdRecords OneRecord(char letter)
{
    TPwdRecord record;
    record.Nazev.Length = 1;
    record.Nazev.Chars[0] = static_cast<uchar>(letter);
    return {record};
}

} // namespace

TEST(PwdFileWrites, AReadOnlyFileIsRefusedAndALinkKept)
{
    test::Sandbox sandbox;
    const fs::path real = sandbox.dir() / "vault" / "nuvex.pwd";
    fs::create_directories(real.parent_path());
    SaveRecords(OneRecord('a'), QString::fromStdString(real.string()));
    const fs::path link = sandbox.dir() / "nuvex.pwd";
    fs::create_symlink(real, link);

    SaveRecords(OneRecord('b'), QString::fromStdString(link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    TPwdRecords read;
    ASSERT_TRUE(LoadRecords(read, QString::fromStdString(real.string())));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].Nazev.Chars[0], 'b');
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(real, fs::perms::owner_read);
    const QByteArray before = test::ReadBytes(real);
    try {
        SaveRecords(OneRecord('c'), QString::fromStdString(link.string()));
        ADD_FAILURE() << "a read-only password file was replaced";
    } catch (const std::exception& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QString::fromStdString(link.string())))
            << error.what();
    }
    EXPECT_EQ(test::ReadBytes(real), before);
    EXPECT_EQ(test::FolderNames(real.parent_path()).size(), 1u); // no temporary file left beside it
}
