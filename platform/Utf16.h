#pragma once

// Converting between UTF-16LE bytes and UTF-8 text, for files written as UTF-16 (an INI
// file that starts with the UTF-16LE byte order mark).

#include <string>
#include <string_view>

namespace nuvex::platform {

// UTF-16LE to UTF-8. A lone surrogate is kept as its own three-byte form, so that writing
// the text back gives the same units.
std::string FromUtf16(std::string_view bytes);

// UTF-8 back to UTF-16LE, appended to out; a byte that starts no sequence becomes U+FFFD.
void AppendUtf16(std::string_view text, std::string& out);

} // namespace nuvex::platform
