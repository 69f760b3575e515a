#pragma once

// The master password that locks the password manager, without its windows: its slow,
// salted verifier in the option "PwdVerifier" (the older RIPEMD-160 digest of the
// prepared password in "Diggest" is accepted once and then replaced), the evaluation of
// the change-password dialog, storing and changing the master password (which re-encrypts
// the password file), and the gate the manager's command runs. The password itself is
// never stored (except the user's own choice "AutoPwd", kept in the per-user file) and
// never reaches a message or the log.

#include "settings/qnOptions.h"

#include <QString>
#include <functional>
#include <optional>

namespace nuvex {

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

// What the stored master password is checked against: the verifier, or an older digest;
// empty when no master password is set.
QString StoredMasterCheck(TOptions& options);

// True when `password` is the one `stored` (a verifier or a digest) was made of; the hook
// prepares it for a digest. A password a digest cannot hold is simply wrong.
bool MasterPasswordMatches(const QString& password, const QString& stored, const TPreparePassword& prepare);

// What the change-password dialog answers once OK closed it. With nothing stored the old
// password is not looked at. Differing new entries win over a wrong old password.
TChangePwdResult EvaluateChangePwd(const QString& oldPassword, const QString& newPassword1,
                                   const QString& newPassword2, const QString& storedDigest,
                                   const TPreparePassword& prepare);

// True when the stored automatic-login password opens the manager. Never throws: a failed
// automatic login just means the prompt.
bool AutoLoginMatches(const QString& autoPwd, const QString& storedDigest);

// Checks a password typed (or stored for automatic login) against the options. An older
// digest that matches is replaced by the verifier at once, so it is accepted only once.
bool CheckMasterPassword(TOptions& options, const QString& password);

// Stores a new master password: tells the user (`inform`), writes its verifier to
// "PwdVerifier" and empties "Diggest". The verifier is made before the message, so a
// password that cannot be stored is never announced as saved.
void StoreNewMasterPassword(TOptions& options, const QString& newPassword,
                            const std::function<void(const QString&)>& inform);

// Changes the master password and re-encrypts the password file at `pwdFile` under the
// new one at once, atomically (a scrambled file is converted). `oldPassword` is nothing
// when no master password was set. A file that the old password does not open stops the
// change with its error, nothing changed; a failed options write puts the old file back.
void ChangeMasterPassword(TOptions& options, const std::optional<QString>& oldPassword,
                          const QString& newPassword, const QString& pwdFile,
                          const std::function<void(const QString&)>& inform);

// The automatic-login password. It never goes to a file others may read: with the options
// in the machine-wide root it lives in the per-user root (an older one left in the
// machine-wide root is still read, and removed at the next write).
QString ReadAutoPwd(TOptions& options);
void WriteAutoPwd(TOptions& options, const QString& value);

// What the gate needs from the windows.
class TPwdGateUi
{
public:
    virtual ~TPwdGateUi() = default;
    virtual void ShowInformation(const QString& text) = 0;
    // The change-password dialog: a TChangePwdResult, `newPassword` set for Accepted.
    virtual quint8 ShowChangePwd(QString& newPassword, const QString& storedDigest,
                                 const TPreparePassword& prepare) = 0;
    // The password prompt: true and the typed password for OK.
    virtual bool ShowPwdMh(QString& password) = 0;
    // The manager, opened with the master password that passed the gate.
    virtual void ShowPwdManager(const QString& password) = 0;
};

// The gate before the manager window: a first master password when none is stored,
// automatic login by "AutoPwd", otherwise the prompt. Opens the manager when it passes.
void RunPwdManagerGate(TOptions& options, TPwdGateUi& ui);

} // namespace nuvex
