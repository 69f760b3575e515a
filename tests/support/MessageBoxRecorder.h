#pragma once

// Answers the program's message boxes in a test, in the user's place, and records each
// box's caption and text. Yes/no boxes take their answers from a queue; a box that finds
// the queue empty fails the test.

#include "ui/qnForms.h"

#include <QApplication>
#include <QMessageBox>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace nuvex::test {

class MessageBoxRecorder
{
public:
    MessageBoxRecorder()
    {
        SetMessageBoxAnswerer([this](const TMessageBoxCall& call) {
            calls.push_back(call);
            if (call.kind != TMessageBoxCall::Kind::YesNo)
                return false;
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected question: " << call.text.toStdString();
                return false;
            }
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxAnswerer({}); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void Answer(bool yes) { answers.push_back(yes); }

    std::vector<TMessageBoxCall> calls;
    std::deque<bool> answers;
};

// The text of the message box left open without holding anything up (the error box),
// closed as a user would; empty when none is open.
inline QString TakeOpenMessageBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
        return {};
    const QString text = box->text();
    box->accept();
    QApplication::processEvents();
    return text;
}

} // namespace nuvex::test
