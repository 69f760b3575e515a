#include "platform/PerfStats.h"
#include "platform/RasStandin.h"

#include <exception>

namespace nuvex::platform {

std::optional<std::uint32_t> ReadPerfStatValue(const std::string& name)
{
    try {
        const rasstandin::AdapterStats stats = rasstandin::ReadAdapterStats();
        if (name == kPerfBytesReceived)
            return stats.bytesReceived;
        if (name == kPerfConnectSpeed)
            return stats.connectSpeed;
    } catch (const std::exception&) {
        // Unreadable statistics read as missing, as on a machine without the adapter.
    }
    return std::nullopt;
}

} // namespace nuvex::platform
