#pragma once

// The operating system's message text for an error code (FormatMessage on Windows).

#include <string>

namespace nuvex::platform {

std::string SystemErrorMessage(int code);

} // namespace nuvex::platform
