// The dial-up adapter's counters, asked of the dial-up service in use.

#include "platform/PerfStats.h"

#include "platform/RasService.h"

namespace nuvex::platform {

std::optional<std::uint32_t> ReadPerfStatValue(const std::string& name)
{
    return ras::ActiveRasService().PerfStat(name);
}

} // namespace nuvex::platform
