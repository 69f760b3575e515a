#pragma once

// Blanks as the Windows profile functions skip them around names and values: space, TAB,
// VT, FF, CR and Ctrl-Z (the DOS end-of-file mark that old editors leave at the end).

#include <string_view>

namespace nuvex::platform {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
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
