// The real nuvex binary on its own emulated machine, driven by the real nuvex-ras tool as
// a dialer would change the phonebook. Only what the program prints is looked at.

#include "blackbox/NuvexProgram.h"
#include "blackbox/SessionStamps.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <csignal>
#include <thread>
#include <unistd.h>

using namespace nuvex::test;
using namespace std::chrono_literals;

TEST_F(NuvexProgram, WatchesThePhonebookChangedByTheDialUpTool)
{
    ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 2000)) << Seen();

    Ras({u"set"_s, u"Internet"_s, u"420-(900)-123456"_s});
    EXPECT_TRUE(WaitForLine(kChangeWarning, 2500)) << Seen();

    Ras({u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 2500)) << Seen();

    Ras({u"add"_s, u"Podvrh"_s, u"420-(906)-111"_s});
    EXPECT_TRUE(WaitForLine(kUnregisteredWarning, 2500)) << Seen();
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(NuvexProgram, HangsUpEveryConnectionWhenANumberIsChanged)
{
    Ras({u"dial"_s, u"Internet"_s});
    ASSERT_TRUE(StartAndWaitFor(u":Vše OK."_s)) << Seen();
    EXPECT_FALSE(RasOutput({u"connections"_s}).isEmpty()); // no alarm: the connection stays

    Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
    QDeadlineTimer deadline(3000);
    EXPECT_TRUE(WaitForLine(kHangUpLine, 3000)) << Seen();
    EXPECT_FALSE(deadline.hasExpired());
    EXPECT_EQ(RasOutput({u"connections"_s}), QString());
}

TEST_F(NuvexProgram, LogsADroppedSessionWithItsBytesInTheMonthsFile)
{
    ASSERT_TRUE(StartAndWaitFor(u":Vše OK."_s)) << Seen();
    Ras({u"speed"_s, u"57600"_s});
    Ras({u"recv"_s, u"5000"_s}); // the adapter's counter runs across sessions
    Ras({u"dial"_s, u"Internet"_s});
    // Seen connected: the session starts, and the tick that started it is over.
    ASSERT_TRUE(WaitForConnectedTicks(OptionsFile(), 2, 10000));
    Ras({u"recv"_s, u"123456"_s});
    ASSERT_TRUE(WaitForConnectedTicks(OptionsFile(), 1, 10000)); // and extended
    Ras({u"drop"_s, u"Internet"_s});

    ExpectOneSessionLogged(MonthLog(), u"57600,123456,Internet"_s);
}

TEST_F(NuvexProgram, TerminationSignalEndsItCleanlyAndLogsTheOpenSession)
{
    Ras({u"recv"_s, u"5000"_s});
    Ras({u"dial"_s, u"Internet"_s});
    ASSERT_TRUE(StartAndWaitFor(u":Vše OK."_s)) << Seen();
    ASSERT_TRUE(WaitForConnectedTicks(OptionsFile(), 2, 10000)); // the session is seen connected twice
    Ras({u"recv"_s, u"700"_s});
    ASSERT_TRUE(WaitForConnectedTicks(OptionsFile(), 1, 10000));

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QByteArray text = ReadBytes(MonthLog());
    EXPECT_TRUE(text.contains(",700,Internet\r\n")) << text.toStdString();
}

TEST_F(NuvexProgram, ASecondCopyEndsAtOnceAndTheFirstRunsOn)
{
    ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();

    QProcess second;
    Start(second);
    // "At once": no watch, no window; only its question to the first copy, which waits a
    // second at the most, stands between its start and its end.
    QElapsedTimer running;
    running.start();
    ASSERT_TRUE(second.waitForFinished(10000)) << "the second copy did not end";
    EXPECT_LT(running.elapsed(), 2000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("Aplikace hlídá."));
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(NuvexProgram, ACopyThatWasKilledDoesNotBlockTheNextStart)
{
    ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
    program.kill(); // SIGKILL: no chance to clean up
    ASSERT_TRUE(program.waitForFinished(5000));
    pending.clear();
    EXPECT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 3000)) << Seen();
}

TEST_F(NuvexProgram, AnEntryThatCannotBeReadDoesNotBlindTheGuard)
{
    ASSERT_TRUE(StartAndWaitFor(u":Vše OK."_s)) << Seen();

    // A dialer's entry that the service cannot read: its area code does not fit its field.
    const auto phonebook = sandbox.machine() / "ras/rasphone.pbk";
    WritePlainBytes(phonebook,
                    ReadPlainBytes(phonebook) +
                        "\r\n[Výhra]\r\nCountryCode=420\r\nAreaCode=12345678901\r\nPhoneNumber=906\r\n");
    Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
    Ras({u"dial"_s, u"Internet"_s});
    QDeadlineTimer deadline(3000);
    EXPECT_TRUE(WaitForLine(kChangeWarning, 3000)) << Seen();
    EXPECT_TRUE(WaitForLine(kHangUpLine, 3000)) << Seen();
    EXPECT_FALSE(deadline.hasExpired());
    EXPECT_EQ(RasOutput({u"connections"_s}), QString());

    // Resolved after several checks: the unreadable entry was logged once, not every second.
    Ras({u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});
    Ras({u"remove"_s, u"Výhra"_s});
    ASSERT_TRUE(WaitForLine(u":Vše OK."_s, 3000)) << Seen();
    EXPECT_EQ(seen.filter(u"„Výhra“ nelze přečíst"_s).size(), 1) << Seen();
    EXPECT_TRUE(seen.filter(u"„Výhra“ nelze přečíst"_s).first().contains(u"625"_s));
}

TEST_F(NuvexProgram, AnOpenErrorBoxDoesNotStopTheWatchNorTheGuard)
{
    Ras({u"dial"_s, u"Internet"_s});
    ASSERT_TRUE(StartAndWaitFor(u":Vše OK."_s)) << Seen();

    // The options file breaks while a connection is up: the guard's every check of the
    // session fails, and an error box opens.
    const QString options = OptionsFile();
    WriteBytes(options, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\r\n");
    ASSERT_TRUE(WaitForLine(u"Nuvex: chyba:"_s, 3000)) << Seen();

    Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
    QDeadlineTimer deadline(3500);
    EXPECT_TRUE(WaitForLine(kChangeWarning, 2500)) << Seen();
    EXPECT_TRUE(WaitForLine(kHangUpLine, 3500)) << Seen();
    EXPECT_FALSE(deadline.hasExpired());
    EXPECT_EQ(RasOutput({u"connections"_s}), QString());
}

TEST_F(NuvexProgram, DamagedOptionsAtStartAreReportedLeftAloneAndTheGuardRuns)
{
    const QString options = OptionsFile();
    const QByteArray seeded = ReadBytes(options);
    const std::vector<QByteArray> damaged{
        QByteArray("\x7f"
                   "ELF garbage\0\x01\x02 not a registry file",
                   34),
        seeded.left(seeded.indexOf("[HKEY") + 20), // cut off in the key's name
        seeded + "\"AskBeforeQuit\"=dword:1234567\r\n",
    };
    for (const QByteArray& bytes : damaged) {
        SCOPED_TRACE(bytes.toStdString());
        WriteBytes(options, bytes);
        pending.clear();
        seen.clear();
        ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
        EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 3000)) << Seen();
        EXPECT_EQ(seen.filter(u"user.reg je poškozen (řádek"_s).size(), 1) << Seen();

        // The guard works: a dialer's change is seen.
        Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
        EXPECT_TRUE(WaitForLine(kChangeWarning, 2500)) << Seen();
        Ras({u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});

        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(5000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(ReadBytes(options), bytes);
    }
}

TEST_F(NuvexProgram, ALineThatWillNotHangUpHoldsUpNeitherTheWindowNorTheOtherLines)
{
    const auto store = sandbox.machine() / "windows/Nuvex.val";
    WritePlainBytes(store, ReadPlainBytes(store) + "[Práce]\r\nTn=420-(2)-7\r\n");
    Ras({u"add"_s, u"Práce"_s, u"420-(2)-7"_s});
    Ras({u"dial"_s, u"Internet"_s, u"--hangup-delay"_s, u"-1"_s});
    ASSERT_TRUE(StartAndWaitFor(u":Vše OK."_s)) << Seen();

    Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
    ASSERT_TRUE(WaitForLine(kChangeWarning, 2500)) << Seen();
    // While the hang-up is awaited the program still answers within two seconds. The
    // machine's file shows when the service was asked to hang up.
    const QString connections =
        QString::fromStdString((sandbox.machine() / "ras" / "connections.ini").string());
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(connections).contains("HangUpAt"); }, 5s));
    Ras({u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 2000)) << Seen();

    // Reported once when the wait runs out.
    ASSERT_TRUE(WaitForLine(u"„Internet“ se nepodařilo zavěsit"_s, 40000)) << Seen();

    // A second connection is hung up at once, while the first is only tried again now and then.
    Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
    EXPECT_TRUE(WaitForLine(kChangeWarning, 2500)) << Seen();
    Ras({u"dial"_s, u"Práce"_s});
    EXPECT_TRUE(WaitForLine(kHangUpLine, 3000)) << Seen();
    EXPECT_FALSE(RasOutput({u"connections"_s}).contains(u"Práce"_s));
    Ras({u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 2000)) << Seen();

    // When the line finally goes, the log says so.
    Ras({u"hangup"_s, u"Internet"_s});
    EXPECT_TRUE(WaitForLine(u"„Internet“ bylo nakonec zavěšeno"_s, 2500)) << Seen();
    EXPECT_EQ(seen.filter(u":Spojení „Internet“ se nepodařilo zavěsit"_s).size(), 1) << Seen(); // the log's
}

// Killed right after its first connected tick, the program must leave stamps that make
// a session of some length, and the next start must log no session ending before it began.
TEST_F(NuvexProgram, KilledAtTheFirstConnectedTickItLeavesNoNegativeSession)
{
    Ras({u"dial"_s, u"Internet"_s});
    const QString options = OptionsFile();
    for (int round = 0; round < 4; ++round) {
        Start();
        // Kill the moment the session's start is on disk.
        double start = 0.0;
        WaitUntil([&] { return (start = SessionStamp(ReadBytes(options), "StartSession")) != 0.0; }, 15s,
                  [] { std::this_thread::sleep_for(200us); });
        program.kill();
        ASSERT_TRUE(program.waitForFinished(5000));
        ASSERT_NE(start, 0.0) << "no session started";
        const QByteArray text = ReadBytes(options);
        EXPECT_GE(SessionStamp(text, "EndSession"), SessionStamp(text, "StartSession")) << text.toStdString();
        pending.clear();
    }
    // This start logs the session the last kill left open.
    ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
    // Its own session, once it has lasted a tick, is logged when it ends.
    WaitUntil(
        [&] {
            const QByteArray text = ReadBytes(options);
            return SessionStamp(text, "EndSession") > SessionStamp(text, "StartSession") &&
                   SessionStamp(text, "StartSession") != 0.0;
        },
        15s);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(5000));

    const auto date = [](QString text) {
        return text.replace(u'?', u'.').toDouble();
    };
    int sessions = 0;
    for (const QByteArray& line : ReadBytes(MonthLog()).split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (!text.contains(u'='))
            continue;
        ++sessions;
        const QString key = text.section(u'=', 0, 0);
        const QString end = text.section(u'=', 1).section(u',', 0, 0);
        EXPECT_GE(date(end), date(key)) << text.toStdString();
    }
    EXPECT_GE(sessions, 1); // the last run's own at least
}

// "Přidej" pressed by a person on a read-only store: the program names the file in its
// error, and the file stays as it was. Needs an X server (Xvfb) and xdotool to press keys.
TEST_F(NuvexProgram, AddOnAReadOnlyStoreIsRefusedNamingTheFile)
{
    const QString store = QString::fromStdString((sandbox.machine() / "windows" / "Nuvex.val").string());
    QFile::setPermissions(store, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    Ras({u"add"_s, u"Nové"_s, u"420-(2)-7"_s});

    QProcess server;
    QString display;
    for (int attempt = 0; attempt < 20 && server.state() != QProcess::Running; ++attempt) {
        display = u":"_s + QString::number(200 + (::getpid() + attempt * 7) % 500);
        server.start(u"Xvfb"_s, {display, u"-screen"_s, u"0"_s, u"800x600x24"_s, u"-nolisten"_s, u"tcp"_s});
        if (!server.waitForStarted(5000))
            break;
        // A display already taken makes the server end at once.
        if (server.waitForFinished(700))
            continue;
    }
    ASSERT_EQ(server.state(), QProcess::Running) << "Xvfb could not start";
    const auto stopServer = qScopeGuard([&] {
        server.terminate();
        server.waitForFinished(5000);
    });
    QProcessEnvironment environment = OffscreenEnvironment();
    environment.insert(u"DISPLAY"_s, display);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    auto xdotool = [&](const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(u"xdotool"_s, arguments);
        tool.waitForFinished(15000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    };

    program.setProcessEnvironment(environment);
    program.start(CopyProgram(sandbox.dir() / "program"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(WaitForLine(kUnregisteredWarning, 15000)) << Seen(); // "Nové" is selected

    const QString window = xdotool({u"search"_s, u"--sync"_s, u"--name"_s, u"^NUVEX"_s}).section(u'\n', 0, 0);
    ASSERT_FALSE(window.isEmpty());
    xdotool({u"windowfocus"_s, u"--sync"_s, window});
    // "Př&ipojení" → "Př&idej".
    xdotool({u"key"_s, u"--delay"_s, u"300"_s, u"alt+i"_s, u"i"_s});
    EXPECT_TRUE(WaitForLine(store, 10000)) << Seen();
    EXPECT_TRUE(seen.last().contains(u"chyba"_s)) << Seen();

    EXPECT_EQ(ReadBytes(store), QByteArray("[Internet]\r\nTn=420-(2)-123456\r\n"));
    EXPECT_EQ(program.state(), QProcess::Running); // the watch goes on
}

// What a library costs in resident memory is paid from the moment it is mapped: the
// digest of the older master-password verifier and the picture renderer wait until they
// are needed, and a start that needs neither never maps them.
TEST_F(NuvexProgram, AStartMapsNeitherTheOlderDigestNorThePictureRenderer)
{
    Start();
    ASSERT_TRUE(WaitForLine(u":Vše OK."_s, 10000)) << Seen();
    const std::string maps = ReadPlainBytes("/proc/" + std::to_string(program.processId()) + "/maps");
    ASSERT_NE(maps.find("/libQt6Widgets.so"), std::string::npos) << maps;
    EXPECT_EQ(maps.find("/libcrypto.so"), std::string::npos);
    EXPECT_EQ(maps.find("/libQt6Svg.so"), std::string::npos);
    EXPECT_EQ(maps.find("/imageformats/"), std::string::npos);
}
