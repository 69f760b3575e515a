#include "passwords/PwdVault.h"

#include "passwords/PwdFormat.h"

#include <QtEndian>
#include <cstring>
#include <mutex>
#include <new>
#include <sodium.h>
#include <utility>

namespace nuvex {

namespace {

constexpr char kMagic[8] = {'N', 'V', 'X', 'V', 'A', 'U', 'L', 'T'};
constexpr quint16 kVersion = 1;
constexpr uchar kKdfArgon2id13 = 2;
constexpr uchar kCipherXChaCha20Poly1305 = 1;
constexpr std::size_t kKeyBytes = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kCheckBytes = 16;
static_assert(crypto_pwhash_ALG_ARGON2ID13 == kKdfArgon2id13);
static_assert(crypto_pwhash_SALTBYTES == 16);
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == 24);
static_assert(crypto_pwhash_OPSLIMIT_INTERACTIVE == kVaultOpsLimit);
static_assert(crypto_pwhash_MEMLIMIT_INTERACTIVE == kVaultMemLimit);

// Where each header field sits.
constexpr std::size_t kVersionAt = 8, kKdfAt = 10, kCipherAt = 11, kOpsAt = 12, kMemAt = 16, kSaltAt = 20,
                      kNonceAt = 36, kKeyCheckAt = 60, kHeaderCheckAt = 76;
static_assert(kHeaderCheckAt + kCheckBytes == kVaultHeaderSize);

// Limits a header may ask for: a damaged or hostile file must not make the program
// spend minutes or gigabytes before it can say so.
constexpr quint32 kMaxOpsLimit = 16;
constexpr quint64 kMaxMemLimit = 1ull << 30;

void InitSodium()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            throw EPwdFileError("Šifrovací knihovnu libsodium nelze inicializovat.");
    });
}

[[noreturn]] void ThrowChanged(const QString& path)
{
    throw EVaultChanged(
        QStringLiteral("Soubor hesel „%1“ byl změněn nebo je poškozený: jeho obsah neodpovídá "
                       "ověřovacímu kódu. Soubor zůstal beze změny.")
            .arg(path)
            .toStdString());
}

std::array<uchar, kCheckBytes> Blake2b128(const uchar* bytes, std::size_t size, const uchar* key = nullptr,
                                          std::size_t keySize = 0)
{
    std::array<uchar, kCheckBytes> out{};
    crypto_generichash(out.data(), out.size(), bytes, size, key, keySize);
    return out;
}

const uchar* Bytes(QByteArrayView bytes)
{
    return reinterpret_cast<const uchar*>(bytes.data());
}

} // namespace

TSecretBytes::TSecretBytes(std::size_t size)
{
    InitSodium();
    if (size == 0)
        return;
    // sodium_malloc locks the pages and guards them; sodium_free wipes them.
    data_ = static_cast<uchar*>(sodium_malloc(size));
    if (!data_)
        throw std::bad_alloc();
    size_ = size;
}

TSecretBytes TSecretBytes::FromText(QStringView text)
{
    QByteArray utf8 = text.toUtf8();
    TSecretBytes secret(static_cast<std::size_t>(utf8.size()));
    if (secret.size_)
        std::memcpy(secret.data_, utf8.constData(), secret.size_);
    sodium_memzero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    return secret;
}

TSecretBytes::~TSecretBytes()
{
    Free();
}

TSecretBytes::TSecretBytes(TSecretBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{}

TSecretBytes& TSecretBytes::operator=(TSecretBytes&& other) noexcept
{
    if (this != &other) {
        Free();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void TSecretBytes::Free()
{
    if (data_)
        sodium_free(data_);
    data_ = nullptr;
    size_ = 0;
}

void WipeText(QString& text)
{
    if (!text.isEmpty())
        sodium_memzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    text.clear();
}

TVaultParams TVaultParams::Fresh()
{
    InitSodium();
    TVaultParams params;
    randombytes_buf(params.salt.data(), params.salt.size());
    return params;
}

TVaultKey::TVaultKey(const TSecretBytes& password, const TVaultParams& params)
    : key_(kKeyBytes), params_(params)
{
    // An empty password is a valid master password; libsodium wants a pointer anyway.
    static const char kNothing = 0;
    const char* bytes = password.size() ? reinterpret_cast<const char*>(password.data()) : &kNothing;
    if (crypto_pwhash(key_.data(), kKeyBytes, bytes, password.size(), params.salt.data(), params.opsLimit,
                      static_cast<std::size_t>(params.memLimit), crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw EPwdFileError(QStringLiteral("Klíč k souboru hesel nelze odvodit: nedostatek paměti (%1 MiB).")
                                .arg(params.memLimit >> 20)
                                .toStdString());
}

bool IsVaultFile(QByteArrayView bytes)
{
    return bytes.size() >= qsizetype(sizeof kMagic) && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

TVaultParams ReadVaultParams(QByteArrayView bytes, const QString& path)
{
    InitSodium();
    if (bytes.size() < kVaultHeaderSize + qsizetype(kTagBytes + 4) || !IsVaultFile(bytes))
        ThrowChanged(path);
    const uchar* in = Bytes(bytes);
    if (std::memcmp(Blake2b128(in, kHeaderCheckAt).data(), in + kHeaderCheckAt, kCheckBytes) != 0)
        ThrowChanged(path);
    if (const quint16 version = qFromLittleEndian<quint16>(in + kVersionAt); version != kVersion)
        throw EVaultError(QStringLiteral("Soubor hesel „%1“ má verzi %2, kterou tento program neumí přečíst. "
                                         "Soubor zůstal beze změny.")
                              .arg(path)
                              .arg(version)
                              .toStdString());
    TVaultParams params;
    params.opsLimit = qFromLittleEndian<quint32>(in + kOpsAt);
    params.memLimit = quint64(qFromLittleEndian<quint32>(in + kMemAt)) << 10;
    std::memcpy(params.salt.data(), in + kSaltAt, params.salt.size());
    if (in[kKdfAt] != kKdfArgon2id13 || in[kCipherAt] != kCipherXChaCha20Poly1305 ||
        params.opsLimit < crypto_pwhash_OPSLIMIT_MIN || params.opsLimit > kMaxOpsLimit ||
        params.memLimit < crypto_pwhash_MEMLIMIT_MIN || params.memLimit > kMaxMemLimit)
        ThrowChanged(path);
    return params;
}

QByteArray EncodeVault(const TPwdRecords& records, const TVaultKey& key)
{
    InitSodium();
    const auto count = static_cast<quint32>(records.size());
    const std::size_t plainSize = 4 + records.size() * sizeof(TPwdRecord);
    TSecretBytes plain(plainSize);
    qToLittleEndian<quint32>(count, plain.data());
    if (!records.empty())
        std::memcpy(plain.data() + 4, records.data(), records.size() * sizeof(TPwdRecord));

    QByteArray file(kVaultHeaderSize + qsizetype(plainSize + kTagBytes), '\0');
    auto* out = reinterpret_cast<uchar*>(file.data());
    std::memcpy(out, kMagic, sizeof kMagic);
    qToLittleEndian<quint16>(kVersion, out + kVersionAt);
    out[kKdfAt] = kKdfArgon2id13;
    out[kCipherAt] = kCipherXChaCha20Poly1305;
    const TVaultParams& params = key.Params();
    qToLittleEndian<quint32>(params.opsLimit, out + kOpsAt);
    qToLittleEndian<quint32>(static_cast<quint32>(params.memLimit >> 10), out + kMemAt);
    std::memcpy(out + kSaltAt, params.salt.data(), params.salt.size());
    randombytes_buf(out + kNonceAt, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
    const auto keyCheck = Blake2b128(out, kKeyCheckAt, key.data(), kKeyBytes);
    std::memcpy(out + kKeyCheckAt, keyCheck.data(), kCheckBytes);
    const auto headerCheck = Blake2b128(out, kHeaderCheckAt);
    std::memcpy(out + kHeaderCheckAt, headerCheck.data(), kCheckBytes);

    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(out + kVaultHeaderSize, &written, plain.data(), plainSize, out,
                                               kVaultHeaderSize, nullptr, out + kNonceAt, key.data());
    Q_ASSERT(written == plainSize + kTagBytes);
    return file;
}

TPwdRecords DecodeVault(QByteArrayView bytes, const TVaultKey& key, const QString& path)
{
    const TVaultParams params = ReadVaultParams(bytes, path);
    const uchar* in = Bytes(bytes);
    const auto keyCheck = Blake2b128(in, kKeyCheckAt, key.data(), kKeyBytes);
    if (!(params == key.Params()) || sodium_memcmp(keyCheck.data(), in + kKeyCheckAt, kCheckBytes) != 0)
        throw EVaultWrongPassword(
            QStringLiteral("Soubor hesel „%1“ je zašifrován jiným heslem, než jaké bylo "
                           "zadáno. Soubor zůstal beze změny.")
                .arg(path)
                .toStdString());
    const std::size_t cipherSize = static_cast<std::size_t>(bytes.size() - kVaultHeaderSize);
    TSecretBytes plain(cipherSize - kTagBytes);
    unsigned long long plainSize = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainSize, nullptr, in + kVaultHeaderSize,
                                                   cipherSize, in, kVaultHeaderSize, in + kNonceAt,
                                                   key.data()) != 0 ||
        plainSize < 4)
        ThrowChanged(path);
    const quint64 count = qFromLittleEndian<quint32>(plain.data());
    if (plainSize != 4 + count * sizeof(TPwdRecord))
        ThrowChanged(path);
    TPwdRecords records(static_cast<std::size_t>(count));
    if (count)
        std::memcpy(records.data(), plain.data() + 4, records.size() * sizeof(TPwdRecord));
    for (TPwdRecord& record : records)
        NormaliseRecord(record);
    return records;
}

QString MakeVerifier(const TSecretBytes& password)
{
    InitSodium();
    char text[crypto_pwhash_STRBYTES];
    static const char kNothing = 0;
    const char* bytes = password.size() ? reinterpret_cast<const char*>(password.data()) : &kNothing;
    if (crypto_pwhash_str_alg(text, bytes, password.size(), kVaultOpsLimit, kVaultMemLimit,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw EPwdFileError("Ověřovací údaj hlavního hesla nelze vytvořit: nedostatek paměti.");
    return QString::fromLatin1(text);
}

bool CheckVerifier(const QString& verifier, const TSecretBytes& password)
{
    InitSodium();
    const QByteArray text = verifier.toLatin1();
    static const char kNothing = 0;
    const char* bytes = password.size() ? reinterpret_cast<const char*>(password.data()) : &kNothing;
    return IsVerifierText(verifier) &&
           crypto_pwhash_str_verify(text.constData(), bytes, password.size()) == 0;
}

bool IsVerifierText(QStringView text)
{
    return text.startsWith(QStringLiteral("$argon2id$")) && text.size() < qsizetype(crypto_pwhash_STRBYTES);
}

} // namespace nuvex
