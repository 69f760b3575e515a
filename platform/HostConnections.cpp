// This computer's dial-up links read from the running pppd processes (HostConnections.h).

#include "platform/HostConnections.h"

#include "platform/HostPhonebook.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace nuvex::platform::host {

namespace {

std::optional<std::string> ReadSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> SplitNul(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\0', start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::string Comm(pid_t pid)
{
    auto text = ReadSmallFile("/proc/" + std::to_string(pid) + "/comm").value_or(std::string());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// The parent and the state letter from /proc/PID/stat (the name may hold blanks and ")").
std::optional<std::pair<pid_t, char>> ParentAndState(pid_t pid)
{
    const auto text = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat");
    if (!text)
        return std::nullopt;
    const auto close = text->rfind(')');
    if (close == std::string::npos || close + 4 > text->size())
        return std::nullopt;
    std::istringstream rest(text->substr(close + 2));
    char state = 0;
    long parent = 0;
    rest >> state >> parent;
    return std::make_pair(static_cast<pid_t>(parent), state);
}

bool BelongsToThisRoot(pid_t pid)
{
    const char* root = std::getenv("NUVEX_HOST_ROOT");
    if (!root || !*root)
        return true;
    const auto environment = ReadSmallFile("/proc/" + std::to_string(pid) + "/environ");
    if (!environment)
        return true; // another user's process: its environment is not ours to read
    const std::string wanted = std::string("NUVEX_HOST_ROOT=") + root;
    const auto parts = SplitNul(*environment);
    return std::find(parts.begin(), parts.end(), wanted) != parts.end();
}

// The wvdial section a wvdial command line dials (the last one named; Defaults when none).
std::string WvdialSection(const std::vector<std::string>& args)
{
    std::string section = "Defaults";
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--config" || arg == "-C")
            ++i;
        else if (!arg.starts_with("-"))
            section = arg;
    }
    return section;
}

// pid -> interface, from pppd's pid files.
std::map<pid_t, std::string> InterfacesByPid()
{
    std::map<pid_t, std::string> interfaces;
    const std::string folder = HostPath("/run");
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return interfaces;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!name.starts_with("ppp") || !name.ends_with(".pid"))
            continue;
        const auto text = ReadSmallFile(folder + "/" + name);
        if (!text)
            continue;
        std::istringstream lines(*text);
        long pid = 0;
        std::string interface;
        lines >> pid >> interface;
        if (pid <= 0)
            continue;
        if (interface.empty() && !name.starts_with("ppp-"))
            interface = name.substr(0, name.size() - 4); // pppN.pid names its interface
        if (!interface.empty())
            interfaces[static_cast<pid_t>(pid)] = interface;
    }
    ::closedir(dir);
    return interfaces;
}

bool InterfaceUp(const std::string& interface)
{
    const std::string folder = HostPath("/sys/class/net/" + interface);
    struct stat status
    {};
    if (interface.empty() || interface.find('/') != std::string::npos || ::stat(folder.c_str(), &status) != 0)
        return false;
    if (const auto flags = ReadSmallFile(folder + "/flags"))
        return (std::strtoul(flags->c_str(), nullptr, 16) & 0x1) != 0; // IFF_UP
    const auto state = ReadSmallFile(folder + "/operstate").value_or(std::string());
    return !state.starts_with("down");
}

} // namespace

std::vector<Link> RunningLinks()
{
    std::vector<Link> links;
    const auto interfaces = InterfacesByPid();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return links;
    while (const dirent* entry = ::readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
        if (Comm(pid) != "pppd" || !BelongsToThisRoot(pid))
            continue;
        const auto parentAndState = ParentAndState(pid);
        if (!parentAndState || parentAndState->second == 'Z' || parentAndState->second == 'X')
            continue; // ended, not yet reaped
        const auto args = SplitNul(ReadSmallFile("/proc/" + name + "/cmdline").value_or(std::string()));
        Link link;
        link.pid = pid;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "call" && i + 1 < args.size())
                link.entry = args[i + 1];
            else if (args[i].starts_with("/dev/") && link.device.empty())
                link.device = args[i];
        }
        const pid_t parent = parentAndState->first;
        if (parent > 1 && Comm(parent) == "wvdial") {
            link.wvdialParent = parent;
            link.entry =
                "wvdial " + WvdialSection(SplitNul(
                                ReadSmallFile("/proc/" + std::to_string(parent) + "/cmdline").value_or("")));
        }
        if (link.entry.empty())
            link.entry = "pppd";
        if (const auto found = interfaces.find(pid); found != interfaces.end())
            link.interface = found->second;
        link.interfaceUp = InterfaceUp(link.interface);
        links.push_back(std::move(link));
    }
    ::closedir(proc);
    std::sort(links.begin(), links.end(), [](const Link& a, const Link& b) { return a.pid < b.pid; });
    return links;
}

std::optional<Link> FindLink(pid_t pid)
{
    for (Link& link : RunningLinks())
        if (link.pid == pid)
            return link;
    return std::nullopt;
}

SignalResult TerminateLink(pid_t pid)
{
    const auto link = FindLink(pid);
    if (!link)
        return SignalResult::Gone;
    if (link->wvdialParent > 0 && ::kill(link->wvdialParent, SIGTERM) != 0 && errno == EPERM)
        return SignalResult::Refused;
    if (::kill(pid, SIGTERM) != 0)
        return errno == EPERM ? SignalResult::Refused : SignalResult::Gone;
    return SignalResult::Sent;
}

std::map<std::string, std::optional<std::uint64_t>> ReceivedBytesByInterface()
{
    std::map<std::string, std::optional<std::uint64_t>> bytes;
    const std::string folder = HostPath("/sys/class/net");
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return bytes;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!name.starts_with("ppp"))
            continue;
        // Only digits and the line's end: a text cut short or empty is no reading of zero.
        const auto text = ReadSmallFile(folder + "/" + name + "/statistics/rx_bytes");
        auto& read = bytes[name];
        if (text && text->size() > 1 && text->back() == '\n' &&
            text->find_first_not_of("0123456789") == text->size() - 1)
            read = std::strtoull(text->c_str(), nullptr, 10);
    }
    ::closedir(dir);
    return bytes;
}

std::uint32_t ReceivedBytesCounter::Read()
{
    std::map<std::string, std::uint64_t> now;
    for (const auto& [name, read] : ReceivedBytesByInterface()) {
        // An interface whose counter cannot be read just now keeps its last figure: taking
        // it for a link that restarted would count its bytes twice.
        if (read)
            now[name] = *read;
        else if (const auto last = last_.find(name); last != last_.end())
            now[name] = last->second;
    }
    for (const auto& [name, bytes] : last_) {
        const auto found = now.find(name);
        if (found == now.end() || found->second < bytes)
            ended_ += bytes; // gone, or a new link under the same name
    }
    last_ = now;
    std::uint64_t total = ended_;
    for (const auto& [name, bytes] : now)
        total += bytes;
    return static_cast<std::uint32_t>(total);
}

} // namespace nuvex::platform::host
