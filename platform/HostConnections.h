#pragma once

// This computer's dial-up links: every running pppd is one. Its entry is its `call NAME`
// argument, or "wvdial SECTION" when wvdial started it; its interface comes from pppd's
// pid files in /run (pppN.pid, ppp-LINKNAME.pid) and lives in /sys/class/net.
//
// While NUVEX_HOST_ROOT is set (tests only) only the pppd processes started with that
// same NUVEX_HOST_ROOT count, so that tests running side by side never see each other's.

#include <cstdint>
#include <map>
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

// Bytes received so far by each ppp interface that exists now; nothing for one whose
// counter does not read as a number at this moment.
std::map<std::string, std::optional<std::uint64_t>> ReceivedBytesByInterface();

// The dial-up adapter's received-bytes counter over links that come and go: it keeps the
// bytes of interfaces that went away (or restarted from zero), so that it only grows.
class ReceivedBytesCounter
{
public:
    std::uint32_t Read(); // wraps at 2^32 like the adapter's counter

private:
    std::map<std::string, std::uint64_t> last_;
    std::uint64_t ended_ = 0;
};

} // namespace nuvex::platform::host
