#pragma once

// UTF-8 bytes of one code point, for the text layers that convert between encodings.

#include <string>

namespace nuvex::platform {

void AppendUtf8(char32_t c, std::string& out);

} // namespace nuvex::platform
