#pragma once

// What the fuzz targets share: a reader that turns the fuzzer's bytes into choices, and
// the property check that stops the run with a message.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex::fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, condition);
    std::abort();
}

// Takes choices from the front of the input; an exhausted input gives zeros and empty texts.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }

    std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }

    template <typename T> T Integral()
    {
        T value{};
        for (std::size_t k = 0; k < sizeof(T); ++k)
            value = static_cast<T>(static_cast<std::uint64_t>(value) << 8 | Byte());
        return value;
    }

    double Double()
    {
        const std::uint64_t bits = Integral<std::uint64_t>();
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A length byte (below maxLength) and that many bytes.
    std::string Text(std::size_t maxLength)
    {
        const std::size_t length = Byte() % maxLength;
        const std::size_t take = std::min(length, size_ - std::min(pos_, size_));
        std::string text(reinterpret_cast<const char*>(data_) + pos_, take);
        pos_ += take;
        return text;
    }

    // One of the known texts (three times in four, when there are any), or a new one.
    std::string KnownOrText(const std::vector<std::string>& known, std::size_t maxLength)
    {
        const std::uint8_t choice = Byte();
        return !known.empty() && choice % 4 != 0 ? known[choice % known.size()] : Text(maxLength);
    }

    // Everything up to the first NUL byte (which is consumed) or to the end.
    std::string_view UpToNul()
    {
        const std::size_t left = size_ - std::min(pos_, size_);
        if (left == 0)
            return {}; // an empty input may come with no buffer at all
        const auto* begin = reinterpret_cast<const char*>(data_) + pos_;
        const auto* nul = static_cast<const char*>(std::memchr(begin, 0, left));
        const std::size_t length = nul ? static_cast<std::size_t>(nul - begin) : left;
        pos_ += nul ? length + 1 : length;
        return {begin, length};
    }

    std::string_view Rest()
    {
        const std::size_t left = size_ - std::min(pos_, size_);
        std::string_view rest(reinterpret_cast<const char*>(data_) + std::min(pos_, size_), left);
        pos_ = size_;
        return rest;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// The bytes mapped into the alphabet of dial strings, after head.
inline std::string DialText(std::string head, std::string_view bytes)
{
    static constexpr std::string_view kAlphabet = "0123456789 ;;,*#WPT@!";
    for (const char c : bytes)
        head += kAlphabet[static_cast<unsigned char>(c) % kAlphabet.size()];
    return head;
}

} // namespace nuvex::fuzz

#define FUZZ_CHECK(condition) ((condition) ? void() : ::nuvex::fuzz::Fail(#condition, __FILE__, __LINE__))
