#pragma once

// Playing the user in the program's windows: an action waits for the modal window of a
// type to run its loop and then acts in it; a watchdog ends any modal window that the test
// left open, so that no test hangs on a window nobody answers. The recorders catch what
// the program asks of the desktop (help, a browser) while they live.

#include "ui/HelpEngine.h"
#include "ui/ShellOpen.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
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

// A key pressed where the keyboard sends it: at target, from where an unhandled key goes
// up to its window.
inline void SendKey(QWidget* target, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// The help requests made while it lives.
struct HelpRequests : std::vector<THelpRequest>
{
    HelpRequests()
    {
        SetHelpRequestObserver([this](const THelpRequest& request) { push_back(request); });
    }
    ~HelpRequests() { SetHelpRequestObserver({}); }
    HelpRequests(const HelpRequests&) = delete;
    HelpRequests& operator=(const HelpRequests&) = delete;
};

// The addresses given to the desktop to open while it lives; each opens, or none does.
struct ShellOpens : std::vector<QUrl>
{
    explicit ShellOpens(bool opens = true)
    {
        SetShellOpenHandler([this, opens](const QUrl& url) {
            push_back(url);
            return opens;
        });
    }
    ~ShellOpens() { SetShellOpenHandler({}); }
    ShellOpens(const ShellOpens&) = delete;
    ShellOpens& operator=(const ShellOpens&) = delete;
};

} // namespace nuvex::test
