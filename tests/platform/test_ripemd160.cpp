#include "platform/Ripemd160.h"
#include "support/PlainFileBytes.h"

#include <gtest/gtest.h>

using namespace nuvex;

namespace {

std::string Hex(const platform::Ripemd160Digest& digest)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

bool LibcryptoMapped()
{
    return test::ReadPlainBytes("/proc/self/maps").find("/libcrypto.so") != std::string::npos;
}

} // namespace

// CTest runs every test in a process of its own, and nothing else here needs libcrypto.
TEST(Ripemd160, LoadsTheLibraryOnTheFirstDigestOnly)
{
    ASSERT_FALSE(test::ReadPlainBytes("/proc/self/maps").empty());
    EXPECT_FALSE(LibcryptoMapped());
    EXPECT_EQ(Hex(platform::Ripemd160("abc")), "8EB208F7E05D987A9B044A8E98C6B087F15A0BFC");
    EXPECT_TRUE(LibcryptoMapped());
    // Every byte counts, a NUL too: the text is no C string.
    EXPECT_EQ(Hex(platform::Ripemd160(std::string_view("\0x", 2))),
              "7F36C1D7F15AF00EE56F2B0069476DCA07EC4DC9");
}
