#pragma once

// TFixedDialog: what the program's dialogs share. Each has a client area of a fixed size
// (FixWindowSize: no window manager offers to maximise it), is centred on its screen when
// first shown unless the program placed it before (later shows keep where the user moved
// it), and most carry the standard
// button bar along the bottom. The base dialog TDlg builds on it, and so do the dialogs
// that are not derived from TDlg.

#include "ui/qnDialogButtons.h"

#include <QDialog>

namespace nuvex {

class TFixedDialog : public QDialog
{
    Q_OBJECT

public:
    // `border` as for QDialog; empty gives the toolkit's dialog border.
    explicit TFixedDialog(QWidget* parent = nullptr, Qt::WindowFlags border = {});
    ~TFixedDialog() override;

protected:
    // The dialogs' button bar, named "qnDialogButtons1": along the bottom, 30 pixels high,
    // right-aligned, no separator, with these buttons and the help button's topic number.
    TqnDialogButtons* AddButtonBar(TqndbButtons buttons, int helpContext);
    // Runs once, at the first show, after the dialog has been centred.
    virtual void FirstShown();

    void showEvent(QShowEvent* event) override;

private:
    bool shown_ = false;
};

} // namespace nuvex
