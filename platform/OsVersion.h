#pragma once

// The operating system's version as GetVersionEx reports it. Linux is none of the
// Windows platforms: it reports platform identifier 0 and version 0.0.

#include <cstdint>

namespace nuvex::platform {

inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

struct OsVersionInfo
{
    std::uint32_t platformId = 0;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
};

OsVersionInfo GetOsVersion();

} // namespace nuvex::platform
