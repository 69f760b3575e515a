#pragma once

// Words of pppd's and chat's files (platform/PppConfig.h) as their tests and fuzz targets
// make and compare them: by text and by the place each byte came from.

#include "platform/PppConfig.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex::test {

inline bool SameWord(const platform::ppp::Word& a, const platform::ppp::Word& b)
{
    return a.text == b.text && a.offsets == b.offsets;
}

inline std::vector<std::string> Texts(const std::vector<platform::ppp::Word>& words)
{
    std::vector<std::string> texts;
    for (const platform::ppp::Word& word : words)
        texts.push_back(word.text);
    return texts;
}

// A word of these bytes, standing at base in its file.
inline platform::ppp::Word WordAt(std::string_view text, std::size_t base)
{
    platform::ppp::Word word;
    word.text = std::string(text);
    for (std::size_t k = 0; k < text.size(); ++k)
        word.offsets.push_back(base + k);
    return word;
}

// Whether tail is the end of word, in its bytes and in their places.
inline bool EndsWithWord(const platform::ppp::Word& word, const platform::ppp::Word& tail)
{
    return word.text.ends_with(tail.text) && word.offsets.size() >= tail.offsets.size() &&
           std::equal(tail.offsets.begin(), tail.offsets.end(),
                      word.offsets.end() - static_cast<std::ptrdiff_t>(tail.offsets.size()));
}

} // namespace nuvex::test
