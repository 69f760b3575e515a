#include "passwords/Dlg_ChangePwd.h"

#include "passwords/Windows1250Input.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr QSize kClientSize(239, 164);
constexpr int kBandHeight = 53;
constexpr int kMargin = 8;
constexpr int kLabelColumn = 96; // the labels' room, right-aligned before the fields
constexpr int kEditWidth = 121;
constexpr int kEditHeight = 22;
constexpr int kRowStep = 26;
constexpr int kButtonBarHeight = 30;

} // namespace

TDlgChangePwd::TDlgChangePwd(QWidget* parent) : TDlg(parent)
{
    setObjectName(u"DlgChangePwd"_s);
    setWindowTitle(u"Změna hesla"_s);

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(kMargin, 10, 32, 32);
    Image1->setPixmap(RenderPicture(u":/images/action-password-manager.svg"_s, 32));

    Label4 = new QLabel(u"Zadejte prosím nové heslo.V případě, že měníte heslo již aktivní, je nutné nejprve "
                        u"zadat heslo původní."_s,
                        this);
    Label4->setObjectName(u"Label4"_s);
    // The text keeps its place whatever the font: the band grows with it.
    const int extra = PlaceWrappedLabel(Label4, 48, kMargin, 185, 38);
    const int band = kBandHeight + extra;

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(u"Bevel1"_s);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    OldPwdEdit = AddPasswordField(Label1, u"Label1"_s, u"&Staré heslo"_s, u"OldPwdEdit"_s);
    NewPwdEdit1 = AddPasswordField(Label2, u"Label2"_s, u"&Nové heslo"_s, u"NewPwdEdit1"_s);
    NewPwdEdit2 = AddPasswordField(Label3, u"Label3"_s, u"Nové heslo (&znovu)"_s, u"NewPwdEdit2"_s);

    int labelWidth = kLabelColumn;
    for (const QLabel* label : {Label1, Label2, Label3})
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    const int editLeft = kMargin + labelWidth + 6;
    const int width = std::max(kClientSize.width(), editLeft + kEditWidth + kMargin);
    FixWindowSize(this, {width, kClientSize.height() + extra});
    Bevel1->setGeometry(0, band - 2, width, 2);
    int top = band + 7;
    const std::array<std::pair<QLabel*, QLineEdit*>, 3> rows{
        {{Label1, OldPwdEdit}, {Label2, NewPwdEdit1}, {Label3, NewPwdEdit2}}};
    for (const auto& [label, edit] : rows) {
        label->setGeometry(kMargin, top, labelWidth, kEditHeight);
        edit->setGeometry(editLeft, top, kEditWidth, kEditHeight);
        top += kRowStep;
    }

    qnDialogButtons1->resize(qnDialogButtons1->width(), kButtonBarHeight);
    qnDialogButtons1->SetButtons(ButtonSet({bkOK, bkCancel}));
    qnDialogButtons1->Loaded();

    setTabOrder(OldPwdEdit, NewPwdEdit1);
    setTabOrder(NewPwdEdit1, NewPwdEdit2);
    OldPwdEdit->setFocus();
}

TDlgChangePwd::~TDlgChangePwd() = default;

QLineEdit* TDlgChangePwd::AddPasswordField(QLabel*& label, const QString& labelName, const QString& caption,
                                           const QString& editName)
{
    label = new QLabel(caption, this);
    label->setObjectName(labelName);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(editName);
    MakePasswordEdit(edit);
    label->setBuddy(edit);
    return edit;
}

void TDlgChangePwd::Prepare(bool hasOld)
{
    OldPwdEdit->setEnabled(hasOld);
    Label1->setEnabled(hasOld);
    OldPwdEdit->clear();
    NewPwdEdit1->clear();
    NewPwdEdit2->clear();
    if (hasOld)
        OldPwdEdit->setFocus();
    else
        NewPwdEdit1->setFocus();
}

quint8 ShowChangePwd(QString& newPassword, const QString& storedDigest, const TPreparePassword& prepare,
                     QString* oldPassword)
{
    TDlgChangePwd dialog;
    dialog.Prepare(!storedDigest.isEmpty());
    if (dialog.exec() != mrOk)
        return ChangePwdCancelled;
    const TChangePwdResult result = EvaluateChangePwd(dialog.OldPwdEdit->text(), dialog.NewPwdEdit1->text(),
                                                      dialog.NewPwdEdit2->text(), storedDigest, prepare);
    if (result == ChangePwdAccepted) {
        newPassword = dialog.NewPwdEdit1->text();
        if (oldPassword)
            *oldPassword = dialog.OldPwdEdit->text();
    }
    return result;
}

} // namespace nuvex
