#pragma once

// What the pppd and chat fuzz targets compare words by.

#include "platform/PppConfig.h"

#include <string>
#include <vector>

namespace nuvex::fuzz {

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

} // namespace nuvex::fuzz
