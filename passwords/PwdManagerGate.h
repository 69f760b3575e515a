#pragma once

// The password manager's command: the master-password gate over the real dialogs and
// message boxes, then the manager window.

#include "passwords/MasterPassword.h"

namespace nuvex {

// The gate's windows: the information box, the change-password dialog, the prompt and the
// manager window.
class TPwdManagerGateUi : public TPwdGateUi
{
public:
    void ShowInformation(const QString& text) override;
    quint8 ShowChangePwd(QString& newPassword, const QString& storedDigest,
                         const TPreparePassword& prepare) override;
    bool ShowPwdMh(QString& password) override;
    void ShowPwdManager(const QString& password) override;
};

// The handler of the main window's action PwdManager ("&Manažer hesel"): runs the gate
// with the global options and opens the manager when it passes. An error (the options
// store cannot be written, for example) is reported in the error box, never thrown.
void PwdManagerExecute();

} // namespace nuvex
