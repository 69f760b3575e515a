#pragma once

// TDlgPwdManager: the password manager ("Správce hesel"), and ShowPwdManager, which opens
// it. The window loads the records from the default password file when it is created and
// writes them back when it is destroyed, however it was closed.

#include "passwords/FileDialogs.h"
#include "passwords/PwdRecords.h"

#include <QDialog>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTreeView;

namespace nuvex {

class TPwdListModel;
class TqnDialogButtons;
struct TPwdListItem;

// Creates the window, shows it modally and releases it (which saves the records).
void ShowPwdManager();

inline const QString kMsgConfirmDeletePwd = QStringLiteral("Opravdu chcete odstranit položku \"%1\" ?");
inline const QString kAskBeforeDeletePwdOption = QStringLiteral("AskBeforeDeletePwd");

class TDlgPwdManager : public QDialog
{
    Q_OBJECT

public:
    explicit TDlgPwdManager(QWidget* parent = nullptr);
    ~TDlgPwdManager() override;

    // The row shown for a record (the list asks for it when it draws the row).
    void PwdListData(TPwdListItem& item) const;
    void PwdListDblClick();
    void PridatZaznamExecute();
    void UpravitZaznamExecute();
    void VymazatZaznamExecute();
    void KopirovatExecute();
    void ExportovatExecute();
    void ImportovatExecute();

    // The selected row, or -1.
    int SelectedIndex() const;
    void SelectIndex(int index);
    const TPwdRecords& GetRecords() const { return Records; }

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QTreeView* PwdList = nullptr;
    TPwdListModel* PwdListModel = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QFrame* Bevel2 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QAction* PridatZaznam = nullptr;
    QAction* UpravitZaznam = nullptr;
    QAction* VymazatZaznam = nullptr;
    QAction* Exportovat = nullptr;
    QAction* Importovat = nullptr;
    QAction* Kopirovat = nullptr;
    const TFileDialog OpenDialog1;
    const TFileDialog SaveDialog1;
    TqnDialogButtons* qnDialogButtons1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void CreateHeader();
    void CreateList();
    void CreateActions();
    void CreateButtons();
    QAction* MakeAction(const char* name, const QString& caption, void (TDlgPwdManager::*handler)());
    QPushButton* MakeButton(const char* name, QAction* action, int top);
    // Runs a handler; an error it raises is reported and the window goes on.
    void RunAction(void (TDlgPwdManager::*handler)());
    // After the records were replaced as a whole (a load).
    void ListReloaded();

    TPwdRecords Records;
    // The default file exists but could not be read: it must not be overwritten unseen.
    bool defaultFileFailed_ = false;
    bool centred_ = false;
};

} // namespace nuvex
