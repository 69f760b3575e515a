#include "ui/Dlg_Quorin.h"

#include "ui/ContextHelp.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"

using namespace Qt::StringLiterals;

namespace nuvex {

TDlg::TDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"Dlg"_s);
    setWindowTitle(u"Dlg"_s);
    setFixedSize(364, 277);

    qnDialogButtons1 = new TqnDialogButtons(this);
    qnDialogButtons1->setObjectName(u"qnDialogButtons1"_s);
    qnDialogButtons1->resize(qnDialogButtons1->width(), 30);
    qnDialogButtons1->SetButtons(ButtonSet({bkOK, bkCancel, bkHelp}));
    qnDialogButtons1->SetShowSeparator(false);
    qnDialogButtons1->SetHelpContext(0);
    qnDialogButtons1->Loaded();

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

void TDlg::showEvent(QShowEvent* event)
{
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

} // namespace nuvex
