// The operating system's version on Linux, which is none of the Windows platforms.

#include "platform/OsVersion.h"

namespace nuvex::platform {

OsVersionInfo GetOsVersion()
{
    return {};
}

} // namespace nuvex::platform
