#pragma once

// Blanks as hand-edited text files use them: space and tab.

#include <string_view>

namespace nuvex::platform {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace nuvex::platform
