#pragma once

// The password file encrypted under the master password (the "vault"), and the slow,
// salted verifier of the master password kept in the options. Both rest on libsodium:
// Argon2id (crypto_pwhash) derives the key and makes the verifier, XChaCha20-Poly1305
// encrypts and authenticates the records.
//
// File layout (integers little-endian):
//
//   offset  size  content
//   0       8     magic text "NVXVAULT"
//   8       2     format version, 1
//   10      1     key derivation: 2 = Argon2id v1.3
//   11      1     cipher: 1 = XChaCha20-Poly1305 (IETF)
//   12      4     Argon2id passes (opslimit)
//   16      4     Argon2id memory in KiB (memlimit / 1024)
//   20      16    salt
//   36      24    nonce, fresh for every write
//   60      16    key check: BLAKE2b-128 keyed with the derived key over bytes 0-59
//   76      16    header check: BLAKE2b-128 over bytes 0-75
//   92      ...   ciphertext and its 16-byte tag; bytes 0-91 are its additional data.
//                 The plain text: record count (4 bytes), then 409 bytes per record,
//                 laid out as in memory, unscrambled.
//
// The key check tells a wrong password from a changed file: a changed header fails its
// check, a wrong password fails the key check, a changed ciphertext fails the tag.

#include "passwords/PwdRecords.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>

namespace nuvex {

// A vault that cannot be opened; what() is UTF-8 and names the file. Such a file is
// never overwritten by the manager.
class EVaultError : public EPwdFileError
{
public:
    using EPwdFileError::EPwdFileError;
};

// The vault was written under another password.
class EVaultWrongPassword : public EVaultError
{
public:
    using EVaultError::EVaultError;
};

// The vault's bytes were changed or cut: its checks fail.
class EVaultChanged : public EVaultError
{
public:
    using EVaultError::EVaultError;
};

// Bytes in memory that is locked (never swapped out) and wiped when freed.
class TSecretBytes
{
public:
    TSecretBytes() = default;
    explicit TSecretBytes(std::size_t size);
    // The text's UTF-8 bytes.
    static TSecretBytes FromText(QStringView text);
    ~TSecretBytes();
    TSecretBytes(TSecretBytes&& other) noexcept;
    TSecretBytes& operator=(TSecretBytes&& other) noexcept;
    TSecretBytes(const TSecretBytes&) = delete;
    TSecretBytes& operator=(const TSecretBytes&) = delete;

    uchar* data() { return data_; }
    const uchar* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    void Free();
    uchar* data_ = nullptr;
    std::size_t size_ = 0;
};

// Overwrites the characters of a text that held a password, then empties it.
void WipeText(QString& text);

// Argon2id at libsodium's "interactive" limits: two passes over 64 MiB.
inline constexpr quint32 kVaultOpsLimit = 2;
inline constexpr quint64 kVaultMemLimit = 64ull << 20;

struct TVaultParams
{
    quint32 opsLimit = kVaultOpsLimit;
    quint64 memLimit = kVaultMemLimit;
    std::array<uchar, 16> salt{};

    // The default limits and a random salt.
    static TVaultParams Fresh();
    bool operator==(const TVaultParams&) const = default;
};

// A key derived from a password, in locked memory wiped when the key goes.
class TVaultKey
{
public:
    // Derives the key (the slow step). Throws EPwdFileError when memory runs out.
    TVaultKey(const TSecretBytes& password, const TVaultParams& params);

    const TVaultParams& Params() const { return params_; }
    const uchar* data() const { return key_.data(); }

private:
    TSecretBytes key_;
    TVaultParams params_;
};

inline constexpr qsizetype kVaultHeaderSize = 92;

// True when the bytes begin with the vault's magic text.
bool IsVaultFile(QByteArrayView bytes);

// The key-derivation parameters of a vault's header, checked. Throws EVaultChanged
// naming `path` for a damaged header, EVaultError for a version this program does not
// know.
TVaultParams ReadVaultParams(QByteArrayView bytes, const QString& path);

// The whole vault file for `records` under `key`, with a fresh nonce.
QByteArray EncodeVault(const TPwdRecords& records, const TVaultKey& key);

// The records of a vault. Throws EVaultWrongPassword when `key` is not the file's key,
// EVaultChanged when the file was changed, both naming `path`.
TPwdRecords DecodeVault(QByteArrayView bytes, const TVaultKey& key, const QString& path);

// Asks the user for the password of a vault the manager's key does not open; nothing
// when the user cancels.
using TAskVaultPassword = std::function<std::optional<TSecretBytes>(const QString& path)>;

// Replaces `records` by the file at `path`, in either format (told apart by the magic
// text). A vault is opened with `key` when it was written with the key's parameters,
// otherwise with the password `ask` gives; returns false, changing nothing, when no file
// exists or the user cancels. Throws EVaultWrongPassword, EVaultChanged or EPwdFileError.
bool LoadRecords(TPwdRecords& records, const QString& path, const TVaultKey* key,
                 const TAskVaultPassword& ask);

// Writes the vault under `key`, or the scrambled format without one, atomically. When a
// vault replaces a scrambled file, the old content is overwritten once it has no name.
void SaveRecords(const TPwdRecords& records, const QString& path, const TVaultKey* key);

// The parameters of the vault at `path`, or fresh ones when it is missing or scrambled.
TVaultParams PwdFileParams(const QString& path);

// What is wrong with the password file at `path`, naming it, for a report at start: a
// file that cannot be read, a scrambled file that does not decode, a vault whose header is
// damaged. Empty when there is no file or nothing wrong can be seen without the key.
QString PwdFileProblem(const QString& path);

// Re-encrypts the file at `path` under `newPassword` with a fresh salt, reading it with
// `oldPassword` when it is a vault, or as the scrambled format. Returns the file's former
// bytes (to put back should the change fail later), or nothing when there is no file, or
// a vault and no old password (it is left as it is). Throws as LoadRecords does, with the
// file untouched.
std::optional<QByteArray> RekeyPwdFile(const QString& path, const TSecretBytes* oldPassword,
                                       const TSecretBytes& newPassword);
// Puts back what RekeyPwdFile returned.
void RestorePwdFile(const QString& path, const QByteArray& bytes);

// The master-password verifier kept in the options: Argon2id with its own salt and
// limits, in libsodium's text form ("$argon2id$v=19$m=65536,t=2,p=1$...").
QString MakeVerifier(const TSecretBytes& password);
bool CheckVerifier(const QString& verifier, const TSecretBytes& password);
bool IsVerifierText(QStringView text);

} // namespace nuvex
