#include "platform/EmulatedMachine.h"
#include "settings/uOptions.h"
#include "status/ConnectionSession.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"
#include "ui/AppDir.h"
#include "ui/IniFile.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace fs = std::filesystem;
namespace standin = platform::rasstandin;

namespace {

class ConnectionSession : public nuvex::test::SandboxTest
{
protected:
    void SetUp() override
    {
        fs::create_directories(program);
        SetAppDirForTesting(Path(program) + u'/');
        ASSERT_TRUE(CreateOptions().isEmpty());
    }
    void TearDown() override
    {
        DestroyOptions();
        SetAppDirForTesting(QString());
    }

    static QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }
    static QStringList SessionLines()
    {
        QStringList lines;
        TIniFile(SessionLogFile(QDate::currentDate())).ReadSectionValues(kSessionSection, lines);
        return lines;
    }
    // An hour long, so that its stamps never read the same.
    static void StretchSession() { Options->SetSessionStamps(GetSessionStart() - 1.0 / 24, GetSessionEnd()); }

    fs::path program = sandbox.dir() / "program";
};

} // namespace

TEST_F(ConnectionSession, ConnectedTicksOpenTheSessionAndTakeTheCounterOnceItRuns)
{
    standin::SetConnectSpeed(28800);
    TConnectionSession session;
    EXPECT_EQ(session.Connected(1, u"Internet"_s), u"0 B"_s);
    EXPECT_NE(GetSessionStart(), 0.0);
    EXPECT_EQ(GetSessionEnd(), GetSessionStart());
    EXPECT_EQ(session.Fields().ConnName, u"Internet"_s);
    EXPECT_EQ(session.Fields().ConnSpeed, 28800);
    EXPECT_EQ(session.Fields().BytesAtStart, 0u); // a counter of zero is not running yet

    // The figure is computed before the counter is taken: the whole counter, once.
    standin::AddReceivedBytes(700);
    EXPECT_EQ(session.Connected(1, u"Internet"_s), u"700 B"_s);
    EXPECT_EQ(session.Fields().BytesAtStart, 700u);
    standin::AddReceivedBytes(300);
    standin::SetConnectSpeed(33600);
    EXPECT_EQ(session.Connected(1, u"Internet"_s), u"300 B"_s);
    EXPECT_EQ(session.Fields().BytesAtStart, 700u);
    EXPECT_EQ(session.Fields().ConnSpeed, 33600); // the speed follows every tick
    EXPECT_TRUE(SessionLines().isEmpty());
}

TEST_F(ConnectionSession, ADisconnectedConnectionLogsTheSessionAndForgetsCounterSpeedAndName)
{
    standin::AddReceivedBytes(1000);
    standin::SetConnectSpeed(57600);
    TConnectionSession session;
    session.Connected(7, u"Internet"_s);
    standin::AddReceivedBytes(2048);
    StretchSession();
    // The link ends while a tick looks at it: seen connected, but without its speed.
    standin::SetConnectSpeed(0);
    session.Connected(7, u"Internet"_s);

    session.Disconnected(7);
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",57600,2048,Internet"_s)) << lines[0].toStdString();
    EXPECT_EQ(GetSessionStart(), 0.0);
    EXPECT_EQ(session.Fields().ConnName, QString());
    EXPECT_EQ(session.Fields().BytesAtStart, 0u);
    EXPECT_EQ(session.Fields().ConnSpeed, 0);
    // No longer tracked: its leaving the list ends nothing more.
    EXPECT_FALSE(session.EndUnlisted({}));
}

TEST_F(ConnectionSession, OnlyAConnectionSeenConnectedEndsTheSessionByLeavingTheList)
{
    standin::AddReceivedBytes(100);
    TConnectionSession session;
    session.Connected(1, u"Internet"_s);
    session.Connected(2, u"Záloha"_s);
    StretchSession();

    EXPECT_FALSE(session.EndUnlisted({2, 1, 9})); // both still there, and one never seen
    EXPECT_TRUE(SessionLines().isEmpty());
    EXPECT_NE(GetSessionStart(), 0.0);

    standin::AddReceivedBytes(50);
    EXPECT_TRUE(session.EndUnlisted({1, 9}));
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",0,50,Záloha"_s)) << lines[0].toStdString();
    EXPECT_EQ(GetSessionStart(), 0.0);
    EXPECT_EQ(session.Fields().ConnName, QString());
    EXPECT_EQ(session.Fields().BytesAtStart, 0u);

    // The other one leaving later finds the session closed: no second line.
    EXPECT_TRUE(session.EndUnlisted({9}));
    EXPECT_EQ(SessionLines().size(), 1);
    EXPECT_FALSE(session.EndUnlisted({}));
}

TEST_F(ConnectionSession, AFailedLogKeepsTheSessionAndItsFiguresForALaterWrite)
{
    standin::AddReceivedBytes(400);
    TConnectionSession session;
    session.Connected(3, u"Internet"_s);
    StretchSession();
    const double start = GetSessionStart();

    // Neither the program's folder nor the user's data folder can be made.
    test::WritePlainBytes(sandbox.dir() / "not-a-folder", "");
    SetAppDirForTesting(Path(sandbox.dir() / "not-a-folder/program") + u'/');
    test::WritePlainBytes(sandbox.dir() / "home/.local/share/nuvex", "");
    EXPECT_THROW(session.EndUnlisted({}), EIniFileError);
    EXPECT_EQ(GetSessionStart(), start);
    EXPECT_EQ(session.Fields().ConnName, u"Internet"_s);
    EXPECT_EQ(session.Fields().BytesAtStart, 400u);

    standin::AddReceivedBytes(25);
    SetAppDirForTesting(Path(program) + u'/');
    session.WriteLog();
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",0,25,Internet"_s)) << lines[0].toStdString();
    EXPECT_EQ(GetSessionStart(), 0.0);
}
