// RIPEMD-160 from OpenSSL's libcrypto, opened with dlopen on the first digest. Mapped
// at start it would cost more resident memory than any other library of the program,
// for a digest that is computed only when an older verifier is met.

#include "platform/Ripemd160.h"

#include <algorithm>
#include <dlfcn.h>
#include <string>
// Only the declarations: the library is not linked, its functions are looked up once.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace nuvex::platform {

namespace {

class Libcrypto
{
public:
    Libcrypto()
    {
        // The library stays loaded until the program ends: the digest may be needed again.
        handle_ = dlopen(NUVEX_LIBCRYPTO_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* reason = dlerror();
            problem_ = std::string("Knihovnu OpenSSL (" NUVEX_LIBCRYPTO_SONAME ") nelze načíst") +
                       (reason ? std::string(": ") + reason : std::string()) +
                       "; heslo nelze ověřit. Nainstalujte balíček libssl3.";
            return;
        }
        if (!Find(fetch_, "EVP_MD_fetch") || !Find(free_, "EVP_MD_free") || !Find(digest_, "EVP_Digest") ||
            !Find(loadProvider_, "OSSL_PROVIDER_load") || !Find(clearError_, "ERR_clear_error"))
            return;
        md_ = fetch_(nullptr, "RIPEMD160", nullptr);
        if (!md_) {
            // Some OpenSSL 3 builds keep RIPEMD-160 in the legacy provider only. Loading a
            // provider by hand stops the automatic loading of the default one, so load both.
            clearError_();
            loadProvider_(nullptr, "default");
            loadProvider_(nullptr, "legacy");
            md_ = fetch_(nullptr, "RIPEMD160", nullptr);
            clearError_();
        }
        if (!md_)
            problem_ = "Knihovna OpenSSL nenabízí algoritmus RIPEMD-160, heslo nelze ověřit.";
    }

    ~Libcrypto()
    {
        if (md_)
            free_(md_);
    }

    Libcrypto(const Libcrypto&) = delete;
    Libcrypto& operator=(const Libcrypto&) = delete;

    Ripemd160Digest Digest(std::string_view bytes) const
    {
        if (!md_)
            throw DigestUnavailable(problem_);
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (digest_(bytes.data(), bytes.size(), digest, &size, md_, nullptr) != 1 || size != 20) {
            clearError_();
            throw DigestUnavailable("Výpočet otisku RIPEMD-160 selhal.");
        }
        Ripemd160Digest result;
        std::copy(digest, digest + result.size(), result.begin());
        return result;
    }

private:
    template <typename Function> bool Find(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(dlsym(handle_, name));
        if (!function)
            problem_ = std::string("Knihovna OpenSSL (" NUVEX_LIBCRYPTO_SONAME ") nemá funkci ") + name +
                       "; heslo nelze ověřit.";
        return function != nullptr;
    }

    void* handle_ = nullptr;
    decltype(&EVP_MD_fetch) fetch_ = nullptr;
    decltype(&EVP_MD_free) free_ = nullptr;
    decltype(&EVP_Digest) digest_ = nullptr;
    decltype(&OSSL_PROVIDER_load) loadProvider_ = nullptr;
    decltype(&ERR_clear_error) clearError_ = nullptr;
    EVP_MD* md_ = nullptr;
    std::string problem_;
};

} // namespace

Ripemd160Digest Ripemd160(std::string_view bytes)
{
    static const Libcrypto libcrypto; // loaded once, by the first caller
    return libcrypto.Digest(bytes);
}

} // namespace nuvex::platform
