#pragma once

// This computer's dial-up links: every running pppd is one. Its entry is its `call NAME`
// argument, or "wvdial SECTION" when wvdial started it; its interface comes from pppd's
// pid files in /run (pppN.pid, ppp-LINKNAME.pid) and lives in /sys/class/net.
//
// While NUVEX_HOST_ROOT is set (tests only) only the pppd processes started with that
// same NUVEX_HOST_ROOT count, so that tests running side by side never see each other's.

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace nuvex::platform::host {

struct Link
{
    pid_t pid = 0;
    std::string entry;
    std::string interface;    // empty while pppd has written no pid file
    bool interfaceUp = false; // the interface exists and is up
    pid_t wvdialParent = 0;   // 0 when pppd was not started by wvdial
    std::string device;
};

std::vector<Link> RunningLinks();
std::optional<Link> FindLink(pid_t pid);

enum class SignalResult
{
    Sent,
    Gone,
    Refused
};
// SIGTERM to the wvdial that started the link (so it does not redial), then to pppd.
SignalResult TerminateLink(pid_t pid);

// Bytes received over all ppp interfaces, as a 32-bit counter.
std::uint32_t ReceivedBytes();

} // namespace nuvex::platform::host
