#pragma once

// Whether the running user may create and replace files in a folder, as the system
// decides it for this process (its user, groups and the mount's read-only flag).

#include <string>

namespace nuvex::platform {

// True for an existing folder in which this process may create files.
bool MayWriteInDir(const std::string& dir);

} // namespace nuvex::platform
