#include "MainWindowFixture.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "settings/Dlg_Setup.h"
#include "ui/Dlg_About.h"
#include "ui/FormHelp.h"
#include "ui/HelpEngine.h"
#include "ui/HelpFile.h"
#include "ui/qnDialogButtons.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

// F1 and "Pomoc" in the program's windows, against the help file the build ships, with the
// help requests caught before they reach the viewer.
class FormHelp : public test::MainWindowFixture
{
protected:
    void SetUp() override
    {
        // The copy beside the test programs, taken by its path: the fixture moves the
        // program's folder into the sandbox.
        const QString shipped = GetAppDir() + u"Nuvex.hlp"_s;
        MainWindowFixture::SetUp();
        SetApplicationHelpFile(shipped);
        SetHelpRequestObserver([this](const THelpRequest& request) { requests.push_back(request); });
        qApp->installEventFilter(&helpKey);
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&helpKey);
        SetHelpRequestObserver({});
        SetApplicationHelpFile(u"Nuvex.hlp"_s);
        MainWindowFixture::TearDown();
    }

    // F1 as the keyboard delivers it: to the focused control of the active window.
    void PressF1(QWidget* control)
    {
        requests.clear();
        control->window()->show();
        control->window()->activateWindow();
        control->setFocus();
        QApplication::processEvents();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(control, &press);
    }
    // The topic the one request of the last F1 opened; "<obsah>" for the contents.
    std::string OpenedTopic() const
    {
        if (requests.size() != 1)
            return std::to_string(requests.size()) + " requests";
        if (requests[0].command == HELP_CONTENTS)
            return "<obsah>";
        EXPECT_EQ(requests[0].command, HELP_COMMAND);
        const QString prefix = u"JI(\"Nuvex.hlp\",\""_s;
        EXPECT_TRUE(requests[0].macro.startsWith(prefix)) << requests[0].macro.toStdString();
        return requests[0].macro.mid(prefix.size()).chopped(2).toStdString();
    }

    THelpKey helpKey;
    std::vector<THelpRequest> requests;
};

} // namespace

TEST_F(FormHelp, F1InTheSettingsOpensTheFocusedControlsTopicElseTheDialogs)
{
    TDlgSetup dialog;
    PressF1(dialog.AutoPwdEdit);
    EXPECT_EQ(OpenedTopic(), "DlgSetup.AutoPwdEdit");
    EXPECT_EQ(requests[0].owner, &dialog);
    PressF1(dialog.ChxAskClose);
    EXPECT_EQ(OpenedTopic(), "DlgSetup.ChxAskClose");
    // A button of the bar has no topic of its own: the bar's.
    PressF1(dialog.qnDialogButtons1->Button(bkOK));
    EXPECT_EQ(OpenedTopic(), "DlgSetup.qnDialogButtons1");
    // A control the help file does not know: the dialog's topic.
    auto* extra = new QLineEdit(&dialog);
    extra->setObjectName(u"NeznamyEdit"_s);
    extra->show();
    PressF1(extra);
    EXPECT_EQ(OpenedTopic(), "DlgSetup");
}

TEST_F(FormHelp, F1InTheMainWindowAndItsMenus)
{
    MakeWindow();
    PressF1(Access().LogMemo());
    EXPECT_EQ(OpenedTopic(), "FrmNuvex.LogMemo");
    PressF1(Access().ListView());
    EXPECT_EQ(OpenedTopic(), "FrmNuvex.ListView");

    // F1 on an open menu closes it and opens the menus' topic.
    QMenu* menu = window->menuBar()->actions().first()->menu();
    ASSERT_NE(menu, nullptr);
    menu->popup(window->mapToGlobal(QPoint(10, 10)));
    QApplication::processEvents();
    requests.clear();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(menu, &press);
    EXPECT_EQ(OpenedTopic(), "Menu");
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(FormHelp, WindowsWhoseTopicHasAnotherNameAreFoundByTheirHelpButton)
{
    TDlgPwdMh prompt;
    PressF1(prompt.PwdEdit);
    EXPECT_EQ(OpenedTopic(), "MasterPassword");
    requests.clear();
    prompt.qnDialogButtons1->Button(bkHelp)->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, HELP_CONTEXT);
    EXPECT_EQ(requests[0].data, static_cast<quint32>(kHelpContextMasterPassword));

    TDlgPwdRecord record;
    PressF1(record.HesloEdit);
    EXPECT_EQ(OpenedTopic(), "DlgPwdRecord");
    requests.clear();
    record.qnDialogButtons1->Button(bkHelp)->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, HELP_CONTEXT);
    EXPECT_EQ(requests[0].data, static_cast<quint32>(kHelpContextPwdRecord));

    // Both numbers name the windows' topics in the shipped file.
    const THelpFile file = THelpFile::Load(ApplicationHelpFilePath());
    EXPECT_EQ(file.FindContext(kHelpContextMasterPassword)->contextString, u"MasterPassword"_s);
    EXPECT_EQ(file.FindContext(kHelpContextPwdRecord)->contextString, u"DlgPwdRecord"_s);
}

TEST_F(FormHelp, AWindowTheHelpFileDoesNotKnowOpensTheContents)
{
    TAboutBox about;
    PressF1(&about);
    EXPECT_EQ(OpenedTopic(), "AboutBox");

    QWidget stranger;
    stranger.setObjectName(u"Neznamy"_s);
    auto* edit = new QLineEdit(&stranger);
    edit->setObjectName(u"Edit1"_s);
    PressF1(edit);
    EXPECT_EQ(OpenedTopic(), "<obsah>");

    // No help file at all: the contents command, which explains that in the viewer.
    SetApplicationHelpFile(QString::fromStdString((sandbox.dir() / "Chybi.hlp").string()));
    PressF1(edit);
    EXPECT_EQ(OpenedTopic(), "<obsah>");
}
