// This computer's links: running pppd processes (a stand-in one) found through /proc, their
// entry, interface and state, the wvdial that started one, and SIGTERM as the hang-up.

#include "platform/HostConnections.h"
#include "support/HostRoot.h"
#include "support/WaitUntil.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace host = nuvex::platform::host;
using nuvex::test::WaitUntil;
using namespace std::chrono_literals;

namespace {

// Starts a program with arguments and waits for its first output line ("ready").
pid_t Launch(const std::vector<std::string>& argv, bool waitReady = true)
{
    int out[2];
    if (::pipe(out) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        _exit(127);
    }
    ::close(out[1]);
    char c = 0;
    while (waitReady && ::read(out[0], &c, 1) == 1 && c != '\n') {
    }
    ::close(out[0]);
    return pid;
}

// Ends and reaps a process the test started, whatever the test did.
struct Reaped
{
    pid_t pid;
    ~Reaped()
    {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0)
            ::waitpid(pid, nullptr, 0);
    }
};

bool Ended(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

TEST(HostConnections, APppdIsALinkDiallingUntilItsInterfaceIsUpAndSigtermEndsIt)
{
    nuvex::test::Sandbox sandbox;
    nuvex::test::HostRoot root(sandbox);
    const pid_t pppd = Launch({NUVEX_STANDIN_PPPD, "call", "provider", "--unit", "2"});
    ASSERT_GT(pppd, 0);
    const Reaped reaped{pppd};

    auto links = host::RunningLinks();
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].pid, pppd);
    EXPECT_EQ(links[0].entry, "provider");
    EXPECT_FALSE(links[0].interfaceUp); // no pid file, no interface yet: dialling

    ::kill(pppd, SIGUSR1);
    ASSERT_TRUE(WaitUntil([&] { return host::FindLink(pppd) && host::FindLink(pppd)->interfaceUp; }, 10s));
    EXPECT_EQ(host::FindLink(pppd)->interface, "ppp2");

    host::ReceivedBytesCounter counter;
    root.Write("sys/class/net/ppp2/statistics/rx_bytes", "700\n");
    EXPECT_EQ(counter.Read(), 700u);
    // A counter caught while it is written is no restart of the link: counted once.
    for (const char* torn : {"", "12"}) {
        root.Write("sys/class/net/ppp2/statistics/rx_bytes", torn);
        EXPECT_EQ(counter.Read(), 700u) << '"' << torn << '"';
    }
    root.Write("sys/class/net/ppp2/statistics/rx_bytes", "900\n");
    EXPECT_EQ(counter.Read(), 900u);
    ::kill(pppd, SIGUSR2); // the line drops: the interface goes, its bytes stay counted
    ASSERT_TRUE(WaitUntil([&] { return !host::FindLink(pppd)->interfaceUp; }, 10s));
    EXPECT_EQ(counter.Read(), 900u);

    EXPECT_EQ(host::TerminateLink(pppd), host::SignalResult::Sent);
    ASSERT_TRUE(WaitUntil([&] { return Ended(pppd); }, 10s));
    EXPECT_FALSE(host::FindLink(pppd));
    EXPECT_EQ(host::TerminateLink(pppd), host::SignalResult::Gone);
}

TEST(HostConnections, APppdStartedByWvdialIsItsSectionsLinkAndTheHangUpEndsWvdialToo)
{
    nuvex::test::Sandbox sandbox;
    nuvex::test::HostRoot root(sandbox);
    // A stand-in wvdial: a script of that name that runs pppd as its child and waits.
    const auto wvdial = sandbox.dir() / "bin/wvdial";
    nuvex::test::WritePlainBytes(wvdial, std::string("#!/bin/sh\n\"") + NUVEX_STANDIN_PPPD +
                                             "\" call wvdial --up &\ntrap 'kill $!; exit 0' TERM\nwait\n");
    std::filesystem::permissions(wvdial, std::filesystem::perms(0755));
    const pid_t parent = Launch({wvdial.string(), "--config", "/etc/wvdial.conf", "work"});
    ASSERT_GT(parent, 0);
    const Reaped reaped{parent};

    ASSERT_TRUE(WaitUntil([] { return host::RunningLinks().size() == 1; }, 10s));
    const host::Link link = host::RunningLinks()[0];
    EXPECT_EQ(link.entry, "wvdial work");
    EXPECT_EQ(link.wvdialParent, parent);
    EXPECT_TRUE(link.interfaceUp);

    EXPECT_EQ(host::TerminateLink(link.pid), host::SignalResult::Sent);
    EXPECT_TRUE(WaitUntil([&] { return Ended(parent); }, 10s));
    EXPECT_TRUE(WaitUntil([] { return host::RunningLinks().empty(); }, 10s));
}
