#include "ui/FixedDialog.h"

#include "ui/Placement.h"

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr int kButtonBarHeight = 30;

} // namespace

TFixedDialog::TFixedDialog(QWidget* parent, Qt::WindowFlags border) : QDialog(parent, border) {}

TFixedDialog::~TFixedDialog() = default;

TqnDialogButtons* TFixedDialog::AddButtonBar(TqndbButtons buttons, int helpContext)
{
    auto* bar = new TqnDialogButtons(this);
    bar->setObjectName(u"qnDialogButtons1"_s);
    bar->resize(bar->width(), kButtonBarHeight);
    bar->SetButtons(buttons);
    bar->SetShowSeparator(false);
    bar->SetHelpContext(helpContext);
    bar->Loaded();
    return bar;
}

void TFixedDialog::FirstShown() {}

void TFixedDialog::showEvent(QShowEvent* event)
{
    if (!shown_) {
        shown_ = true;
        // A dialog the program placed before showing it keeps that place.
        if (!testAttribute(Qt::WA_Moved))
            CentreOnScreen(this);
        FirstShown();
    }
    QDialog::showEvent(event);
}

} // namespace nuvex
