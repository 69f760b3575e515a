#include "ui/Dlg_Quorin.h"

#include "ui/ContextHelp.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"

using namespace Qt::StringLiterals;

namespace nuvex {

TDlg::TDlg(QWidget* parent) : TFixedDialog(parent)
{
    setObjectName(u"Dlg"_s);
    setWindowTitle(u"Dlg"_s);
    FixWindowSize(this, {364, 277});

    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK, bkCancel, bkHelp}), 0);

    ContextHelp1 = new TContextHelp(this);
    ContextHelp1->setObjectName(u"ContextHelp1"_s);
    ContextHelp1->SetShowType(stMain);
    ContextHelp1->SetTestMode(false);
    ContextHelp1->SetUsePrefix(false);
    // F1 leads to the topic the help file has for the control or the dialog.
    ContextHelp1->SetFileTopics(true);
}

TDlg::~TDlg() = default;

void TDlg::reject()
{
    done(mrCancel);
}

} // namespace nuvex
