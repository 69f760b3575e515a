// The number watch on the main window and the user's three answers to its alarm.

#include "app/Frm_Main.h"
#include "platform/RasService.h"
#include "ui/SysText.h"
#include "ui/qnForms.h"
#include "watch/NumberWatch.h"
#include "watch/WatchActions.h"

#include <QAction>
#include <QScopeGuard>
#include <QTreeWidget>

namespace nuvex {

namespace {

constexpr int kImageRole = Qt::UserRole;

} // namespace

void TFrmNuvex::PhonebookChange(TRasBaseList&)
{
    // Files of the phonebook that cannot be read: said once each, the watch goes on.
    for (const std::string& notice : platform::ras::ActiveRasService().TakeNotices())
        AddLogLine(FromSys(notice));

    const QTreeWidgetItem* selected = SelectedRow();
    TWatchPass pass(selected ? selected->text(0) : QString(), ConnName);

    ListView->setUpdatesEnabled(false);
    const auto resume = qScopeGuard([this] { ListView->setUpdatesEnabled(true); });
    ListView->clear();

    TRowSelector selector;
    int selectedRow = -1;
    for (int i = 0; i < Phonebook->Count(); ++i) {
        const TRasPhonebookEntry& entry = Phonebook->Items(i);
        auto* item = new QTreeWidgetItem(ListView, QStringList{entry.Name});
        const QString active = GetEntryNumber(entry);
        const TWatchRow row = pass.Evaluate(entry.Name, active);
        item->setText(1, row.ActiveNumber);
        item->setText(2, row.CheckNumber);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        SetRowImage(item, row.ImageIndex);
        const int nowSelected = selector.AddRow(entry.Name, pass.NameToSelect());
        if (nowSelected != selectedRow) {
            selectedRow = nowSelected;
            SelectRow(selectedRow);
        }
    }

    const TAlarmOutcome outcome = DecideAlarm(pass.Decision(), AlarmRaised);
    if (!outcome.LogLine.isEmpty())
        AddLogLine(outcome.LogLine);
    if (outcome.ShowWindow)
        UkazAppExecute();
    AlarmRaised = outcome.AlarmRaised;
}

void TFrmNuvex::SelectRow(int row)
{
    QTreeWidgetItem* item = row >= 0 ? ListView->topLevelItem(row) : nullptr;
    if (item) {
        ListView->setCurrentItem(item);
    } else {
        ListView->clearSelection();
        ListView->setCurrentItem(nullptr);
    }
}

QTreeWidgetItem* TFrmNuvex::SelectedRow() const
{
    const auto selected = ListView->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TFrmNuvex::SetRowImage(QTreeWidgetItem* item, int image)
{
    item->setIcon(0, ImageList1.at(static_cast<std::size_t>(image)));
    item->setData(0, kImageRole, image);
}

int TFrmNuvex::RowImage(int row) const
{
    const QTreeWidgetItem* item = ListView->topLevelItem(row);
    return item ? item->data(0, kImageRole).toInt() : -1;
}

void TFrmNuvex::ListViewSelectItem()
{
    UpdateWatchActions();
}

void TFrmNuvex::UpdateWatchActions()
{
    Pridej->setEnabled(false);
    Vratit->setEnabled(false);
    Zmenit->setEnabled(false);
    const QTreeWidgetItem* row = SelectedRow();
    if (!row)
        return;
    const int image = row->data(0, kImageRole).toInt();
    if (image == imgUnregistered)
        Pridej->setEnabled(true);
    if (image == imgChanged) {
        Vratit->setEnabled(true);
        Zmenit->setEnabled(true);
    }
}

void TFrmNuvex::PridejExecute()
{
    QTreeWidgetItem* selected = SelectedRow();
    if (!selected)
        return;
    const int position = ListView->indexOfTopLevelItem(selected);
    const QString name = selected->text(0);
    for (int i = 0; i < Phonebook->Count(); ++i) {
        const TRasPhonebookEntry& entry = Phonebook->Items(i);
        if (entry.Name != name)
            continue;
        const QString number = AuthoriseEntry(entry);
        if (QTreeWidgetItem* row = ListView->topLevelItem(position)) {
            row->setText(2, number);
            SetRowImage(row, imgInOrder);
        }
    }
}

void TFrmNuvex::ZmenitExecute()
{
    if (AskYesNo(kUpdateQuestion))
        PridejExecute();
}

void TFrmNuvex::VratitExecute()
{
    QTreeWidgetItem* selected = SelectedRow();
    if (!selected)
        return;
    const int position = ListView->indexOfTopLevelItem(selected);
    const QString name = selected->text(0);
    QString refusal;
    for (int i = 0; i < Phonebook->Count(); ++i) {
        TRasPhonebookEntry& entry = Phonebook->Items(i);
        if (entry.Name != name)
            continue;
        try {
            RestoreEntryNumber(entry);
        } catch (const ERevertRefused& refused) {
            refusal = QString::fromUtf8(refused.what());
            continue;
        }
        if (QTreeWidgetItem* row = ListView->topLevelItem(position)) {
            row->setText(1, GetEntryNumber(entry));
            SetRowImage(row, imgInOrder);
        }
    }
    UpdateWatchActions();
    ShowInformation(refusal.isEmpty() ? kRevertDone : refusal);
}

} // namespace nuvex
