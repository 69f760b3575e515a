#pragma once

// The dial-up adapter's performance statistics (on Windows 95/98/ME the values below
// HKEY_DYN_DATA\PerfStats\StatData). On Linux they are the emulated adapter's counters.

#include <cstdint>
#include <optional>
#include <string>

namespace nuvex::platform {

inline constexpr const char* kPerfBytesReceived = "Dial-Up Adapter\\BytesRecvd";
inline constexpr const char* kPerfConnectSpeed = "Dial-Up Adapter\\ConnectSpeed";

// The named counter (unsigned 32-bit), or nothing when it cannot be read.
std::optional<std::uint32_t> ReadPerfStatValue(const std::string& name);

} // namespace nuvex::platform
