#pragma once

// Whole-text decimal numbers: a hand-edited "12abc" or " 12" is not 12.

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace nuvex::platform {

template <typename T> std::optional<T> ParseDecimal(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

} // namespace nuvex::platform
