#include "passwords/PwdRecords.h"

#include "passwords/PwdFormat.h"
#include "passwords/PwdVault.h"
#include "passwords/Windows1250.h"
#include "platform/AtomicFile.h"
#include "platform/RetiredFile.h"
#include "platform/SysError.h"
#include "ui/DataDir.h"
#include "ui/SysText.h"

#include <QFile>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

namespace nuvex {

namespace {

template <std::size_t Room> bool SameValue(const TShortString<Room>& a, const TShortString<Room>& b)
{
    const std::size_t length = std::min<std::size_t>(a.Length, Room);
    return length == std::min<std::size_t>(b.Length, Room) &&
           std::memcmp(a.Chars.data(), b.Chars.data(), length) == 0;
}

template <std::size_t Room> QString Text(const TShortString<Room>& field)
{
    return FromWindows1250(QByteArrayView(field.Chars.data(), std::min<std::size_t>(field.Length, Room)));
}

template <std::size_t Room> void Assign(TShortString<Room>& field, const QByteArray& bytes)
{
    field = {};
    field.Length = static_cast<quint8>(bytes.size());
    std::memcpy(field.Chars.data(), bytes.data(), static_cast<std::size_t>(bytes.size()));
}

[[noreturn]] void ThrowRefused(TPwdField field, QStringView text, qsizetype position)
{
    // The password's characters never reach a message.
    const QString what = field == TPwdField::Heslo ? QStringLiteral("znak")
                         : text[position].isNull() ? QStringLiteral("znak s kódem 0")
                                                   : QStringLiteral("znak „%1“").arg(text.mid(position, 1));
    throw EPwdTextError(QStringLiteral("Pole „%1“ obsahuje na %2. místě %3, který nelze uložit v kódování "
                                       "Windows-1250.")
                            .arg(FieldCaption(field))
                            .arg(position + 1)
                            .arg(what)
                            .toStdString());
}

void CheckIndex(const TPwdRecords& records, qsizetype index)
{
    if (index < 0 || index >= static_cast<qsizetype>(records.size()))
        throw std::out_of_range("Záznam " + std::to_string(index) + " neexistuje.");
}

[[noreturn]] void ThrowFileError(const QString& format, const QString& path, int code)
{
    throw EPwdFileError(
        format.arg(path, QString::fromStdString(platform::SystemErrorMessage(code))).toStdString());
}

} // namespace

bool operator==(const TPwdRecord& a, const TPwdRecord& b)
{
    return SameValue(a.Nazev, b.Nazev) && SameValue(a.UzName, b.UzName) && SameValue(a.Heslo, b.Heslo) &&
           SameValue(a.Poznamka, b.Poznamka);
}

qsizetype FieldRoom(TPwdField field)
{
    return field == TPwdField::Poznamka ? 255 : 50;
}

QString FieldCaption(TPwdField field)
{
    switch (field) {
    case TPwdField::Nazev:
        return QStringLiteral("Název");
    case TPwdField::UzName:
        return QStringLiteral("Uživatelské jméno");
    case TPwdField::Heslo:
        return QStringLiteral("Heslo");
    case TPwdField::Poznamka:
        break;
    }
    return QStringLiteral("Poznámka");
}

QString GetField(const TPwdRecord& record, TPwdField field)
{
    switch (field) {
    case TPwdField::Nazev:
        return Text(record.Nazev);
    case TPwdField::UzName:
        return Text(record.UzName);
    case TPwdField::Heslo:
        return Text(record.Heslo);
    case TPwdField::Poznamka:
        break;
    }
    return Text(record.Poznamka);
}

void SetField(TPwdRecord& record, TPwdField field, QStringView text)
{
    // Characters beyond the room are cut off unseen, so only the kept ones must fit.
    text = text.left(FieldRoom(field));
    QByteArray bytes;
    try {
        bytes = ToWindows1250(text);
    } catch (const EWindows1250Error& error) {
        ThrowRefused(field, text, error.Position);
    }
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        ThrowRefused(field, text, nul);
    switch (field) {
    case TPwdField::Nazev:
        return Assign(record.Nazev, bytes);
    case TPwdField::UzName:
        return Assign(record.UzName, bytes);
    case TPwdField::Heslo:
        return Assign(record.Heslo, bytes);
    case TPwdField::Poznamka:
        return Assign(record.Poznamka, bytes);
    }
}

TPwdRecord MakePwdRecord(QStringView nazev, QStringView uzName, QStringView heslo, QStringView poznamka)
{
    TPwdRecord record;
    SetField(record, TPwdField::Nazev, nazev);
    SetField(record, TPwdField::UzName, uzName);
    SetField(record, TPwdField::Heslo, heslo);
    SetField(record, TPwdField::Poznamka, poznamka);
    return record;
}

QString NoteToStored(QStringView text)
{
    QString stored;
    stored.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            stored.append(u'\r');
        stored.append(text[i]);
    }
    return stored;
}

QString NoteFromStored(QStringView text)
{
    return text.toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void AppendRecord(TPwdRecords& records, const TPwdRecord& record)
{
    records.push_back(record);
}

void ReplaceRecord(TPwdRecords& records, qsizetype index, const TPwdRecord& record)
{
    CheckIndex(records, index);
    records[static_cast<std::size_t>(index)] = record;
}

void RemoveRecord(TPwdRecords& records, qsizetype index)
{
    CheckIndex(records, index);
    records.erase(records.begin() + index);
}

QString DefaultPwdFile()
{
    return GetDataDir() + kPwdFileName;
}

namespace {

std::optional<platform::FileData> ReadPwdData(const QString& path)
{
    try {
        return platform::ReadWholeFile(ToSys(path));
    } catch (const std::system_error& error) {
        ThrowFileError(QStringLiteral("Soubor hesel „%1“ nelze přečíst: %2"), path, error.code().value());
    }
}

std::optional<QByteArray> ReadPwdFile(const QString& path)
{
    const std::optional<platform::FileData> file = ReadPwdData(path);
    if (!file)
        return std::nullopt;
    return QByteArray(file->bytes.data(), static_cast<qsizetype>(file->bytes.size()));
}

// Replaces the file atomically. With `wipeOld`, the content it replaces is overwritten
// once nothing refers to it any more.
void WritePwdFile(const QByteArray& bytes, const QString& path, bool wipeOld)
{
    const std::string sysPath = ToSys(path);
    try {
        const platform::FolderLock lock(sysPath);
        std::optional<mode_t> keepMode;
        std::error_code statError;
        const auto status = std::filesystem::status(sysPath, statError);
        if (!statError && std::filesystem::is_regular_file(status))
            keepMode = static_cast<mode_t>(status.permissions()) & 07777;
        std::optional<platform::RetiredFile> old;
        if (wipeOld)
            old.emplace(sysPath);
        lock.ReplaceFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                         keepMode, 0600);
        if (old)
            old->WipeIfUnlinked();
    } catch (const std::system_error& error) {
        ThrowFileError(QStringLiteral("Soubor hesel „%1“ nelze uložit: %2"), path, error.code().value());
    }
}

} // namespace

bool LoadRecords(TPwdRecords& records, const QString& path)
{
    return LoadRecords(records, path, nullptr, {});
}

void SaveRecords(const TPwdRecords& records, const QString& path)
{
    WritePwdFile(EncodePwdFile(records), path, false);
}

bool LoadRecords(TPwdRecords& records, const QString& path, const TVaultKey* key,
                 const TAskVaultPassword& ask)
{
    // Decoded where it was read: a copy of a file of 10,000 records would cost a tenth of
    // the load.
    const std::optional<platform::FileData> file = ReadPwdData(path);
    if (!file)
        return false;
    const QByteArrayView bytes(file->bytes.data(), static_cast<qsizetype>(file->bytes.size()));
    if (!IsVaultFile(bytes)) {
        records = DecodePwdFile(bytes, path);
        return true;
    }
    const TVaultParams params = ReadVaultParams(bytes, path);
    if (key && key->Params() == params) {
        records = DecodeVault(bytes, *key, path);
        return true;
    }
    if (!ask)
        throw EVaultWrongPassword(
            QStringLiteral("Soubor hesel „%1“ je zašifrován hlavním heslem. Otevřít jej lze "
                           "jen ve správci hesel, s heslem, kterým byl uložen.")
                .arg(path)
                .toStdString());
    const std::optional<TSecretBytes> password = ask(path);
    if (!password)
        return false;
    records = DecodeVault(bytes, TVaultKey(*password, params), path);
    return true;
}

QString PwdFileProblem(const QString& path)
{
    try {
        const std::optional<QByteArray> bytes = ReadPwdFile(path);
        if (bytes && IsVaultFile(*bytes))
            ReadVaultParams(*bytes, path);
        else if (bytes)
            DecodePwdFile(*bytes, path);
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

void SaveRecords(const TPwdRecords& records, const QString& path, const TVaultKey* key)
{
    if (!key)
        return SaveRecords(records, path);
    // The file this replaces may be the scrambled format, as good as plain text.
    bool wipeOld = true;
    try {
        const std::optional<QByteArray> old = ReadPwdFile(path);
        wipeOld = old && !IsVaultFile(*old);
    } catch (const EPwdFileError&) {
        // Unreadable: then it cannot be opened for wiping either, and the write will say why.
    }
    WritePwdFile(EncodeVault(records, *key), path, wipeOld);
}

std::optional<QByteArray> RekeyPwdFile(const QString& path, const TSecretBytes* oldPassword,
                                       const TSecretBytes& newPassword)
{
    std::optional<QByteArray> bytes = ReadPwdFile(path);
    if (!bytes)
        return std::nullopt;
    TPwdRecords records;
    if (IsVaultFile(*bytes)) {
        if (!oldPassword)
            return std::nullopt;
        const TVaultParams params = ReadVaultParams(*bytes, path);
        records = DecodeVault(*bytes, TVaultKey(*oldPassword, params), path);
    } else {
        records = DecodePwdFile(*bytes, path);
    }
    const TVaultKey newKey(newPassword, TVaultParams::Fresh());
    SaveRecords(records, path, &newKey);
    return bytes;
}

void RestorePwdFile(const QString& path, const QByteArray& bytes)
{
    WritePwdFile(bytes, path, false);
}

TVaultParams PwdFileParams(const QString& path)
{
    const std::optional<QByteArray> bytes = ReadPwdFile(path);
    if (bytes && IsVaultFile(*bytes))
        return ReadVaultParams(*bytes, path);
    return TVaultParams::Fresh();
}

QString SetAsideDamagedFile(const QString& path)
{
    for (int n = 1; n < 1000; ++n) {
        const QString backup = path + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        if (QFile::exists(backup))
            continue;
        QFile file(path);
        if (file.rename(backup))
            return backup;
        throw EPwdFileError(QStringLiteral("Soubor hesel „%1“ nelze přejmenovat na „%2“: %3")
                                .arg(path, backup, file.errorString())
                                .toStdString());
    }
    throw EPwdFileError(QStringLiteral("Pro poškozený soubor hesel „%1“ už nezbývá volné jméno zálohy.")
                            .arg(path)
                            .toStdString());
}

} // namespace nuvex
