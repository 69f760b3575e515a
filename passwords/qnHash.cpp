#include "passwords/qnHash.h"

#include "passwords/Windows1250.h"
#include "platform/Ripemd160.h"

namespace nuvex {

QByteArray Ripemd160(QByteArrayView bytes)
{
    try {
        const auto digest =
            platform::Ripemd160(std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size())));
        return QByteArray(reinterpret_cast<const char*>(digest.data()),
                          static_cast<qsizetype>(digest.size()));
    } catch (const platform::DigestUnavailable& error) {
        throw EHashError(error.what());
    }
}

QString HashString(const QString& s)
{
    return QString::fromLatin1(Ripemd160(ToWindows1250(s)).toHex().toUpper());
}

} // namespace nuvex
