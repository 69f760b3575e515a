// Whether this process may create and replace files in a folder, asked with access(2)
// (Writable.h).

#include "platform/Writable.h"

#include <sys/stat.h>
#include <unistd.h>

namespace nuvex::platform {

bool MayWriteInDir(const std::string& dir)
{
    struct stat status
    {};
    if (dir.empty() || ::stat(dir.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    // Creating a file needs both: write to add the name, search to reach it.
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

} // namespace nuvex::platform
