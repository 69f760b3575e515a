#include "passwords/PwdManagerGate.h"

#include "passwords/Dlg_ChangePwd.h"
#include "passwords/Dlg_PwdManager.h"
#include "passwords/Dlg_PwdMh.h"
#include "settings/uOptions.h"
#include "ui/ExceptionReport.h"
#include "ui/qnForms.h"

#include <QApplication>

namespace nuvex {

void TPwdManagerGateUi::ShowInformation(const QString& text)
{
    nuvex::ShowInformation(text);
}

quint8 TPwdManagerGateUi::ShowChangePwd(QString& newPassword, const QString& storedDigest,
                                        const TPreparePassword& prepare)
{
    return nuvex::ShowChangePwd(newPassword, storedDigest, prepare);
}

bool TPwdManagerGateUi::ShowPwdMh(QString& password)
{
    return AskPwdMh(password);
}

void TPwdManagerGateUi::ShowPwdManager(const QString& password)
{
    nuvex::ShowPwdManager(password);
}

void PwdManagerExecute()
{
    try {
        if (!Options)
            throw Error("Nastavení programu není k dispozici.");
        TPwdManagerGateUi ui;
        RunPwdManagerGate(*Options, ui);
    } catch (const std::exception& error) {
        ShowException(QApplication::activeWindow(), error);
    }
}

} // namespace nuvex
