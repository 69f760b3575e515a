#include "MainWindowFixture.h"
#include "gui/UserActions.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "settings/Dlg_Setup.h"
#include "support/MessageBoxRecorder.h"
#include "support/Sandbox.h"
#include "ui/ContextHelp.h"
#include "ui/Dlg_About.h"
#include "ui/FormHelp.h"
#include "ui/HelpEngine.h"
#include "ui/HelpFile.h"
#include "ui/qnDialogButtons.h"

#include <QCheckBox>
#include <QFrame>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <memory>
#include <string>
#include <tuple>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

quint32 Packed(const QPoint& point)
{
    return static_cast<quint32>(static_cast<quint16>(point.x())) |
           static_cast<quint32>(static_cast<quint16>(point.y())) << 16;
}

// The settings dialog in small: a marked edit and an unmarked check box on a marked page,
// and an unmarked edit straight on the dialog.
class ContextHelpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetHelpRequestObserver([this](const THelpRequest& request) {
            requests.push_back(request);
            boxesBeforeRequest.push_back(boxes.calls.size());
        });
        MakeDialog(Qt::WindowFlags());
    }
    void TearDown() override
    {
        SetHelpRequestObserver({});
        SetApplicationHelpFile(u"Nuvex.hlp"_s);
    }

    void MakeDialog(Qt::WindowFlags extra)
    {
        dialog = std::make_unique<QDialog>(nullptr, Qt::Dialog | extra);
        dialog->setObjectName(u"DlgSetup"_s);
        dialog->setGeometry(100, 80, 384, 289);
        page = new QFrame(dialog.get());
        page->setObjectName(u"Tab95Sheet2"_s);
        page->setGeometry(8, 8, 300, 200);
        SetHelpContext(page, 5);
        autoPwd = new QLineEdit(page);
        autoPwd->setObjectName(u"AutoPwdEdit"_s);
        autoPwd->setGeometry(20, 30, 121, 21);
        SetHelpContext(autoPwd, 7);
        checkBox = new QCheckBox(u"&Automaticky se přihlašovat heslem"_s, page);
        checkBox->setObjectName(u"CheckBox1"_s);
        checkBox->setGeometry(20, 60, 200, 20);
        unmarked = new QLineEdit(dialog.get());
        unmarked->setObjectName(u"Unmarked"_s);
        unmarked->setGeometry(8, 240, 100, 21);
        help = new TContextHelp(dialog.get());
        dialog->show();
        QApplication::processEvents();
    }

    // F1 pressed with the focus on control; it reaches the dialog unless the control takes it.
    static void PressF1(QWidget* control)
    {
        control->setFocus();
        test::SendKey(control, Qt::Key_F1);
    }

    QStringList Macros() const
    {
        QStringList macros;
        for (const THelpRequest& request : requests)
            if (request.command == HELP_COMMAND)
                macros.append(request.macro);
        return macros;
    }

    test::Sandbox sandbox;
    test::MessageBoxRecorder boxes;
    std::vector<THelpRequest> requests;
    std::vector<size_t> boxesBeforeRequest;
    std::unique_ptr<QDialog> dialog;
    QFrame* page = nullptr;
    QLineEdit* autoPwd = nullptr;
    QCheckBox* checkBox = nullptr;
    QLineEdit* unmarked = nullptr;
    TContextHelp* help = nullptr;
};

TEST_F(ContextHelpTest, F1JumpsToThePrefixedTopicOfTheControlOrOfItsMarkedParent)
{
    PressF1(autoPwd);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, HELP_COMMAND);
    EXPECT_EQ(requests[0].owner, dialog.get());
    EXPECT_EQ(requests[0].helpFile, u"Nuvex.hlp"_s);
    EXPECT_EQ(requests[0].macro, uR"(JI("Nuvex.hlp","DlgSetup.AutoPwdEdit"))"_s);
    PressF1(checkBox); // unmarked: the topic of its marked parent

    help->SetPrefix(u"Nastaveni"_s);
    PressF1(autoPwd);
    help->SetUsePrefix(false);
    PressF1(autoPwd);
    EXPECT_EQ(Macros(), (QStringList{uR"(JI("Nuvex.hlp","DlgSetup.AutoPwdEdit"))"_s,
                                     uR"(JI("Nuvex.hlp","DlgSetup.Tab95Sheet2"))"_s,
                                     uR"(JI("Nuvex.hlp","Nastaveni.AutoPwdEdit"))"_s,
                                     uR"(JI("Nuvex.hlp","AutoPwdEdit"))"_s}));
}

TEST_F(ContextHelpTest, NothingMarkedDoesNothingOrOpensNoHelpTopicWithoutPrefix)
{
    PressF1(unmarked);
    EXPECT_TRUE(requests.empty());

    help->SetNoHelpTopic(u"Obecne"_s);
    PressF1(unmarked);
    EXPECT_EQ(Macros(), QStringList{uR"(JI("Nuvex.hlp","Obecne"))"_s});

    // Forced pop-up without a control: no position to send, so no HELP_SETPOPUP_POS.
    requests.clear();
    help->SetShowType(stPopup);
    PressF1(unmarked);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].macro, uR"(PI("Nuvex.hlp","Obecne"))"_s);
}

TEST_F(ContextHelpTest, SearchStopsAtTheOwnerAndIgnoresTheWindowBehindIt)
{
    QMainWindow mainWindow;
    mainWindow.setObjectName(u"FrmNuvex"_s);
    SetHelpContext(&mainWindow, 9);
    QDialog child(&mainWindow);
    child.setObjectName(u"DlgChangePwd"_s);
    auto* edit = new QLineEdit(&child);
    TContextHelp childHelp(&child);
    child.show();
    PressF1(edit);
    EXPECT_TRUE(requests.empty()) << requests.front().macro.toStdString();
}

TEST_F(ContextHelpTest, MenuItemTopicIsItsHelpContextOrZero)
{
    QAction plain(u"&Novinky"_s);
    QAction marked(u"Na&stavení"_s);
    SetHelpContext(&marked, 42);
    EXPECT_EQ(TContextHelp::MenuTopic(&plain), u"0"_s);
    EXPECT_EQ(TContextHelp::MenuTopic(&marked), u"42"_s);
    EXPECT_EQ(TContextHelp::MenuTopic(nullptr), u"0"_s);

    help->MenuHelpRequest(&plain);
    help->SetUsePrefix(false);
    help->MenuHelpRequest(&marked);
    EXPECT_EQ(Macros(), (QStringList{uR"(JI("Nuvex.hlp","DlgSetup.0"))"_s, uR"(JI("Nuvex.hlp","42"))"_s}));
}

TEST_F(ContextHelpTest, F1InAnOpenMenuAsksForTheHighlightedItemAndClosesTheMenu)
{
    auto* menu = new QMenu(dialog.get());
    QAction* item = menu->addAction(u"Na&stavení"_s);
    SetHelpContext(item, 1000);
    dialog->hide();
    dialog->show(); // the component picks up menus made after it when the form is shown
    menu->popup(dialog->mapToGlobal(QPoint(10, 10)));
    menu->setActiveAction(item);
    test::SendKey(menu, Qt::Key_F1);
    EXPECT_EQ(Macros(), QStringList{uR"(JI("Nuvex.hlp","DlgSetup.1000"))"_s});
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(ContextHelpTest, SecondaryWindowGoesIntoTheFileArgumentOnlyForTheHelpWindow)
{
    help->SetHelpWindow(u"okno"_s);
    help->SetShowType(stMain);
    PressF1(autoPwd);
    help->SetShowType(stPopup);
    PressF1(autoPwd);
    EXPECT_EQ(Macros(), (QStringList{uR"(JI("Nuvex.hlp>okno","DlgSetup.AutoPwdEdit"))"_s,
                                     uR"(PI("Nuvex.hlp","DlgSetup.AutoPwdEdit"))"_s}));

    // An explicit window name wins over HelpWindow.
    requests.clear();
    help->SetShowType(stDefault);
    help->ShowHelp(u"Alarm"_s, u"druhe"_s, false, 0);
    EXPECT_EQ(Macros(), QStringList{uR"(JI("Nuvex.hlp>druhe","DlgSetup.Alarm"))"_s});
}

TEST_F(ContextHelpTest, DefaultShowTypeFollowsTheTitleBarHelpButton)
{
    PressF1(autoPwd);
    EXPECT_EQ(Macros(), QStringList{uR"(JI("Nuvex.hlp","DlgSetup.AutoPwdEdit"))"_s});

    requests.clear();
    MakeDialog(Qt::WindowContextHelpButtonHint);
    PressF1(autoPwd);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, HELP_SETPOPUP_POS);
    EXPECT_EQ(requests[0].data, Packed(autoPwd->mapToGlobal(QPoint(0, 0))));
    EXPECT_NE(requests[0].data, 0u);
    EXPECT_EQ(requests[1].command, HELP_COMMAND);
    EXPECT_EQ(requests[1].macro, uR"(PI("Nuvex.hlp","DlgSetup.AutoPwdEdit"))"_s);

    // A click in "what's this" mode on the unmarked check box, passed up to the dialog.
    requests.clear();
    const QPoint inside(5, 5);
    QHelpEvent whatsThis(QEvent::WhatsThis, inside, checkBox->mapToGlobal(inside));
    QApplication::sendEvent(checkBox, &whatsThis);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].data, Packed(page->mapToGlobal(QPoint(0, 0))));
    EXPECT_EQ(requests[1].macro, uR"(PI("Nuvex.hlp","DlgSetup.Tab95Sheet2"))"_s);
}

TEST_F(ContextHelpTest, HelpFileNameGoesIntoTheMacroWithoutItsFolder)
{
    SetApplicationHelpFile(u"/usr/share/nuvex/Nuvex2.hlp"_s);
    PressF1(autoPwd);
    help->SetHelpfile(u"/opt/jinde/Jina.hlp"_s);
    PressF1(autoPwd);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].helpFile, u"/usr/share/nuvex/Nuvex2.hlp"_s);
    EXPECT_EQ(requests[0].macro, uR"(JI("Nuvex2.hlp","DlgSetup.AutoPwdEdit"))"_s);
    EXPECT_EQ(requests[1].helpFile, u"/opt/jinde/Jina.hlp"_s);
    EXPECT_EQ(requests[1].macro, uR"(JI("Jina.hlp","DlgSetup.AutoPwdEdit"))"_s);
}

TEST_F(ContextHelpTest, TestModeShowsTheTopicBeforeEveryRequestAndStillOpensHelp)
{
    help->SetTestMode(true);
    PressF1(autoPwd);
    PressF1(checkBox);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].kind, TMessageBoxCall::Kind::Information);
    EXPECT_EQ(boxes.calls[0].caption, u"Nuvex"_s);
    EXPECT_EQ(boxes.calls[0].text, u"TEST MODE ... jump destination is: DlgSetup.AutoPwdEdit"_s);
    EXPECT_EQ(boxes.calls[1].text, u"TEST MODE ... jump destination is: DlgSetup.Tab95Sheet2"_s);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(boxesBeforeRequest, (std::vector<size_t>{1, 2})); // each message came first
}

TEST_F(ContextHelpTest, OwnerMustBeAForm)
{
    const auto expectOwnerError = [](QWidget* owner) {
        try {
            TContextHelp component(owner);
            ADD_FAILURE() << "no EOwnerError";
        } catch (const EOwnerError& error) {
            EXPECT_STREQ(error.what(), "Class of the owner is not a TForm!");
        }
    };
    expectOwnerError(nullptr);
    expectOwnerError(page);
    QMenu menu;
    expectOwnerError(&menu);

    QMainWindow mainWindow;
    EXPECT_NO_THROW(TContextHelp{&mainWindow});
}

TEST_F(ContextHelpTest, LongMacroReachesTheEngineWhole)
{
    const QString prefix = QString(300, u'P');
    help->SetPrefix(prefix);
    PressF1(autoPwd);
    ASSERT_EQ(requests.size(), 1u);
    const QString expected = uR"(JI("Nuvex.hlp",")"_s + prefix + uR"(.AutoPwdEdit"))"_s;
    EXPECT_GT(expected.size(), 255);
    EXPECT_EQ(requests[0].macro, expected);
}

TEST_F(ContextHelpTest, ComponentDeletedBeforeItsOwnerLeavesF1Alone)
{
    delete help;
    PressF1(autoPwd);
    EXPECT_TRUE(requests.empty());
}

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
        qApp->installEventFilter(&helpKey);
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&helpKey);
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
        test::SendKey(control, Qt::Key_F1);
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
    test::HelpRequests requests;
};

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
    test::SendKey(menu, Qt::Key_F1);
    EXPECT_EQ(OpenedTopic(), "Menu");
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(FormHelp, WindowsWhoseTopicHasAnotherNameAreFoundByTheirHelpButton)
{
    TDlgPwdMh prompt;
    TDlgPwdRecord record;
    const std::tuple<QWidget*, TqnDialogButtons*, std::string, int> windows[] = {
        {prompt.PwdEdit, prompt.qnDialogButtons1, "MasterPassword", kHelpContextMasterPassword},
        {record.HesloEdit, record.qnDialogButtons1, "DlgPwdRecord", kHelpContextPwdRecord}};
    for (const auto& [control, bar, topic, context] : windows) {
        PressF1(control);
        EXPECT_EQ(OpenedTopic(), topic);
        requests.clear();
        bar->Button(bkHelp)->click();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].command, HELP_CONTEXT);
        EXPECT_EQ(requests[0].data, static_cast<quint32>(context));
    }

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

} // namespace
