#pragma once

// Playing the user in the password manager's modal windows: an action waits for the modal
// window of a type to run its loop and then acts in it; a watchdog ends any modal window
// that the test left open, so that no test hangs on a window nobody answers.

#include "passwords/FileDialogs.h"
#include "passwords/PwdRecords.h"
#include "settings/uOptions.h"
#include "support/MessageBoxRecorder.h"
#include "support/Sandbox.h"
#include "ui/AppDir.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace nuvex::test {

// Acts in the next modal window of type T, once its modal loop runs.
template <typename T> void WhenModal(std::function<void(T&)> act)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    const QDeadlineTimer deadline(30000); // key derivations take a while on a loaded machine
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, deadline, act = std::move(act)] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (!window) {
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " appeared";
            return;
        }
        act(*window);
    });
    timer->start();
}

// Ends every modal window still open after a while, failing the test.
class ModalWatchdog
{
public:
    ModalWatchdog()
    {
        timer_.setInterval(10000);
        QObject::connect(&timer_, &QTimer::timeout, qApp, [] {
            while (QWidget* window = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a modal window was left open: " << window->objectName().toStdString();
                if (auto* dialog = qobject_cast<QDialog*>(window))
                    dialog->done(0);
                else
                    window->close();
            }
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

template <typename T> T* Field(QWidget& window, const char* name)
{
    T* field = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(field, nullptr) << name;
    return field;
}

// Types into a line field as the user would: through the field's validator and limit.
inline void Type(QWidget& window, const char* name, const QString& text)
{
    if (auto* edit = Field<QLineEdit>(window, name)) {
        edit->clear();
        edit->insert(text);
    }
}

// Presses a button of the window's button bar: "OK", "Storno"...
inline void Press(QWidget& window, const QString& caption)
{
    QPushButton* button = window.findChild<QPushButton*>(QStringLiteral("Button") + caption);
    ASSERT_NE(button, nullptr) << caption.toStdString();
    button->click();
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

// An emulated machine with options and a program folder of its own.
class PwdFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(sandbox.dir() / "program");
        SetAppDirForTesting(ProgramDir());
        ASSERT_TRUE(CreateOptions().isEmpty());
    }
    void TearDown() override
    {
        DestroyOptions();
        SetAppDirForTesting(QString());
    }

    QString ProgramDir() const { return QString::fromStdString((sandbox.dir() / "program").string()) + u'/'; }
    QString PwdFile() const { return ProgramDir() + kPwdFileName; }
    TPwdRecords SavedRecords() const
    {
        TPwdRecords records;
        EXPECT_TRUE(LoadRecords(records, PwdFile()));
        return records;
    }

    Sandbox sandbox;
    MessageBoxRecorder boxes;
    ModalWatchdog watchdog;
};

} // namespace nuvex::test
