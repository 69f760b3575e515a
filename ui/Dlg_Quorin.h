#pragma once

// TDlg: the base dialog. An empty dialog that already carries the button bar (OK, Storno,
// Pomoc along the bottom) and the context help component; dialogs derived from it set
// their own caption and size (FixWindowSize) and fill the area above the bar.

#include "ui/FixedDialog.h"

namespace nuvex {

class TContextHelp;

class TDlg : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TDlg(QWidget* parent = nullptr);
    ~TDlg() override;

    TqnDialogButtons* qnDialogButtons1 = nullptr;
    TContextHelp* ContextHelp1 = nullptr;

public slots:
    // Closing the window without a button ends it as Storno would.
    void reject() override;
};

} // namespace nuvex
