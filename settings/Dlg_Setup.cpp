#include "settings/Dlg_Setup.h"

#include "passwords/Dlg_ChangePwd.h"
#include "passwords/MasterPassword.h"
#include "passwords/PwdRecords.h"
#include "platform/Registry.h"
#include "platform/SystemPaths.h"
#include "settings/AutoStart.h"
#include "settings/uOptions.h"
#include "ui/ExceptionReport.h"
#include "ui/Placement.h"
#include "ui/SysText.h"
#include "ui/qnDialogButtons.h"
#include "ui/qnForms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace nuvex {

namespace {

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TDlgSetup::TDlgSetup(QWidget* parent) : TFixedDialog(parent)
{
    setObjectName(QStringLiteral("DlgSetup"));
    setWindowTitle(QStringLiteral("Nastavení"));
    FixWindowSize(this, {384, 289});
    // The layout is in pixels for an 8-point font at 96 dpi: keep the text that size.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    auto* panel = Named(new QFrame(this), "Panel1");
    panel->setGeometry(8, 6, 369, 249);
    panel->setFrameShape(QFrame::Box);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);

    // Tabs on the right edge; a tab bar on that side turns its captions.
    Page95Control1 = Named(new QTabWidget(panel), "Page95Control1");
    Page95Control1->setTabPosition(QTabWidget::East);
    panelLayout->addWidget(Page95Control1);

    Tab95Sheet1 = Named(new QWidget, "Tab95Sheet1");
    auto* confirm = new QVBoxLayout(Tab95Sheet1);
    ChxAskClose =
        Named(new QCheckBox(QStringLiteral("&Ukončovat aplikaci bez souhlasu"), Tab95Sheet1), "ChxAskClose");
    ChxAskDeleteRecords =
        Named(new QCheckBox(QStringLiteral("&Nevyžadovat souhlas při odstraňování záznamů"), Tab95Sheet1),
              "ChxAskDeleteRecords");
    confirm->addWidget(ChxAskClose);
    confirm->addWidget(ChxAskDeleteRecords);
    confirm->addStretch();
    Page95Control1->addTab(Tab95Sheet1, QStringLiteral("Potvrzování"));

    Tab95Sheet2 = Named(new QWidget, "Tab95Sheet2");
    auto* behaviour = new QVBoxLayout(Tab95Sheet2);
    behaviour->setSpacing(3);
    ChxAutoStart =
        Named(new QCheckBox(QStringLiteral("&Spouštět po přihlášení"), Tab95Sheet2), "ChxAutoStart");
    behaviour->addWidget(ChxAutoStart);
    behaviour->addWidget(Named(new QLabel(QStringLiteral("Při startu aplikace"), Tab95Sheet2), "Label2"));
    ChxAppHide = Named(new QCheckBox(QStringLiteral("&Neskrývat okno do traye"), Tab95Sheet2), "ChxAppHide");
    behaviour->addWidget(ChxAppHide);
    behaviour->addWidget(
        Named(new QLabel(QStringLiteral("Ve stavovém řádku zobrazovat"), Tab95Sheet2), "Label1"));
    RbBytesRec = Named(new QRadioButton(QStringLiteral("Přenesené bajty"), Tab95Sheet2), "RbBytesRec");
    RbConnSpeed = Named(new QRadioButton(QStringLiteral("Rychlost připojení"), Tab95Sheet2), "RbConnSpeed");
    RbConnTime = Named(new QRadioButton(QStringLiteral("Dobu připojení"), Tab95Sheet2), "RbConnTime");
    auto* statusChoice = new QButtonGroup(Tab95Sheet2);
    for (QRadioButton* button : {RbBytesRec, RbConnSpeed, RbConnTime}) {
        statusChoice->addButton(button);
        behaviour->addWidget(button);
    }
    RbBytesRec->setChecked(true);
    auto* bevel = Named(new QFrame(Tab95Sheet2), "Bevel1");
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    behaviour->addWidget(bevel);
    behaviour->addWidget(
        Named(new QLabel(QStringLiteral("Manažer hesel a přístupových jmen"), Tab95Sheet2), "Label3"));
    CheckBox1 =
        Named(new QCheckBox(QStringLiteral("&Automaticky se přihlašovat heslem"), Tab95Sheet2), "CheckBox1");
    AutoPwdEdit = Named(new QLineEdit(Tab95Sheet2), "AutoPwdEdit");
    AutoPwdEdit->setEchoMode(QLineEdit::Password); // each character shown as an asterisk
    AutoPwdEdit->setFixedWidth(121);
    Button1 = Named(new QPushButton(QStringLiteral("&Změnit heslo"), Tab95Sheet2), "Button1");
    // The caption and the field do not fit side by side at this width with today's fonts:
    // the field goes under the caption's end, beside the button.
    behaviour->addWidget(CheckBox1);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(Button1);
    passwordRow->addStretch();
    passwordRow->addWidget(AutoPwdEdit);
    behaviour->addLayout(passwordRow);
    AutoPwdNote = Named(new QLabel(kAutoPwdNoteText, Tab95Sheet2), "AutoPwdNote");
    AutoPwdNote->setToolTip(
        QString::fromStdString(platform::registry::RootFile(platform::registry::Root::CurrentUser)));
    behaviour->addWidget(AutoPwdNote);
    behaviour->addStretch();
    Page95Control1->addTab(Tab95Sheet2, QStringLiteral("Chování"));
    Page95Control1->setCurrentWidget(Tab95Sheet2);
    connect(Button1, &QPushButton::clicked, this, [this] {
        try {
            Button1Click();
        } catch (const std::exception& error) {
            ShowException(this, error);
        }
    });

    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK, bkCancel, bkHelp}), 1000);

    // Centred before the window exists, as it always was: the window manager then puts the
    // frame's corner where the client area's would be.
    CentreOnScreen(this);
    FormCreate();
}

void TDlgSetup::FormCreate()
{
    ChxAutoStart->setChecked(IsAutoStartOn());
    ChxAppHide->setChecked(!Options->HideAtStart());
    ChxAskClose->setChecked(!Options->ConfirmQuit());
    switch (GetWhatShow()) {
    case 0:
        RbBytesRec->setChecked(true);
        break;
    case 1:
        RbConnSpeed->setChecked(true);
        break;
    case 2:
        RbConnTime->setChecked(true);
        break;
    default:
        break; // "Přenesené bajty" stays checked as built
    }
    ChxAskDeleteRecords->setChecked(!Options->ConfirmPasswordDelete());
    AutoPwdEdit->setText(ReadAutoPwd(*Options));
    CheckBox1->setChecked(!AutoPwdEdit->text().isEmpty());
}

void TDlgSetup::done(int result)
{
    QDialog::done(result);
    try {
        FormClose();
    } catch (const std::exception& error) {
        ShowException(this, error);
    }
}

void TDlgSetup::FormClose()
{
    if (result() != mrOk)
        return;
    Options->SetHideAtStart(!ChxAppHide->isChecked());
    Options->SetConfirmQuit(!ChxAskClose->isChecked());
    if (RbBytesRec->isChecked())
        SetWhatShow(0);
    else if (RbConnSpeed->isChecked())
        SetWhatShow(1);
    else if (RbConnTime->isChecked())
        SetWhatShow(2);
    Options->SetConfirmPasswordDelete(!ChxAskDeleteRecords->isChecked());
    WriteAutoPwd(*Options, CheckBox1->isChecked() ? AutoPwdEdit->text() : QString());
    // Written again when on, so that its Exec line follows a program that was moved.
    if (ChxAutoStart->isChecked() || QFileInfo::exists(AutoStartFile()))
        SetAutoStart(ChxAutoStart->isChecked(), FromSys(platform::ProgramFile()));
}

void TDlgSetup::Button1Click()
{
    const QString stored = StoredMasterCheck(*Options);
    QString newPassword, oldPassword;
    switch (ShowChangePwd(newPassword, stored, PreparePassword, &oldPassword)) {
    case ChangePwdWrongOld:
        ShowInformation(kMsgWrongOldPwd);
        break;
    case ChangePwdMismatch:
        ShowInformation(kMsgNewPwdMismatch);
        break;
    case ChangePwdAccepted:
        ChangeMasterPassword(*Options, stored.isEmpty() ? std::nullopt : std::optional<QString>(oldPassword),
                             newPassword, DefaultPwdFile(), ShowInformation);
        break;
    default:
        break;
    }
}

bool ShowSetup()
{
    TDlgSetup dialog;
    return dialog.exec() == mrOk;
}

} // namespace nuvex
