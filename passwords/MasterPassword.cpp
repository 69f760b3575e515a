#include "passwords/MasterPassword.h"

#include "passwords/Windows1250.h"
#include "passwords/qnHash.h"

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

TChangePwdResult EvaluateChangePwd(const QString& oldPassword, const QString& newPassword1,
                                   const QString& newPassword2, const QString& storedDigest,
                                   const TPreparePassword& prepare)
{
    TChangePwdResult result = ChangePwdAccepted;
    if (!storedDigest.isEmpty()) {
        QString old = oldPassword;
        if (prepare)
            prepare(old);
        try {
            if (HashString(old) != storedDigest)
                result = ChangePwdWrongOld;
        } catch (const EWindows1250Error&) {
            result = ChangePwdWrongOld;
        }
    }
    if (newPassword1 != newPassword2)
        result = ChangePwdMismatch;
    return result;
}

bool AutoLoginMatches(const QString& autoPwd, const QString& storedDigest)
{
    try {
        return PasswordDigest(autoPwd) == storedDigest;
    } catch (const EWindows1250Error&) {
        return false;
    }
}

void StoreNewMasterPassword(TOptions& options, const QString& newPassword,
                            const std::function<void(const QString&)>& inform)
{
    const QString digest = PasswordDigest(newPassword);
    inform(kMsgNewPwdSaved);
    options.WriteString(kDigestOption, digest);
}

void RunPwdManagerGate(TOptions& options, TPwdGateUi& ui)
{
    if (options.ReadString(kDigestOption).isEmpty()) {
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
            break;
        default:
            return;
        }
    }
    const QString stored = options.ReadString(kDigestOption);
    if (AutoLoginMatches(options.ReadString(kAutoPwdOption), stored)) {
        ui.ShowPwdManager();
        return;
    }
    QString digest;
    if (!ui.ShowPwdMh(digest))
        return;
    if (digest == stored)
        ui.ShowPwdManager();
    else
        ui.ShowInformation(kMsgAccessDenied);
}

} // namespace nuvex
