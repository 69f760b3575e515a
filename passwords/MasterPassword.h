#pragma once

// The master password that locks the password manager, without its windows: the prepared
// password and its digest in the option "Diggest", the evaluation of the change-password
// dialog, storing a new master password, and the gate the manager's command runs. The
// password itself is never stored (except the user's own choice "AutoPwd") and never
// reaches a message or the log.

#include "settings/qnOptions.h"

#include <QString>
#include <functional>

namespace nuvex {

inline const QString kDigestOption = QStringLiteral("Diggest");
inline const QString kAutoPwdOption = QStringLiteral("AutoPwd");

inline const QString kMsgFirstUse =
    QStringLiteral("Před prvním použitím manažeru hesel musíte zadat heslo, kterým se budete přihlašovat.");
inline const QString kMsgWrongOldPwd = QStringLiteral("Chybné původní heslo. Nové heslo nebylo uloženo.");
inline const QString kMsgNewPwdMismatch =
    QStringLiteral("Nové heslo bylo zadáno chybně (musí být zadáno 2x shodně).");
inline const QString kMsgNewPwdSaved = QStringLiteral("Nové heslo bylo uloženo.");
inline const QString kMsgAccessDenied = QStringLiteral("Chybné heslo.Přístup odepřen.");

// The characters put around a password before it is digested: fixed for every
// installation, or the same password would give another digest elsewhere.
inline constexpr char16_t kPasswordPrefix = u'{';
inline constexpr char16_t kPasswordSuffix = u'}';

// Replaces `s` by the prepared password (the options object's PreparePassword).
void PreparePassword(QString& s);

// A hook applied to a password before it is digested.
using TPreparePassword = std::function<void(QString&)>;

// HashString of the prepared password: what "Diggest" holds and the prompt hands back.
// Throws EWindows1250Error for a character Windows-1250 cannot hold.
QString PasswordDigest(const QString& password);

// True for a digest text: 40 upper-case hexadecimal digits.
bool IsDigestText(QStringView text);

// Result codes of ShowChangePwd.
enum TChangePwdResult : quint8
{
    ChangePwdCancelled = 0,
    ChangePwdWrongOld = 1,
    ChangePwdMismatch = 2,
    ChangePwdAccepted = 3,
};

// What the change-password dialog answers once OK closed it. With no stored digest the
// old password is not looked at. Differing new entries win over a wrong old password.
// A typed old password that Windows-1250 cannot hold is simply wrong.
TChangePwdResult EvaluateChangePwd(const QString& oldPassword, const QString& newPassword1,
                                   const QString& newPassword2, const QString& storedDigest,
                                   const TPreparePassword& prepare);

// True when the stored automatic-login password opens the manager: its prepared digest
// equals the stored one. Never throws: a failed automatic login just means the prompt.
bool AutoLoginMatches(const QString& autoPwd, const QString& storedDigest);

// Stores a new master password: tells the user (`inform`) and writes its digest to
// "Diggest". The digest is computed before the message, so a password that cannot be
// digested is never announced as saved.
void StoreNewMasterPassword(TOptions& options, const QString& newPassword,
                            const std::function<void(const QString&)>& inform);

// What the gate needs from the windows.
class TPwdGateUi
{
public:
    virtual ~TPwdGateUi() = default;
    virtual void ShowInformation(const QString& text) = 0;
    // The change-password dialog: a TChangePwdResult, `newPassword` set for Accepted.
    virtual quint8 ShowChangePwd(QString& newPassword, const QString& storedDigest,
                                 const TPreparePassword& prepare) = 0;
    // The password prompt: true and the digest of the prepared typed text for OK.
    virtual bool ShowPwdMh(QString& digest) = 0;
    virtual void ShowPwdManager() = 0;
};

// The gate before the manager window: a first master password when none is stored,
// automatic login by "AutoPwd", otherwise the prompt. Opens the manager when it passes.
void RunPwdManagerGate(TOptions& options, TPwdGateUi& ui);

} // namespace nuvex
