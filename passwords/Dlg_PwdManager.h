#pragma once

// TDlgPwdManager: the password manager ("Správce hesel"), and ShowPwdManager, which opens
// it. The window loads the records from the default password file when it is created and
// writes them back when it is destroyed, however it was closed: encrypted under the
// master password's key while it holds one, in the scrambled format otherwise.

#include "passwords/FileDialogs.h"
#include "passwords/PwdRecords.h"
#include "passwords/PwdVault.h"
#include "ui/FixedDialog.h"

#include <memory>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTreeView;

namespace nuvex {

class TPwdListModel;
struct TPwdListItem;

// Creates the window, shows it modally and releases it (which saves the records).
void ShowPwdManager();
// The same with the master password: derives the key of the default file (the slow step)
// and keeps it, in locked memory, only while the window is open. A default file the key
// does not open is reported and the window is not shown.
void ShowPwdManager(const QString& password);

// The export dialog's second filter: the encrypted format.
inline constexpr int kExportVaultFilter = 1;

inline const QString kMsgConfirmDeletePwd = QStringLiteral("Opravdu chcete odstranit položku \"%1\" ?");

class TDlgPwdManager : public TFixedDialog
{
    Q_OBJECT

public:
    // Without a key (no master password) the files are written in the scrambled format.
    explicit TDlgPwdManager(QWidget* parent = nullptr, std::unique_ptr<TVaultKey> key = nullptr);
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
    // The default file is a vault this window's key does not open: it was reported, the
    // window is not to be shown, and the file is left as it is.
    bool VaultRefused() const { return vaultRefused_; }

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
    TFileDialog SaveDialog1;
    TqnDialogButtons* qnDialogButtons1 = nullptr;

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
    std::unique_ptr<TVaultKey> key_;
    bool vaultRefused_ = false;
    // The default file exists but could not be read: it must not be overwritten unseen.
    bool defaultFileFailed_ = false;
};

} // namespace nuvex
