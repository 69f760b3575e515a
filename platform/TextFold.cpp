// Unicode simple case folding of UTF-8 names over the generated table (TextFold.h).

#include "platform/TextFold.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <array>
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

// Latin, Greek and Cyrillic, where nearly every name's letters are, are folded by a
// direct look-up instead of a search of the table.
constexpr char32_t kDirectFoldings = 0x530;

const std::array<char32_t, kDirectFoldings>& DirectFoldings()
{
    static const auto table = [] {
        std::array<char32_t, kDirectFoldings> direct{};
        for (char32_t c = 0; c < kDirectFoldings; ++c)
            direct[c] = c;
        for (const Folding& folding : kFoldings)
            if (folding.from < kDirectFoldings)
                direct[folding.from] = folding.to;
        return direct;
    }();
    return table;
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

// Writes the UTF-8 form of a code point; its length.
std::size_t EncodeUtf8(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

char FoldAscii(unsigned char b)
{
    return static_cast<char>((b >= 'A' && b <= 'Z') ? b + 0x20 : b);
}

} // namespace

void AppendUtf8(char32_t c, std::string& out)
{
    char bytes[4];
    out.append(bytes, EncodeUtf8(c, bytes));
}

char32_t FoldCodePoint(char32_t c)
{
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
    if (c < kDirectFoldings)
        return DirectFoldings()[c];
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
            // Names are mostly ASCII: a run of it is folded in one go, not byte by byte
            // through the string's growth check.
            std::size_t end = i + 1;
            while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) < 0x80)
                ++end;
            const std::size_t at = out.size();
            out.resize(at + (end - i));
            char* to = out.data() + at;
            for (; i < end; ++i)
                *to++ = FoldAscii(static_cast<unsigned char>(utf8[i]));
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

bool FoldedEquals(std::string_view text, std::string_view folded)
{
    std::size_t at = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t c = 0;
        const std::size_t length = b < 0x80 ? 0 : Decode(text, i, c);
        if (length == 0) {
            // ASCII, or a byte that is no text and stays as it is.
            if (at >= folded.size() || folded[at] != (b < 0x80 ? FoldAscii(b) : static_cast<char>(b)))
                return false;
            ++i;
            ++at;
            continue;
        }
        char bytes[4];
        const std::size_t n = EncodeUtf8(FoldCodePoint(c), bytes);
        if (folded.substr(at, n) != std::string_view(bytes, n))
            return false;
        i += length;
        at += n;
    }
    return at == folded.size();
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return FoldedEquals(a, FoldCase(b));
}

} // namespace nuvex::platform
