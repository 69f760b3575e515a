// The real nuvex guarding "this computer": a host root (NUVEX_HOST_ROOT) with Debian's own
// pppd and chat files, numbers changed by nuvex-ras --host, and a stand-in pppd as the
// link. Only what the programs print and write is looked at.

#include "NuvexProcess.h"
#include "SeededOptions.h"
#include "SessionStamps.h"
#include "support/FileEvents.h"
#include "support/HostRoot.h"
#include "support/SandboxTest.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <vector>

using namespace nuvex::test;

namespace {

class HostMachine : public nuvex::test::SandboxTest
{
protected:
    void SetUp() override
    {
        if (ReadPlainBytes("/etc/chatscripts/pap").empty())
            GTEST_SKIP() << "Debian's ppp package is not installed (tools/install-deps.sh installs it)";
        // Debian's provider peer over its pap script, its number after -T.
        ASSERT_TRUE(root.CopyDebian("/etc/ppp/peers/provider", "-T ********", "-T 0212345678"));
        ASSERT_TRUE(root.CopyDebian("/etc/chatscripts/pap"));
        // A peer over Debian's provider script, which holds the number itself.
        ASSERT_TRUE(
            root.CopyDebian("/etc/chatscripts/provider", "ATDT<put phone number here>", "ATDT0987654321"));
        root.Write("etc/ppp/peers/isp",
                   "/dev/ttyS0\n57600\nconnect \"/usr/sbin/chat -v -f /etc/chatscripts/provider\"\n");
        WritePlainBytes(sandbox.dir() / "home/.local/share/nuvex/Nuvex.val",
                        "[provider]\r\nTn=0212345678\r\n[isp]\r\nTn=0987654321\r\n");
        // This computer's guard has also asked once whether to trust its numbers.
        WritePlainBytes(ConfigDir() / "user.reg",
                        QByteArray(kSeededOptions + "\"HostTrustAsked\"=dword:00000001\r\n").toStdString());
    }

    // The per-user folder of this computer's guard's options.
    std::filesystem::path ConfigDir() const { return sandbox.dir() / "home/.config/nuvex"; }

    static QProcessEnvironment Environment()
    {
        QProcessEnvironment environment = OffscreenEnvironment();
        environment.remove(u"NUVEX_SYSTEM_ROOT"_s); // this computer, not the emulated machine
        return environment; // NUVEX_HOST_ROOT, HOME and the XDG folders come from the sandbox
    }

    // The stand-in pppd, copied into the test's folder under pppd's name.
    void StartPppd(QProcess& pppd, const QStringList& arguments)
    {
        pppd.setProcessEnvironment(Environment());
        pppd.start(CopyProgram(sandbox.dir() / "sbin", NUVEX_STANDIN_PPPD, "pppd"), arguments);
        ASSERT_TRUE(pppd.waitForStarted(10000));
        ASSERT_TRUE(pppd.waitForReadyRead(10000)); // "ready": its signals are set up
    }

    void StartNuvex()
    {
        nuvex.Start(sandbox.dir() / "program");
        ASSERT_TRUE(nuvex.WaitForLine(u"Aplikace hlídá."_s, 10000)) << nuvex.Seen();
    }

    QString OptionsFile() const { return QString::fromStdString((ConfigDir() / "user.reg").string()); }

    HostRoot root{sandbox};
    NuvexProcess nuvex{Environment()};
};

} // namespace

TEST_F(HostMachine, ANumberChangedInAChatScriptRaisesTheChangeWarningAndANewPeerTheOther)
{
    StartNuvex();
    EXPECT_TRUE(nuvex.WaitForLine(u"Hlídaný počítač: tento počítač"_s, 2000)) << nuvex.Seen();
    ASSERT_TRUE(nuvex.WaitForLine(u":Vše OK."_s, 5000)) << nuvex.Seen();

    ASSERT_EQ(nuvex.Ras({u"--host"_s, u"set"_s, u"isp"_s, u"0900123456"_s}), 0);
    EXPECT_TRUE(nuvex.WaitForLine(kChangeWarning, 2500)) << nuvex.Seen();
    ASSERT_EQ(nuvex.Ras({u"--host"_s, u"set"_s, u"isp"_s, u"0987654321"_s}), 0);
    EXPECT_TRUE(nuvex.WaitForLine(u":Vše OK."_s, 2500)) << nuvex.Seen();

    root.Write("etc/ppp/peers/premium", "connect \"chat '' ATZ OK ATDT0906111222\"\n");
    EXPECT_TRUE(nuvex.WaitForLine(kUnregisteredWarning, 2500)) << nuvex.Seen();
}

TEST_F(HostMachine, UnderTheAlarmTheLinksPppdGetsSigtermAndTheHangUpIsLogged)
{
    QProcess pppd;
    StartPppd(pppd, {u"call"_s, u"provider"_s, u"--up"_s});
    StartNuvex();
    ASSERT_TRUE(nuvex.WaitForLine(u":Vše OK."_s, 5000)) << nuvex.Seen();
    QString connections;
    ASSERT_EQ(nuvex.Ras({u"--host"_s, u"connections"_s}, &connections), 0);
    EXPECT_EQ(connections, QString::number(pppd.processId()) + u"\tprovider\tconnected\tppp0\n"_s);

    ASSERT_EQ(nuvex.Ras({u"--host"_s, u"set"_s, u"provider"_s, u"0906999"_s}), 0);
    EXPECT_TRUE(nuvex.WaitForLine(kChangeWarning, 2500)) << nuvex.Seen();
    EXPECT_TRUE(nuvex.WaitForLine(kHangUpLine, 3000)) << nuvex.Seen();
    ASSERT_TRUE(pppd.waitForFinished(3000)) << "pppd was not ended";
    EXPECT_EQ(pppd.exitStatus(), QProcess::NormalExit); // it ended on its SIGTERM, as pppd does
    EXPECT_FALSE(std::filesystem::exists(root / "sys/class/net/ppp0"));
}

TEST_F(HostMachine, ASessionEndedByPppdEndingIsLoggedWithItsBytesAndSpeed)
{
    QProcess pppd;
    StartPppd(pppd, {u"call"_s, u"isp"_s, u"--unit"_s, u"3"_s, u"--up"_s});
    root.Write("sys/class/net/ppp3/statistics/rx_bytes", "1000\n");
    StartNuvex();
    ASSERT_TRUE(nuvex.WaitForLine(u":Vše OK."_s, 5000)) << nuvex.Seen();
    // Seen connected: the session starts with the counter at 1000, and that tick is over.
    ASSERT_TRUE(WaitForConnectedTicks(OptionsFile(), 2, 10000));
    root.Write("sys/class/net/ppp3/statistics/rx_bytes", "124456\n");
    // And is extended: a tick writes its end stamp, reads the link's speed from its peer
    // file, then checks the peer files. The link ends after that tick's work, between two
    // ticks; ended while a tick looks at it, it could be seen up without its speed.
    FileEvents events({ConfigDir(), root / "etc/ppp/peers"});
    ASSERT_TRUE(events.WaitFor({{ConfigDir(), "user.reg", IN_MOVED_TO},
                                {root / "etc/ppp/peers", "isp", IN_OPEN},
                                {root / "etc/ppp/peers", "isp", IN_OPEN}},
                               std::chrono::seconds(10)));

    ::kill(static_cast<pid_t>(pppd.processId()), SIGTERM); // poff
    ASSERT_TRUE(pppd.waitForFinished(3000));
    ExpectOneSessionLogged(MonthLogIn(QFileInfo(nuvex.programFile).absolutePath()), u"57600,123456,isp"_s);
}

TEST_F(HostMachine, ToolListsTheEntriesAsNuvexReadsThem)
{
    root.Write("etc/wvdial.conf", "[Dialer Defaults]\nPhone = 5551234\nPhone1 = 5554321\n");
    QString out;
    ASSERT_EQ(nuvex.Ras({u"--host"_s, u"list"_s}, &out), 0);
    const QString etc = QString::fromStdString((root / "etc").string());
    EXPECT_EQ(out, u"isp\t0987654321\t"_s + etc + u"/chatscripts/provider\n"_s + u"provider\t0212345678\t"_s +
                       etc + u"/ppp/peers/provider\n"_s + u"wvdial Defaults\t5551234; 5554321\t"_s + etc +
                       u"/wvdial.conf\n"_s);
    QString err;
    EXPECT_EQ(nuvex.Ras({u"--host"_s, u"set"_s, u"isp"_s, u"12\n3"_s}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(u"smí obsahovat jen číslice"_s)) << err.toStdString();
}

// The time from a change of the phonebook (the moment the tool that made it returns) to
// the warning on nuvex's standard error, on both machines: median and maximum of 20.
class DetectionLatency : public HostMachine
{};

namespace {

// Prints the delays of 20 changes, also counted from the tool's start (its own run
// included); the median must stay well below a tick's 500 ms on average.
void ExpectPromptWarnings(NuvexProcess& nuvex, const char* machine, const QStringList& change,
                          const QStringList& back)
{
    std::vector<double> times;
    std::vector<double> fromStart;
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(nuvex.Ras(change), 0);
        const auto returned = std::chrono::steady_clock::now();
        EXPECT_TRUE(nuvex.WaitForLine(kChangeWarning, 3000)) << nuvex.Seen();
        const auto seen = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(seen - returned).count());
        fromStart.push_back(std::chrono::duration<double, std::milli>(seen - start).count());
        EXPECT_EQ(nuvex.Ras(back), 0);
        EXPECT_TRUE(nuvex.WaitForLine(u":Vše OK."_s, 3000)) << nuvex.Seen();
    }
    std::sort(times.begin(), times.end());
    std::sort(fromStart.begin(), fromStart.end());
    const double median = (times[9] + times[10]) / 2;
    std::printf("detection latency, %s: median %.1f ms, max %.1f ms over 20 changes "
                "(from the tool's start: median %.1f ms, max %.1f ms)\n",
                machine, median, times.back(), (fromStart[9] + fromStart[10]) / 2, fromStart.back());
    EXPECT_LT(median, 250.0);
}

} // namespace

TEST_F(DetectionLatency, TheWarningFollowsAChangeWellBeforeTheNextTickOnThisComputer)
{
    StartNuvex();
    ASSERT_TRUE(nuvex.WaitForLine(u":Vše OK."_s, 5000)) << nuvex.Seen();
    ExpectPromptWarnings(nuvex, "this computer", {u"--host"_s, u"set"_s, u"isp"_s, u"0900111"_s},
                         {u"--host"_s, u"set"_s, u"isp"_s, u"0987654321"_s});
}

TEST_F(DetectionLatency, TheWarningFollowsAChangeWellBeforeTheNextTickOnTheEmulatedMachine)
{
    const auto machine = sandbox.machine();
    WritePlainBytes(machine / "windows/Nuvex.val", "[Internet]\r\nTn=420-(2)-123456\r\n");
    WritePlainBytes(machine / "home/user.reg", ReadPlainBytes(ConfigDir() / "user.reg"));
    NuvexProcess emulated(OffscreenEnvironment());
    ASSERT_EQ(emulated.Ras({u"add"_s, u"Internet"_s, u"420-(2)-123456"_s}), 0);
    emulated.Start(sandbox.dir() / "program");
    ASSERT_TRUE(emulated.WaitForLine(u":Vše OK."_s, 10000)) << emulated.Seen();
    ExpectPromptWarnings(emulated, "emulated machine", {u"set"_s, u"Internet"_s, u"420-(906)-123456"_s},
                         {u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});
}
