#pragma once

// RIPEMD-160, the digest of the master password's older verifier. The library that
// computes it is loaded on the first digest, never at start: a program whose options
// hold no older verifier never needs it.

#include "platform/Error.h"

#include <array>
#include <string_view>

namespace nuvex::platform {

// The digest cannot be computed: the library is missing or offers no RIPEMD-160.
// The message is Czech.
class DigestUnavailable : public Error
{
public:
    using Error::Error;
};

using Ripemd160Digest = std::array<unsigned char, 20>;

// The digest of `bytes`; throws DigestUnavailable.
Ripemd160Digest Ripemd160(std::string_view bytes);

} // namespace nuvex::platform
