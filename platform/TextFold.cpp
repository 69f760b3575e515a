// Unicode simple case folding of UTF-8 names over the generated table (TextFold.h).

#include "platform/TextFold.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <iterator>

namespace nuvex::platform {

namespace {

struct Folding
{
    char32_t from;
    char32_t to;
};

constexpr Folding kFoldings[] = {
#include "CaseFoldingTable.inc"
};

static_assert(std::is_sorted(std::begin(kFoldings), std::end(kFoldings),
                             [](const Folding& a, const Folding& b) { return a.from < b.from; }));

bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// Decodes one well-formed sequence at `i`; its length, or 0 for a byte that does not
// start one (then it is copied as it is).
std::size_t Decode(std::string_view s, std::size_t i, char32_t& c)
{
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    char32_t min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1F;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        c = b & 0x0F;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if (!IsContinuation(next))
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not text.
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

void AppendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t FoldCodePoint(char32_t c)
{
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
    const auto* it = std::lower_bound(std::begin(kFoldings), std::end(kFoldings), c,
                                      [](const Folding& f, char32_t value) { return f.from < value; });
    return (it != std::end(kFoldings) && it->from == c) ? it->to : c;
}

std::string FoldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 0x20) : static_cast<char>(b);
            ++i;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = Decode(utf8, i, c);
        if (length == 0) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        AppendUtf8(FoldCodePoint(c), out);
        i += length;
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return FoldCase(a) == FoldCase(b);
}

} // namespace nuvex::platform
