#pragma once

// The one letter-case rule for names (sections, keys, entries, registry keys and values):
// Unicode simple case folding of UTF-8 text, every letter of every script, one code
// point to one code point. Bytes that are not valid UTF-8 stay as they are.

#include <string>
#include <string_view>

namespace nuvex::platform {

std::string FoldCase(std::string_view utf8);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// FoldCase(text) == folded, without building the folded text.
bool FoldedEquals(std::string_view text, std::string_view folded);
// The simple case folding of one code point (itself when it has none).
char32_t FoldCodePoint(char32_t c);

} // namespace nuvex::platform
