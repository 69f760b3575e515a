#pragma once

// A private emulated machine for one test: a fresh temporary folder named by
// NUVEX_SYSTEM_ROOT, with HOME and the XDG folders pointed inside it so that nothing
// touches the real home directory. Removed with everything in it at the end.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace nuvex::test {

class Sandbox
{
public:
    Sandbox()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nuvex-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root_ = pattern;
        setenv("NUVEX_SYSTEM_ROOT", (root_ / "machine").c_str(), 1);
        setenv("HOME", (root_ / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ / "home/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root_ / "home/.local/share").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
        std::filesystem::create_directories(root_ / "machine");
        std::filesystem::create_directories(root_ / "home");
        std::filesystem::create_directories(root_ / "run");
        std::filesystem::permissions(root_ / "run", std::filesystem::perms::owner_all);
    }
    ~Sandbox()
    {
        std::error_code ec;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // The folder of the whole test, and the emulated machine's root inside it.
    const std::filesystem::path& dir() const { return root_; }
    std::filesystem::path machine() const { return root_ / "machine"; }

private:
    std::filesystem::path root_;
};

} // namespace nuvex::test
