#pragma once

// TDlgFrekvence: the logged sessions of a day, a month or a year with their total time,
// and ShowFrekvence, which opens it.

#include "status/SessionStats.h"
#include "ui/FixedDialog.h"

#include <vector>

class QDateEdit;
class QLabel;
class QRadioButton;
class QTreeView;

namespace nuvex {

class TConListModel;

// Opens the window on today's sessions, modally, and releases it when it closes.
void ShowFrekvence();

// Client area 579 × 319. Every change of the date or of the mode recalculates the list
// from the log files; nothing is kept between recalculations.
class TDlgFrekvence : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TDlgFrekvence(QWidget* parent = nullptr);
    ~TDlgFrekvence() override;

    // Sets the date and recalculates, also when the field already held that date.
    void SetDate(const QDate& date);

    // Rebuilds the sessions, the list and the total. A log line whose start or end is not
    // a date leaves the list empty and the total as it was, and is reported in an error box.
    void Prepocitej();
    // The text of one cell, formatted only when the list draws it.
    QString ConListData(int index, int column) const;

    QLabel* Label1 = nullptr;
    QDateEdit* DateEdit = nullptr;
    QRadioButton* RbDen = nullptr;
    QRadioButton* RbMesic = nullptr;
    QRadioButton* RbRok = nullptr;
    QTreeView* ConList = nullptr;
    QLabel* TimeLabel = nullptr;
    TqnDialogButtons* qnDialogButtons1 = nullptr;

private:
    void CreateDateAndModes();
    void CreateList();
    void CreateTotalAndButtons();
    TStatsPeriod Period() const;
    void Recalculate();

    std::vector<TSessionRecord> Sessions;
    TConListModel* model_ = nullptr;
};

} // namespace nuvex
