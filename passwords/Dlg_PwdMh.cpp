#include "passwords/Dlg_PwdMh.h"

#include "passwords/MasterPassword.h"
#include "passwords/Windows1250.h"
#include "passwords/Windows1250Input.h"
#include "ui/HelpEngine.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"

#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr QSize kClientSize(258, 96);
constexpr int kIconSize = 32;
constexpr int kEditWidth = 205;
constexpr int kEditHeight = 22;

} // namespace

TDlgPwdMh::TDlgPwdMh(QWidget* parent) : TFixedDialog(parent, kDialogBorder)
{
    setObjectName(u"DlgPwdMh"_s);
    setWindowTitle(u"Heslo pro přístup"_s);

    AppIcon = new QLabel(this);
    AppIcon->setObjectName(u"AppIcon"_s);
    AppIcon->setGeometry(6, 6, kIconSize, kIconSize);
    AppIcon->setPixmap(ProgramIconPixmap(kIconSize));
    // In front of the program's icon, a little below and to the right of it.
    KeyImage = new QLabel(this);
    KeyImage->setObjectName(u"KeyImage"_s);
    KeyImage->setGeometry(10, 12, kIconSize, kIconSize);
    KeyImage->setPixmap(RenderPicture(u":/images/action-password-manager.svg"_s, kIconSize));

    Label1 = new QLabel(
        u"Přístup chráněn heslem.Pro pokračování a přístup k údajům musíte zadat platné heslo."_s, this);
    Label1->setObjectName(u"Label1"_s);
    const int extra = PlaceWrappedLabel(Label1, 45, 4, 209, 30);
    FixWindowSize(this, {kClientSize.width(), kClientSize.height() + extra});

    const int top = 38 + extra;
    PwdEdit = new QLineEdit(this);
    PwdEdit->setObjectName(u"PwdEdit"_s);
    PwdEdit->setGeometry(kClientSize.width() - kEditWidth - 8, top, kEditWidth, kEditHeight);
    MakePasswordEdit(PwdEdit);
    Label2 = new QLabel(u"&Heslo"_s, this);
    Label2->setObjectName(u"Label2"_s);
    Label2->setGeometry(6, top, PwdEdit->x() - 10, kEditHeight);
    Label2->setBuddy(PwdEdit);

    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK, bkCancel, bkHelp}), kHelpContextMasterPassword);

    FormCreate();
    PwdEdit->setFocus();
}

TDlgPwdMh::~TDlgPwdMh() = default;

void TDlgPwdMh::FormCreate()
{
    PwdEdit->clear();
}

bool ShowPwdMh(QString& digest)
{
    TDlgPwdMh dialog;
    if (dialog.exec() != mrOk)
        return false;
    try {
        digest = PasswordDigest(dialog.PwdEdit->text());
    } catch (const EWindows1250Error&) {
        // No master password can hold such a character: this one is wrong, and an empty
        // digest never equals a stored one.
        digest.clear();
    }
    return true;
}

bool AskPwdMh(QString& password)
{
    TDlgPwdMh dialog;
    if (dialog.exec() != mrOk)
        return false;
    password = dialog.PwdEdit->text();
    dialog.PwdEdit->clear();
    return true;
}

} // namespace nuvex
