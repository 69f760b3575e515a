#include "platform/TextFold.h"

namespace nuvex::platform {

namespace {

// Lower-case partner of a code point below U+0800, or the code point itself.
char32_t FoldCodePoint(char32_t c)
{
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) // Latin-1; U+00D7 is the multiplication sign
        return c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper with lower, mostly upper on the even code point,
        // but two runs are shifted by one and a few letters stand alone.
        if (c == 0x130) // capital I with dot above
            return U'i';
        if (c == 0x178) // capital Y with diaeresis, whose small letter lives in Latin-1
            return 0xFF;
        const bool oddIsUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        const bool evenIsUpper = (c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
        if ((oddIsUpper && (c & 1) == 1) || (evenIsUpper && (c & 1) == 0))
            return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) // Greek; U+03A2 is unassigned
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) // Cyrillic basic alphabet
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) // Cyrillic letters with marks (Ё, Ђ, Є ...)
        return c + 0x50;
    return c;
}

bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

} // namespace

std::string FoldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 0x20) : static_cast<char>(b);
            continue;
        }
        // Every letter folded here is a two-byte sequence (C2..DF lead byte). Longer
        // sequences and stray bytes are copied one byte at a time: a continuation byte
        // can never be taken for a lead byte, so valid text stays intact.
        if (b >= 0xC2 && b <= 0xDF && i + 1 < utf8.size() &&
            IsContinuation(static_cast<unsigned char>(utf8[i + 1]))) {
            const auto b2 = static_cast<unsigned char>(utf8[i + 1]);
            const char32_t folded = FoldCodePoint(static_cast<char32_t>(((b & 0x1F) << 6) | (b2 & 0x3F)));
            if (folded < 0x80) {
                out += static_cast<char>(folded);
            } else {
                out += static_cast<char>(0xC0 | (folded >> 6));
                out += static_cast<char>(0x80 | (folded & 0x3F));
            }
            ++i;
            continue;
        }
        out += static_cast<char>(b);
    }
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return FoldCase(a) == FoldCase(b);
}

} // namespace nuvex::platform
