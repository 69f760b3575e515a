#pragma once

// Letter-case folding of UTF-8 text for name matching: ASCII, Latin-1, Latin Extended-A
// (every Czech letter), Greek and Cyrillic. Bytes that are not valid UTF-8 stay as they are.

#include <string>
#include <string_view>

namespace nuvex::platform {

std::string FoldCase(std::string_view utf8);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace nuvex::platform
