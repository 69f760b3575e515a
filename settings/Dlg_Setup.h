#pragma once

// TDlgSetup: the settings dialog. It edits the confirmation, autostart, tray, status-bar
// and automatic-login options and offers the change of the master password.

#include "ui/FixedDialog.h"

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace nuvex {

// Where the automatic-login password goes, in one line under its field.
inline const QString kAutoPwdNoteText = QStringLiteral("Heslo se uloží čitelně do vašeho souboru nastavení.");

class TDlgSetup : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TDlgSetup(QWidget* parent = nullptr);

    void FormCreate();
    // Writes the options when OK closed the dialog; nothing otherwise.
    void FormClose();
    // Changes the master password at once.
    void Button1Click();

    QTabWidget* Page95Control1 = nullptr;
    QWidget* Tab95Sheet1 = nullptr;
    QWidget* Tab95Sheet2 = nullptr;
    QCheckBox* ChxAskClose = nullptr;
    QCheckBox* ChxAskDeleteRecords = nullptr;
    QCheckBox* ChxAutoStart = nullptr;
    QCheckBox* ChxAppHide = nullptr;
    QRadioButton* RbBytesRec = nullptr;
    QRadioButton* RbConnSpeed = nullptr;
    QRadioButton* RbConnTime = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLineEdit* AutoPwdEdit = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* AutoPwdNote = nullptr;
    TqnDialogButtons* qnDialogButtons1 = nullptr;

    void done(int result) override;
};

// Shows the settings modally; true when OK closed it.
bool ShowSetup();

} // namespace nuvex
