#pragma once

// The password manager's tests: its file dialogs answered, and a machine of its own.

#include "gui/MainWindowFixture.h"
#include "gui/UserActions.h"
#include "passwords/Dlg_ChangePwd.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "passwords/FileDialogs.h"
#include "passwords/PwdRecords.h"

#include <QPlainTextEdit>
#include <deque>
#include <optional>
#include <vector>

namespace nuvex::test {

// Fills the next password change dialog and closes it with the button; an empty old
// password leaves its field alone.
inline void AnswerChangePwd(const QString& old, const QString& new1, const QString& new2,
                            const QString& button = QStringLiteral("OK"))
{
    WhenModal<TDlgChangePwd>([=](TDlgChangePwd& dialog) {
        if (!old.isEmpty())
            Type(dialog, "OldPwdEdit", old);
        Type(dialog, "NewPwdEdit1", new1);
        Type(dialog, "NewPwdEdit2", new2);
        Press(dialog, button);
    });
}

// Types the password into the next prompt and closes it with the button.
inline void AnswerPrompt(const QString& password, const QString& button = QStringLiteral("OK"))
{
    WhenModal<TDlgPwdMh>([=](TDlgPwdMh& dialog) {
        Type(dialog, "PwdEdit", password);
        Press(dialog, button);
    });
}

// Fills the next record dialog and closes it with the button.
inline void AnswerRecordDialog(const QString& nazev, const QString& uzName, const QString& heslo,
                               const QString& note, const QString& button = QStringLiteral("OK"))
{
    WhenModal<TDlgPwdRecord>([=](TDlgPwdRecord& dialog) {
        Type(dialog, "NazevEdit", nazev);
        Type(dialog, "UzNameEdit", uzName);
        Type(dialog, "HesloEdit", heslo);
        dialog.MemoEdit->setPlainText(note);
        Press(dialog, button);
    });
}

// The answers of the file dialogs, and what they were asked.
class FileDialogRecorder
{
public:
    FileDialogRecorder()
    {
        SetFileDialogAnswerer([this](const TFileDialog& dialog) -> std::optional<QString> {
            asked.push_back(dialog);
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected file dialog " << dialog.title.toStdString();
                return std::nullopt;
            }
            std::optional<QString> answer = answers.front();
            answers.pop_front();
            return answer;
        });
        SetFileFilterAnswerer([this](const TFileDialog&) {
            if (filters.empty())
                return 0;
            const int filter = filters.front();
            filters.pop_front();
            return filter;
        });
    }
    ~FileDialogRecorder()
    {
        SetFileDialogAnswerer({});
        SetFileFilterAnswerer({});
    }
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

    std::deque<std::optional<QString>> answers;
    // The filter chosen in each answered dialog; the first one when none is left.
    std::deque<int> filters;
    std::vector<TFileDialog> asked;
};

// An emulated machine with options and a program folder of its own (no main window).
class PwdFixture : public MachineFixture
{
protected:
    QString ProgramDir() const { return QString::fromStdString((sandbox.dir() / "program").string()) + u'/'; }
    QString PwdFile() const { return ProgramDir() + kPwdFileName; }
    TPwdRecords SavedRecords() const
    {
        TPwdRecords records;
        EXPECT_TRUE(LoadRecords(records, PwdFile()));
        return records;
    }

    ModalWatchdog watchdog;
};

} // namespace nuvex::test
