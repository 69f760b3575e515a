#pragma once

// TDlgPwdRecord: the dialog of one password record ("Záznam"), its four fields carrying
// the record's four fields. The password is shown in clear while it is edited.

#include "passwords/PwdRecords.h"
#include "ui/FixedDialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace nuvex {

class TDlgPwdRecord : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TDlgPwdRecord(QWidget* parent = nullptr);
    ~TDlgPwdRecord() override;

    // Empties the four fields.
    void ClearFields();
    // Fills the fields from a record.
    void SetRecord(const TPwdRecord& record);
    // The record the fields describe; each field cut to its room.
    TPwdRecord GetRecord() const;

    QLabel* Label1 = nullptr;
    QLineEdit* NazevEdit = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* UzNameEdit = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* HesloEdit = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* MemoEdit = nullptr;
    TqnDialogButtons* qnDialogButtons1 = nullptr;

private:
    struct FieldPlace
    {
        QString labelName;
        QString caption;
        QString editName;
        int top;
    };
    QLineEdit* AddLineField(QLabel*& label, const FieldPlace& place, TPwdField field);
};

} // namespace nuvex
