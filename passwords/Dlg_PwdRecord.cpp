#include "passwords/Dlg_PwdRecord.h"

#include "passwords/Windows1250Input.h"
#include "ui/HelpEngine.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr QSize kClientSize(358, 285);
constexpr int kFieldLeft = 6;
constexpr int kFieldWidth = 345;
constexpr int kEditHeight = 22;
constexpr int kLabelHeight = 16;
constexpr int kMemoTop = 140;
constexpr int kMemoHeight = 113;

} // namespace

TDlgPwdRecord::TDlgPwdRecord(QWidget* parent) : TFixedDialog(parent, kDialogBorder)
{
    setObjectName(u"DlgPwdRecord"_s);
    setWindowTitle(u"Záznam"_s);
    FixWindowSize(this, kClientSize);

    NazevEdit = AddLineField(Label1, {u"Label1"_s, u"&Název"_s, u"NazevEdit"_s, 4}, TPwdField::Nazev);
    UzNameEdit =
        AddLineField(Label2, {u"Label2"_s, u"&Uživatelské jméno"_s, u"UzNameEdit"_s, 44}, TPwdField::UzName);
    HesloEdit = AddLineField(Label3, {u"Label3"_s, u"&Heslo"_s, u"HesloEdit"_s, 84}, TPwdField::Heslo);

    Label4 = new QLabel(u"&Poznámka"_s, this);
    Label4->setObjectName(u"Label4"_s);
    Label4->setGeometry(kFieldLeft + 2, kMemoTop - kLabelHeight, kFieldWidth, kLabelHeight);
    MemoEdit = new QPlainTextEdit(this);
    MemoEdit->setObjectName(u"MemoEdit"_s);
    MemoEdit->setGeometry(kFieldLeft, kMemoTop, kFieldWidth, kMemoHeight);
    new TNoteLimiter(MemoEdit, FieldRoom(TPwdField::Poznamka));
    Label4->setBuddy(MemoEdit);

    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK, bkCancel, bkHelp}), kHelpContextPwdRecord);

    setTabOrder(NazevEdit, UzNameEdit);
    setTabOrder(UzNameEdit, HesloEdit);
    setTabOrder(HesloEdit, MemoEdit);
    NazevEdit->setFocus();
}

TDlgPwdRecord::~TDlgPwdRecord() = default;

QLineEdit* TDlgPwdRecord::AddLineField(QLabel*& label, const FieldPlace& place, TPwdField field)
{
    label = new QLabel(place.caption, this);
    label->setObjectName(place.labelName);
    label->setGeometry(kFieldLeft + 2, place.top, kFieldWidth, kLabelHeight);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(place.editName);
    edit->setGeometry(kFieldLeft, place.top + kLabelHeight, kFieldWidth, kEditHeight);
    LimitLineEdit(edit, static_cast<int>(FieldRoom(field)));
    label->setBuddy(edit);
    return edit;
}

void TDlgPwdRecord::ClearFields()
{
    NazevEdit->clear();
    UzNameEdit->clear();
    HesloEdit->clear();
    MemoEdit->clear();
}

void TDlgPwdRecord::SetRecord(const TPwdRecord& record)
{
    NazevEdit->setText(GetField(record, TPwdField::Nazev));
    UzNameEdit->setText(GetField(record, TPwdField::UzName));
    HesloEdit->setText(GetField(record, TPwdField::Heslo));
    MemoEdit->setPlainText(NoteFromStored(GetField(record, TPwdField::Poznamka)));
}

TPwdRecord TDlgPwdRecord::GetRecord() const
{
    return MakePwdRecord(NazevEdit->text(), UzNameEdit->text(), HesloEdit->text(),
                         NoteToStored(TNoteLimiter::Text(MemoEdit)));
}

} // namespace nuvex
