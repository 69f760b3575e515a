#pragma once

// TDlgPwdMh: the password prompt before the password manager ("Heslo pro přístup"), and
// ShowPwdMh, which opens it.

#include "ui/FixedDialog.h"

class QLabel;
class QLineEdit;

namespace nuvex {

// True when OK closed the prompt; digest is then the digest of the prepared typed text,
// as the option "Diggest" holds it. Otherwise false and digest stays as it was.
bool ShowPwdMh(QString& digest);
// The same prompt handing back the typed password itself, for the key of the password
// file; the caller wipes it (WipeText) once used.
bool AskPwdMh(QString& password);

class TDlgPwdMh : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TDlgPwdMh(QWidget* parent = nullptr);
    ~TDlgPwdMh() override;

    // Empties the password.
    void FormCreate();

    QLabel* AppIcon = nullptr;
    QLabel* KeyImage = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* PwdEdit = nullptr;
    TqnDialogButtons* qnDialogButtons1 = nullptr;
};

} // namespace nuvex
