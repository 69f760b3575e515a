#pragma once

// A stand-in for this computer's /etc, /run and /sys/class/net inside a test's sandbox
// (NUVEX_HOST_ROOT), with Debian's own pppd and chat files copied from the installed
// `ppp` package, and a way to run a piece of a test as an ordinary user.

#include "support/ChildProcess.h"
#include "support/PlainFileBytes.h"
#include "support/Sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <grp.h>
#include <string>
#include <unistd.h>

namespace nuvex::test {

inline std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class HostRoot
{
public:
    explicit HostRoot(const Sandbox& sandbox) : root_(sandbox.dir() / "host")
    {
        std::filesystem::create_directories(root_ / "etc/ppp/peers");
        std::filesystem::create_directories(root_ / "etc/chatscripts");
        std::filesystem::create_directories(root_ / "run");
        std::filesystem::create_directories(root_ / "sys/class/net");
        setenv("NUVEX_HOST_ROOT", root_.c_str(), 1);
    }
    ~HostRoot() { unsetenv("NUVEX_HOST_ROOT"); }

    const std::filesystem::path& path() const { return root_; }
    std::filesystem::path operator/(const std::string& inside) const { return root_ / inside; }

    // Copies one of Debian's files (from the installed ppp package) to the same place here.
    // False when the package is not installed.
    bool CopyDebian(const std::string& absolute, const std::string& from = {},
                    const std::string& to = {}) const
    {
        const std::filesystem::path source = absolute;
        const std::string text = ReadPlainBytes(source);
        if (text.empty())
            return false;
        WritePlainBytes(root_ / source.relative_path(), from.empty() ? text : Replaced(text, from, to));
        return true;
    }

    void Write(const std::string& inside, const std::string& text) const
    {
        WritePlainBytes(root_ / inside, text);
    }
    std::string Read(const std::string& inside) const { return ReadPlainBytes(root_ / inside); }

private:
    std::filesystem::path root_;
};

// Lets other users into the sandbox's folders, for RunAsOrdinaryUser when tests run as root.
inline void OpenToOthers(const Sandbox& sandbox)
{
    if (::geteuid() != 0)
        return;
    namespace fs = std::filesystem;
    const auto open = fs::perms::others_exec | fs::perms::others_read;
    std::error_code ec;
    fs::permissions(sandbox.dir(), open, fs::perm_options::add, ec);
    for (const auto& entry : fs::recursive_directory_iterator(sandbox.dir(), ec))
        if (entry.is_directory(ec) && !entry.is_symlink(ec))
            fs::permissions(entry.path(), open, fs::perm_options::add, ec);
}

// Closes a file or folder to this test's ordinary user as Debian closes /etc/ppp/peers
// (root:dip 0750); returns the name of the group that may still read it.
inline std::string CloseToOrdinaryUser(const std::filesystem::path& path)
{
    if (::geteuid() == 0) {
        const group* dip = getgrnam("dip");
        const gid_t gid = dip ? dip->gr_gid : 0;
        if (::chown(path.c_str(), 0, gid) != 0)
            return {};
        std::filesystem::permissions(
            path, std::filesystem::perms(std::filesystem::is_directory(path) ? 0750 : 0640));
        return dip ? "dip" : "root";
    }
    std::filesystem::permissions(path,
                                 std::filesystem::perms(std::filesystem::is_directory(path) ? 0070 : 0060));
    const group* own = getgrgid(::getegid());
    return own ? own->gr_name : std::to_string(::getegid());
}

// Runs work in a child process as an ordinary user (nobody, when the test runs as root),
// so that file permissions apply; true when work returned true.
template <typename Work> bool RunAsOrdinaryUser(Work work)
{
    return Succeeded(Spawn([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            return false;
        return static_cast<bool>(work());
    }));
}

} // namespace nuvex::test
