// The number watch on the main window and the user's three answers to its alarm.

#include "app/Frm_Main.h"
#include "app/WatchListRows.h"
#include "platform/RasService.h"
#include "ui/SysText.h"
#include "ui/qnForms.h"
#include "watch/NumberWatch.h"
#include "watch/RasError.h"
#include "watch/WatchActions.h"

#include <QAction>
#include <QTreeWidget>

namespace nuvex {

void TFrmNuvex::PhonebookChange(TRasBaseList&)
{
    // Files of the phonebook that cannot be read: said once each, the watch goes on.
    for (const std::string& notice : platform::ras::ActiveRasService().TakeNotices())
        AddLogLine(FromSys(notice));

    // What this check is decided from; the same inputs as a finished check's leave every
    // row as it is, so the entries are not read again.
    const auto inputsNow = [this](const TWatchPass& pass) {
        const QTreeWidgetItem* chosen = SelectedRow();
        return TCheckInputs{Phonebook->Generation(),
                            pass.Numbers(),
                            chosen,
                            ListView->currentItem(),
                            chosen ? chosen->text(0) : QString(),
                            session_.Fields().ConnName,
                            ListView->topLevelItemCount()};
    };
    const QTreeWidgetItem* selected = SelectedRow();
    TWatchPass pass(selected ? selected->text(0) : QString(), session_.Fields().ConnName);
    const TCheckInputs before = inputsNow(pass);
    std::optional<TAlarmDecision> decision = lastCheck_.Repeat(before);
    if (!decision) {
        bool everyEntryRead = true;
        unreadable_.BeginCheck();
        {
            // Rows are updated in place; only what differs from the last check is touched.
            TWatchListRows rows(*ListView, ImageList1);
            TRowSelector selector;
            for (int i = 0; i < Phonebook->Count(); ++i) {
                const TRasPhonebookEntry& entry = Phonebook->Items(i);
                TWatchRow row;
                try {
                    row = pass.Evaluate(entry.Name, GetEntryNumber(entry));
                } catch (const ERasError& error) {
                    everyEntryRead = false;
                    // Removed between the listing and the reading: the entry is gone.
                    if (error.ErrorCode == platform::ras::ERROR_CANNOT_FIND_PHONEBOOK_ENTRY)
                        continue;
                    // One entry the service cannot read must not hide the others, nor itself.
                    row = pass.EvaluateUnreadable(entry.Name);
                    if (unreadable_.Unreadable(entry.Name))
                        AddLogLine(
                            QStringLiteral("Připojení „%1“ nelze přečíst (%2): považuji je za změněné.")
                                .arg(entry.Name, error.Message().simplified()));
                }
                rows.Add(row);
                rows.Select(selector.AddRow(entry.Name, pass.NameToSelect()));
            }
        }
        unreadable_.EndCheck();
        decision = pass.Decision();
        if (everyEntryRead)
            lastCheck_.Remember(before, inputsNow(pass), *decision);
        else
            lastCheck_.Forget();
    }
    // The selected row may be the same with another picture.
    UpdateWatchActions();

    // A damaged file is named once; the watch goes on with what could be read.
    for (const QString& problem :
         DamageNotices.Fresh({TCheckNumberStore::Problem(), FromSys(platform::ras::PhonebookProblem()),
                              FromSys(platform::ras::ConnectionsProblem())}))
        AddLogLine(problem);

    const TAlarmOutcome outcome = DecideAlarm(*decision, AlarmRaised);
    if (!outcome.LogLine.isEmpty())
        AddLogLine(outcome.LogLine);
    if (outcome.ShowWindow)
        UkazAppExecute();
    AlarmRaised = outcome.AlarmRaised;
}

QTreeWidgetItem* TFrmNuvex::SelectedRow() const
{
    const auto selected = ListView->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TFrmNuvex::SetRowImage(QTreeWidgetItem* item, int image)
{
    // A row set by hand is no longer what the last check left.
    lastCheck_.Forget();
    TWatchListRows::SetImage(*item, image, ImageList1);
}

int TFrmNuvex::RowImage(int row) const
{
    const QTreeWidgetItem* item = ListView->topLevelItem(row);
    return item ? item->data(0, kRowImageRole).toInt() : -1;
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
    const int image = row->data(0, kRowImageRole).toInt();
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
