#pragma once

// TDlgChangePwd: the change-password dialog ("Změna hesla"), and ShowChangePwd, which
// opens it and answers with a result code.

#include "passwords/MasterPassword.h"
#include "ui/Dlg_Quorin.h"

class QFrame;
class QLabel;
class QLineEdit;

namespace nuvex {

// Opens the dialog. With a stored digest the old password must be typed; `prepare` is
// applied to it before it is digested. Returns a TChangePwdResult (0 cancelled, 1 wrong
// old password, 2 new entries differ, 3 accepted); newPassword is set only for 3, in
// clear text, neither prepared nor digested. `oldPassword`, when given, receives the old
// password for 3 (the password file is re-encrypted with it).
quint8 ShowChangePwd(QString& newPassword, const QString& storedDigest, const TPreparePassword& prepare = {},
                     QString* oldPassword = nullptr);

class TDlgChangePwd : public TDlg
{
    Q_OBJECT

public:
    explicit TDlgChangePwd(QWidget* parent = nullptr);
    ~TDlgChangePwd() override;

    // Enables the old password when a master password exists (and gives it the focus),
    // otherwise disables it and starts at the new one; empties the three fields.
    void Prepare(bool hasOld);

    QFrame* Bevel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* OldPwdEdit = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* NewPwdEdit1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* NewPwdEdit2 = nullptr;

private:
    QLineEdit* AddPasswordField(QLabel*& label, const QString& labelName, const QString& caption,
                                const QString& editName);
    void PlaceFields(int top);
};

} // namespace nuvex
