// Starting after login: the XDG autostart file appears and disappears, its Exec line
// starts the program that wrote it, and the first start switches it on once.

#include "settings/AutoStart.h"
#include "settings/qnOptions.h"
#include "support/FileBytes.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

class AutoStart : public nuvex::test::SandboxTest
{
protected:
    QString File() const
    {
        return QString::fromStdString((sandbox.dir() / "home/.config/autostart/nuvex.desktop").string());
    }
    QString Read() const { return QString::fromUtf8(test::ReadBytes(File())); }
    void Write(const std::string& text) const
    {
        test::WritePlainBytes(sandbox.dir() / "home/.config/autostart/nuvex.desktop", text);
    }
    QString ExecLine() const
    {
        for (const QString& line : Read().split(u'\n'))
            if (line.startsWith(u"Exec="))
                return line.mid(5);
        return QString();
    }
};

} // namespace

TEST_F(AutoStart, TheFileAppearsWithTheProgramAndDisappears)
{
    EXPECT_EQ(AutoStartFile(), File());
    EXPECT_FALSE(IsAutoStartOn());
    SetAutoStart(true, u"/usr/bin/nuvex"_s); // its folder is made on the way
    ASSERT_TRUE(QFile::exists(File()));
    EXPECT_TRUE(IsAutoStartOn());
    EXPECT_EQ(ExecLine(), u"/usr/bin/nuvex"_s);
    EXPECT_TRUE(Read().startsWith(u"[Desktop Entry]\nType=Application\n"_s));
    EXPECT_TRUE(Read().contains(u"\nIcon=nuvex\n"_s));

    SetAutoStart(true, u"/opt/nuvex/nuvex"_s); // a program that moved: the line follows it
    EXPECT_EQ(ExecLine(), u"/opt/nuvex/nuvex"_s);

    SetAutoStart(false, u"/opt/nuvex/nuvex"_s);
    EXPECT_FALSE(QFile::exists(File()));
    EXPECT_FALSE(IsAutoStartOn());
    SetAutoStart(false, u"/opt/nuvex/nuvex"_s); // already off: nothing to do, no error
}

TEST_F(AutoStart, ADesktopThatSwitchedItOffIsReadAsOff)
{
    Write("[Desktop Entry]\nType=Application\nExec=nuvex\nHidden=true\n");
    EXPECT_FALSE(IsAutoStartOn());
    Write("[Desktop Entry]\nType=Application\nExec=nuvex\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(IsAutoStartOn());
    Write("[Desktop Entry]\nType=Application\nExec=nuvex\nHidden=false\n");
    EXPECT_TRUE(IsAutoStartOn());
}

TEST_F(AutoStart, AFolderThatCannotBeMadeIsReportedWithTheFileName)
{
    // A plain file where the autostart folder belongs: refused whoever runs the test.
    test::WritePlainBytes(sandbox.dir() / "home/.config/autostart", "");
    const auto error = test::Thrown<std::runtime_error>([] { SetAutoStart(true, u"/usr/bin/nuvex"_s); });
    ASSERT_TRUE(error) << "no error";
    EXPECT_TRUE(QString::fromUtf8(error->what()).contains(File())) << error->what();
}

TEST(DesktopExec, QuotesAndEscapesOnlyWhatNeedsIt)
{
    EXPECT_EQ(DesktopExecArgument(u"/usr/bin/nuvex"_s), u"/usr/bin/nuvex"_s);
    EXPECT_EQ(DesktopExecArgument(u"/home/jan/Přenosné programy/nuvex"_s),
              u"\"/home/jan/Přenosné programy/nuvex\""_s);
    // $ and " take a backslash inside the quotes, and every backslash is doubled again
    // as the value's own escape.
    EXPECT_EQ(DesktopExecArgument(u"/a$b/\"c\"/nuvex"_s), u"\"/a\\\\$b/\\\\\"c\\\\\"/nuvex\""_s);
    EXPECT_EQ(DesktopExecArgument(u"/a\\b"_s), u"\"/a\\\\\\\\b\""_s);
    EXPECT_EQ(DesktopExecArgument(u"/100%/nuvex"_s), u"/100%%/nuvex"_s); // not a field code
}

TEST_F(AutoStart, TheEntryIsValidForTheDesktopTools)
{
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    for (const QString& program : {u"/usr/bin/nuvex"_s, u"/home/jan/Moje $programy/100% \"nuvex\""_s}) {
        SetAutoStart(true, program);
        QProcess check;
        check.start(validator, {File()});
        ASSERT_TRUE(check.waitForFinished(30000));
        const QString output =
            QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
        EXPECT_EQ(check.exitCode(), 0) << output.toStdString();
        EXPECT_FALSE(output.contains(u"error"_s)) << output.toStdString();
    }
}

TEST_F(AutoStart, TheFirstStartSwitchesItOnOnceAndTheUsersChoiceStands)
{
    TOptions options(u"Software\\Quorin Software\\Nuvex\\"_s, TOptions::TRootKey::CurrentUser);
    EXPECT_TRUE(AutoStartOnFirstStart(options, u"/usr/bin/nuvex"_s));
    EXPECT_TRUE(IsAutoStartOn());
    EXPECT_EQ(ExecLine(), u"/usr/bin/nuvex"_s);
    EXPECT_TRUE(options.AutoStartOffered());

    SetAutoStart(false, QString()); // the user switched it off
    EXPECT_FALSE(AutoStartOnFirstStart(options, u"/usr/bin/nuvex"_s));
    EXPECT_FALSE(QFile::exists(File()));
}

TEST_F(AutoStart, AProgramReplacedWhileRunningIsStartedFromItsPath)
{
    // A package upgrade replaced the running file: the system names it "... (deleted)".
    const QString program = QString::fromStdString((sandbox.dir() / "nuvex").string());
    EXPECT_EQ(ProgramToAutoStart(program + u" (deleted)"_s), program + u" (deleted)"_s); // no new file yet
    test::WritePlainBytes(sandbox.dir() / "nuvex", "");
    SetAutoStart(true, program + u" (deleted)"_s);
    EXPECT_EQ(ExecLine(), program);
    EXPECT_EQ(ProgramToAutoStart(program), program);
}
