// Where the emulated machine and this computer keep their files on Linux (SystemPaths.h).

#include "platform/SystemPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace nuvex::platform {

namespace {

std::string envOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return (value && *value) ? std::string(value) : fallback;
}

std::string homeDir()
{
    return envOr("HOME", "/tmp");
}

bool sandboxed()
{
    const char* root = std::getenv("NUVEX_SYSTEM_ROOT");
    return root && *root;
}

} // namespace

std::string SystemRoot()
{
    if (sandboxed())
        return std::getenv("NUVEX_SYSTEM_ROOT");
    std::error_code ec;
    if (fs::is_directory("/var/lib/nuvex", ec))
        return "/var/lib/nuvex";
    return envOr("XDG_DATA_HOME", homeDir() + "/.local/share") + "/nuvex";
}

std::string WindowsDir()
{
    // Guarding this computer, the program's shared files are the user's own.
    if (!sandboxed())
        return envOr("XDG_DATA_HOME", homeDir() + "/.local/share") + "/nuvex";
    return SystemRoot() + "/windows";
}

std::string RasDir()
{
    return SystemRoot() + "/ras";
}

std::string RegistryDir()
{
    return SystemRoot() + "/registry";
}

std::string UserConfigDir()
{
    if (sandboxed())
        return SystemRoot() + "/home";
    return envOr("XDG_CONFIG_HOME", homeDir() + "/.config") + "/nuvex";
}

std::string ProgramFile()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string ProgramDir()
{
    const std::string file = ProgramFile();
    if (file.empty())
        return fs::current_path().string();
    return fs::path(file).parent_path().string();
}

void MakeDirs(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec)
        throw std::system_error(ec, "Nelze vytvořit složku " + path);
}

} // namespace nuvex::platform
