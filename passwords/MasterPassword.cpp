#include "passwords/MasterPassword.h"

#include "passwords/PwdVault.h"
#include "passwords/Windows1250.h"
#include "passwords/qnHash.h"

#include <memory>

namespace nuvex {

void PreparePassword(QString& s)
{
    s = QChar(kPasswordPrefix) + s + QChar(kPasswordSuffix);
}

QString PasswordDigest(const QString& password)
{
    QString prepared = password;
    PreparePassword(prepared);
    return HashString(prepared);
}

bool IsDigestText(QStringView text)
{
    if (text.size() != 40)
        return false;
    for (const QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}

QString StoredMasterCheck(TOptions& options)
{
    const QString verifier = options.PasswordVerifier();
    return verifier.isEmpty() ? options.OlderPasswordDigest() : verifier;
}

bool MasterPasswordMatches(const QString& password, const QString& stored, const TPreparePassword& prepare)
{
    if (IsVerifierText(stored))
        return CheckVerifier(stored, TSecretBytes::FromText(password));
    QString prepared = password;
    if (prepare)
        prepare(prepared);
    try {
        return HashString(prepared) == stored;
    } catch (const EWindows1250Error&) {
        return false;
    }
}

TChangePwdResult EvaluateChangePwd(const QString& oldPassword, const QString& newPassword1,
                                   const QString& newPassword2, const QString& storedDigest,
                                   const TPreparePassword& prepare)
{
    TChangePwdResult result = ChangePwdAccepted;
    if (!storedDigest.isEmpty() && !MasterPasswordMatches(oldPassword, storedDigest, prepare))
        result = ChangePwdWrongOld;
    if (newPassword1 != newPassword2)
        result = ChangePwdMismatch;
    return result;
}

bool AutoLoginMatches(const QString& autoPwd, const QString& storedDigest)
{
    return MasterPasswordMatches(autoPwd, storedDigest, &PreparePassword);
}

namespace {

void WriteVerifier(TOptions& options, const QString& verifier)
{
    options.SetPasswordVerifier(verifier);
    // The fast digest would undo what the slow verifier is for.
    if (!options.OlderPasswordDigest().isEmpty())
        options.SetOlderPasswordDigest(QString());
}

// The per-user store of the same key, when `options` live in the machine-wide one.
std::unique_ptr<TOptions> PerUserStore(const TOptions& options)
{
    if (options.RootKey == TOptions::TRootKey::CurrentUser)
        return nullptr;
    return std::make_unique<TOptions>(TOptions::SkipFirstRunCheck{}, options.KeyPath,
                                      TOptions::TRootKey::CurrentUser);
}

} // namespace

bool CheckMasterPassword(TOptions& options, const QString& password)
{
    const QString verifier = options.PasswordVerifier();
    if (!verifier.isEmpty())
        return MasterPasswordMatches(password, verifier, &PreparePassword);
    const QString digest = options.OlderPasswordDigest();
    if (digest.isEmpty() || !MasterPasswordMatches(password, digest, &PreparePassword))
        return false;
    WriteVerifier(options, MakeVerifier(TSecretBytes::FromText(password)));
    return true;
}

void StoreNewMasterPassword(TOptions& options, const QString& newPassword,
                            const std::function<void(const QString&)>& inform)
{
    const QString verifier = MakeVerifier(TSecretBytes::FromText(newPassword));
    inform(kMsgNewPwdSaved);
    WriteVerifier(options, verifier);
}

void ChangeMasterPassword(TOptions& options, const std::optional<QString>& oldPassword,
                          const QString& newPassword, const QString& pwdFile,
                          const std::function<void(const QString&)>& inform)
{
    const TSecretBytes newSecret = TSecretBytes::FromText(newPassword);
    const QString verifier = MakeVerifier(newSecret);
    std::optional<TSecretBytes> oldSecret;
    if (oldPassword)
        oldSecret = TSecretBytes::FromText(*oldPassword);
    const std::optional<QByteArray> previous =
        RekeyPwdFile(pwdFile, oldSecret ? &*oldSecret : nullptr, newSecret);
    try {
        inform(kMsgNewPwdSaved);
        WriteVerifier(options, verifier);
    } catch (...) {
        // The file must stay readable with the password the options still check.
        if (previous)
            RestorePwdFile(pwdFile, *previous);
        throw;
    }
}

QString ReadAutoPwd(TOptions& options)
{
    if (const auto perUser = PerUserStore(options)) {
        const QString value = perUser->AutoPassword();
        if (!value.isEmpty())
            return value;
    }
    return options.AutoPassword();
}

void WriteAutoPwd(TOptions& options, const QString& value)
{
    const auto perUser = PerUserStore(options);
    if (!perUser) {
        options.SetAutoPassword(value);
        return;
    }
    perUser->SetAutoPassword(value);
    if (!options.AutoPassword().isEmpty())
        options.SetAutoPassword(QString());
}

void RunPwdManagerGate(TOptions& options, TPwdGateUi& ui)
{
    if (StoredMasterCheck(options).isEmpty()) {
        ui.ShowInformation(kMsgFirstUse);
        QString newPassword;
        switch (ui.ShowChangePwd(newPassword, QString(), &PreparePassword)) {
        case ChangePwdWrongOld:
            ui.ShowInformation(kMsgWrongOldPwd);
            return;
        case ChangePwdMismatch:
            ui.ShowInformation(kMsgNewPwdMismatch);
            return;
        case ChangePwdAccepted:
            StoreNewMasterPassword(options, newPassword,
                                   [&ui](const QString& text) { ui.ShowInformation(text); });
            WipeText(newPassword);
            break;
        default:
            return;
        }
    }
    QString autoPwd = ReadAutoPwd(options);
    if (CheckMasterPassword(options, autoPwd)) {
        ui.ShowPwdManager(autoPwd);
        WipeText(autoPwd);
        return;
    }
    WipeText(autoPwd);
    QString password;
    if (!ui.ShowPwdMh(password))
        return;
    if (CheckMasterPassword(options, password))
        ui.ShowPwdManager(password);
    else
        ui.ShowInformation(kMsgAccessDenied);
    WipeText(password);
}

} // namespace nuvex
