#include "passwords/qnHash.h"

#include "passwords/Windows1250.h"

#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace nuvex {

namespace {

using MdPtr = std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)>;

MdPtr FetchRipemd160()
{
    MdPtr md(EVP_MD_fetch(nullptr, "RIPEMD160", nullptr), &EVP_MD_free);
    if (!md) {
        // Some OpenSSL 3 builds keep RIPEMD-160 in the legacy provider only. Loading a
        // provider by hand stops the automatic loading of the default one, so load both.
        ERR_clear_error();
        OSSL_PROVIDER_load(nullptr, "default");
        OSSL_PROVIDER_load(nullptr, "legacy");
        md.reset(EVP_MD_fetch(nullptr, "RIPEMD160", nullptr));
        ERR_clear_error();
    }
    return md;
}

const EVP_MD* Ripemd160Md()
{
    static const MdPtr md = FetchRipemd160();
    if (!md)
        throw EHashError("Knihovna OpenSSL nenabízí algoritmus RIPEMD-160, heslo nelze ověřit.");
    return md.get();
}

} // namespace

QByteArray Ripemd160(QByteArrayView bytes)
{
    QByteArray digest(EVP_MAX_MD_SIZE, '\0');
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), static_cast<size_t>(bytes.size()),
                   reinterpret_cast<unsigned char*>(digest.data()), &size, Ripemd160Md(), nullptr) != 1) {
        ERR_clear_error();
        throw EHashError("Výpočet otisku RIPEMD-160 selhal.");
    }
    digest.truncate(static_cast<qsizetype>(size));
    return digest;
}

QString HashString(const QString& s)
{
    return QString::fromLatin1(Ripemd160(ToWindows1250(s)).toHex().toUpper());
}

} // namespace nuvex
