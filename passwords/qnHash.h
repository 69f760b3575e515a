#pragma once

// The digest of the master password: RIPEMD-160 through OpenSSL's libcrypto, which is
// loaded on the first digest (platform/Ripemd160.h).

#include "platform/Error.h"

#include <QByteArray>
#include <QString>

namespace nuvex {

// libcrypto cannot be loaded or offers no RIPEMD-160 (neither its default nor its legacy
// provider); the message says which, in Czech.
class EHashError : public Error
{
public:
    using Error::Error;
};

// The 20 bytes of the RIPEMD-160 digest of `bytes`.
QByteArray Ripemd160(QByteArrayView bytes);

// The digest text of `s`: RIPEMD-160 of its Windows-1250 bytes (no length, no terminator)
// as 40 upper-case hexadecimal digits. Throws EWindows1250Error for a character the code
// page cannot hold: putting "?" in its place would let different passwords share a digest.
QString HashString(const QString& s);

} // namespace nuvex
