#include "platform/OsVersion.h"

namespace nuvex::platform {

OsVersionInfo GetOsVersion()
{
    return {};
}

} // namespace nuvex::platform
