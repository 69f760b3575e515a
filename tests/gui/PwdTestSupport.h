#pragma once

// The password manager's tests: its file dialogs answered, and a machine of its own.

#include "gui/MainWindowFixture.h"
#include "gui/UserActions.h"
#include "passwords/FileDialogs.h"
#include "passwords/PwdRecords.h"

#include <deque>
#include <optional>
#include <vector>

namespace nuvex::test {

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
