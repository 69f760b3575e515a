#include "passwords/Dlg_PwdManager.h"

#include "news/Dm_ic.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "passwords/PwdListModel.h"
#include "settings/uOptions.h"
#include "ui/ExceptionReport.h"
#include "ui/HelpEngine.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"
#include "ui/qnForms.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr QSize kClientSize(536, 328);
constexpr int kMargin = 8;
constexpr QRect kListGeometry(kMargin, 48, 441, 249);
constexpr int kButtonLeft = kMargin + 441 + 7;
constexpr QSize kButtonSize(75, 25);

const QString kImportFilter = u"Soubory hesel (*.pwd)|*.pwd|Všechny soubory|*.*"_s;
const QString kExportFilter = u"Soubory hesel (*.pwd)|*.pwd"_s;
const QString kExportVaultFilterText = u"|Soubory hesel šifrované hlavním heslem (*.pwd)|*.pwd"_s;

QFrame* MakeSeparator(QWidget* parent, const QString& name, int top)
{
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(kButtonLeft, top, kButtonSize.width(), 2);
    return line;
}

} // namespace

TDlgPwdManager::TDlgPwdManager(QWidget* parent, std::unique_ptr<TVaultKey> key)
    : TFixedDialog(parent, kDialogBorder), OpenDialog1{TFileDialog::Kind::Open, u"Otevřít"_s, kImportFilter,
                                                       QString()},
      SaveDialog1{TFileDialog::Kind::Save, u"Uložit jako"_s, kExportFilter, u".pwd"_s}, key_(std::move(key))
{
    // The scrambled format stays the default, since other programs read it.
    if (key_)
        SaveDialog1.filter += kExportVaultFilterText;
    setObjectName(u"DlgPwdManager"_s);
    setWindowTitle(u"Správce hesel"_s);
    FixWindowSize(this, kClientSize);

    CreateHeader();
    CreateList();
    CreateActions();
    CreateButtons();
    FormCreate();
}

TDlgPwdManager::~TDlgPwdManager()
{
    FormDestroy();
}

void TDlgPwdManager::CreateHeader()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(kMargin, kMargin, 32, 32);
    Image1->setPixmap(RenderPicture(u":/images/action-password-manager.svg"_s, 32));

    Label1 = new QLabel(u"Zde si můžete evidovat své privátní přístupové informace k Vašim oblíbeným a často "
                        u"navštěvovaným internetovým službám."_s,
                        this);
    Label1->setObjectName(u"Label1"_s);
    PlaceWrappedLabel(Label1, 48, kMargin, 401, 29);
}

void TDlgPwdManager::CreateList()
{
    PwdListModel = new TPwdListModel(this);
    PwdListModel->setObjectName(u"PwdListModel"_s);
    PwdListModel->OnData = [this](TPwdListItem& item) {
        PwdListData(item);
    };

    PwdList = new QTreeView(this);
    PwdList->setObjectName(u"PwdList"_s);
    // The description may need a third line in a larger font; the list gives way.
    const int top = std::max(kListGeometry.top(), Label1->geometry().bottom() + 5);
    PwdList->setGeometry(kListGeometry.left(), top, kListGeometry.width(), kListGeometry.bottom() + 1 - top);
    PwdList->setRootIsDecorated(false);
    PwdList->setItemsExpandable(false);
    PwdList->setUniformRowHeights(true);
    PwdList->setAllColumnsShowFocus(true);
    PwdList->setSelectionMode(QAbstractItemView::SingleSelection);
    PwdList->setSelectionBehavior(QAbstractItemView::SelectRows);
    PwdList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PwdList->setIconSize(QSize(16, 16));
    PwdList->setModel(PwdListModel);
    PwdList->header()->setSectionsMovable(false);
    PwdList->header()->setStretchLastSection(false);
    PwdList->setColumnWidth(0, 215);
    PwdList->setColumnWidth(1, 100);
    PwdList->setColumnWidth(2, 100);
    // The selection stays as plain to see when the list loses the focus.
    QPalette palette = PwdList->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    PwdList->setPalette(palette);
    connect(PwdList, &QAbstractItemView::doubleClicked, this, [this] { PwdListDblClick(); });
}

QAction* TDlgPwdManager::MakeAction(const char* name, const QString& caption,
                                    void (TDlgPwdManager::*handler)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, handler] { RunAction(handler); });
    return action;
}

void TDlgPwdManager::CreateActions()
{
    PridatZaznam = MakeAction("PridatZaznam", u"&Přidat"_s, &TDlgPwdManager::PridatZaznamExecute);
    UpravitZaznam = MakeAction("UpravitZaznam", u"&Upravit"_s, &TDlgPwdManager::UpravitZaznamExecute);
    VymazatZaznam = MakeAction("VymazatZaznam", u"&Vymazat"_s, &TDlgPwdManager::VymazatZaznamExecute);
    Exportovat = MakeAction("Exportovat", u"&Exportovat"_s, &TDlgPwdManager::ExportovatExecute);
    Importovat = MakeAction("Importovat", u"&Importovat"_s, &TDlgPwdManager::ImportovatExecute);
    Kopirovat = MakeAction("Kopirovat", u"&Kopírovat"_s, &TDlgPwdManager::KopirovatExecute);
    Kopirovat->setToolTip(u"Kopírovat heslo do schránky"_s);
}

QPushButton* TDlgPwdManager::MakeButton(const char* name, QAction* action, int top)
{
    auto* button = new QPushButton(action->text(), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(QRect(QPoint(kButtonLeft, top), kButtonSize));
    if (action->toolTip() != QString(action->text()).remove(u'&'))
        button->setToolTip(action->toolTip());
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

void TDlgPwdManager::CreateButtons()
{
    BitBtn1 = MakeButton("BitBtn1", PridatZaznam, 48);
    BitBtn2 = MakeButton("BitBtn2", UpravitZaznam, 80);
    BitBtn3 = MakeButton("BitBtn3", VymazatZaznam, 112);
    Bevel1 = MakeSeparator(this, u"Bevel1"_s, 143);
    BitBtn5 = MakeButton("BitBtn5", Kopirovat, 152);
    Bevel2 = MakeSeparator(this, u"Bevel2"_s, 183);
    BitBtn4 = MakeButton("BitBtn4", Exportovat, 192);
    BitBtn6 = MakeButton("BitBtn6", Importovat, 224);

    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK, bkHelp}), kHelpContextPwdManager);

    // The tab order of the window as it always was: export before copy.
    setTabOrder(PwdList, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, BitBtn4);
    setTabOrder(BitBtn4, BitBtn5);
    setTabOrder(BitBtn5, BitBtn6);
    PwdList->setFocus();
}

void TDlgPwdManager::RunAction(void (TDlgPwdManager::*handler)())
{
    try {
        (this->*handler)();
    } catch (const std::exception& error) {
        ShowException(this, error);
    }
}

void TDlgPwdManager::FormCreate()
{
    try {
        if (LoadRecords(Records, DefaultPwdFile(), key_.get(), {}))
            ListReloaded();
    } catch (const EVaultError& error) {
        vaultRefused_ = true;
        ShowException(this, error);
    } catch (const EPwdFileError& error) {
        defaultFileFailed_ = true;
        ShowException(this, QString::fromUtf8(error.what()) +
                                u"\n\nSeznam hesel začíná prázdný. Při zavření okna se tento soubor "
                                u"nepřepíše: zůstane uložen vedle nového jako záloha."_s);
    }
}

void TDlgPwdManager::FormDestroy()
{
    // Every change made in the window is saved, whichever way it was closed.
    if (vaultRefused_)
        return;
    try {
        const QString path = DefaultPwdFile();
        QString backup;
        if (defaultFileFailed_ && QFile::exists(path))
            backup = SetAsideDamagedFile(path);
        SaveRecords(Records, path, key_.get());
        if (!backup.isEmpty())
            ShowInformation(u"Soubor hesel „%1“ nešlo načíst, proto byl zachován jako „%2“. "
                            u"Seznam hesel byl uložen do nového souboru „%1“."_s.arg(path, backup));
    } catch (const std::exception& error) {
        ShowException(nullptr, QString::fromUtf8(error.what()) +
                                   u"\n\nZměny provedené ve správci hesel nebyly uloženy."_s);
    } catch (...) {
        std::fputs("Nuvex: chyba: neznámá chyba při ukládání hesel\n", stderr);
    }
}

void TDlgPwdManager::ListReloaded()
{
    PwdListModel->SetItemCount(0);
    PwdListModel->SetItemCount(static_cast<int>(Records.size()));
    PwdListModel->Repaint();
}

void TDlgPwdManager::PwdListData(TPwdListItem& item) const
{
    if (item.Index < 0 || item.Index >= static_cast<int>(Records.size()))
        return;
    const TPwdRecord& record = Records[static_cast<std::size_t>(item.Index)];
    item.Caption = GetField(record, TPwdField::Nazev);
    item.SubItems = {GetField(record, TPwdField::UzName), GetField(record, TPwdField::Heslo)};
    item.ImageIndex = record.Poznamka.Length > 0 ? imgPwdWithNote : -1;
}

int TDlgPwdManager::SelectedIndex() const
{
    const QModelIndexList rows = PwdList->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    const int row = rows.constFirst().row();
    return row < static_cast<int>(Records.size()) ? row : -1;
}

void TDlgPwdManager::SelectIndex(int index)
{
    if (index < 0 || index >= PwdListModel->ItemCount()) {
        PwdList->clearSelection();
        return;
    }
    PwdList->setCurrentIndex(PwdListModel->index(index, 0));
    PwdList->selectionModel()->select(PwdListModel->index(index, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TDlgPwdManager::PwdListDblClick()
{
    UpravitZaznam->trigger();
}

void TDlgPwdManager::PridatZaznamExecute()
{
    TDlgPwdRecord dialog(this);
    dialog.ClearFields();
    if (dialog.exec() != mrOk)
        return;
    AppendRecord(Records, dialog.GetRecord());
    PwdListModel->SetItemCount(static_cast<int>(Records.size()));
    PwdListModel->Repaint();
}

void TDlgPwdManager::UpravitZaznamExecute()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    TDlgPwdRecord dialog(this);
    dialog.ClearFields();
    dialog.SetRecord(Records[static_cast<std::size_t>(index)]);
    if (dialog.exec() != mrOk)
        return;
    ReplaceRecord(Records, index, dialog.GetRecord());
    PwdListModel->Repaint();
}

void TDlgPwdManager::VymazatZaznamExecute()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    const bool confirm = !Options || Options->ConfirmPasswordDelete();
    if (confirm) {
        const QString name = GetField(Records[static_cast<std::size_t>(index)], TPwdField::Nazev);
        if (!AskYesNo(kMsgConfirmDeletePwd.arg(name), false))
            return;
    }
    RemoveRecord(Records, index);
    PwdListModel->SetItemCount(static_cast<int>(Records.size()));
    PwdListModel->Repaint();
}

void TDlgPwdManager::KopirovatExecute()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    QGuiApplication::clipboard()->setText(
        GetField(Records[static_cast<std::size_t>(index)], TPwdField::Heslo));
}

void TDlgPwdManager::ExportovatExecute()
{
    const std::optional<TFileChoice> choice = ExecuteFileChoice(this, SaveDialog1);
    if (!choice)
        return;
    SaveRecords(Records, choice->path, choice->filterIndex == kExportVaultFilter ? key_.get() : nullptr);
}

void TDlgPwdManager::ImportovatExecute()
{
    const std::optional<QString> file = ExecuteFileDialog(this, OpenDialog1);
    // A vault written under another master password asks for that password. A damaged
    // file leaves the records as they were.
    const TAskVaultPassword ask = [](const QString&) -> std::optional<TSecretBytes> {
        QString password;
        if (!AskPwdMh(password))
            return std::nullopt;
        TSecretBytes secret = TSecretBytes::FromText(password);
        WipeText(password);
        return secret;
    };
    if (file && LoadRecords(Records, *file, key_.get(), ask))
        ListReloaded();
}

void ShowPwdManager()
{
    TDlgPwdManager dialog;
    dialog.exec();
}

void ShowPwdManager(const QString& password)
{
    std::unique_ptr<TVaultKey> key;
    try {
        const TVaultParams params = PwdFileParams(DefaultPwdFile());
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            key = std::make_unique<TVaultKey>(TSecretBytes::FromText(password), params);
        } catch (...) {
            QGuiApplication::restoreOverrideCursor();
            throw;
        }
        QGuiApplication::restoreOverrideCursor();
    } catch (const std::exception& error) {
        ShowException(nullptr, error);
        return;
    }
    TDlgPwdManager dialog(nullptr, std::move(key));
    if (!dialog.VaultRefused())
        dialog.exec();
}

} // namespace nuvex
