#include "MainWindowFixture.h"
#include "gui/PwdTestSupport.h"
#include "passwords/MasterPassword.h"
#include "settings/AutoStart.h"
#include "settings/Dlg_Setup.h"
#include "support/FileBytes.h"
#include "ui/Dlg_About.h"
#include "ui/qnDialogButtons.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <filesystem>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

class SettingsDialog : public test::MainWindowFixture
{
protected:
    QStringList ValueLines() const
    {
        const std::filesystem::path file =
            platform::registry::RootFile(platform::registry::Root::CurrentUser);
        QStringList lines;
        for (const QByteArray& line : test::ReadBytes(file).split('\n'))
            if (line.startsWith('"'))
                lines.append(QString::fromUtf8(line.trimmed()));
        return lines;
    }
};

} // namespace

TEST_F(SettingsDialog, WithNothingStoredShowsTheDefaults)
{
    TDlgSetup dialog;
    EXPECT_EQ(dialog.windowTitle(), u"Nastavení"_s);
    EXPECT_EQ(dialog.size(), QSize(384, 289));
    EXPECT_EQ(dialog.Page95Control1->tabPosition(), QTabWidget::East);
    EXPECT_EQ(dialog.Page95Control1->tabText(0), u"Potvrzování"_s);
    EXPECT_EQ(dialog.Page95Control1->tabText(1), u"Chování"_s);
    EXPECT_EQ(dialog.Page95Control1->currentWidget(), dialog.Tab95Sheet2); // "Chování" first
    EXPECT_FALSE(dialog.ChxAskClose->isChecked());
    EXPECT_FALSE(dialog.ChxAskDeleteRecords->isChecked());
    EXPECT_FALSE(dialog.ChxAppHide->isChecked());
    EXPECT_TRUE(dialog.RbBytesRec->isChecked());
    EXPECT_FALSE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.AutoPwdEdit->text(), QString());
    EXPECT_EQ(dialog.AutoPwdEdit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dialog.AutoPwdEdit->isEnabled());
    EXPECT_EQ(dialog.qnDialogButtons1->HelpContext(), 1000);
    EXPECT_NE(dialog.qnDialogButtons1->Button(bkOK), nullptr);
    EXPECT_NE(dialog.qnDialogButtons1->Button(bkCancel), nullptr);
    EXPECT_NE(dialog.qnDialogButtons1->Button(bkHelp), nullptr);
}

TEST_F(SettingsDialog, ShowsTheStoredValuesAsTheyAre)
{
    Options->SetConfirmQuit(false);
    Options->SetHideAtStart(false);
    Options->SetAutoPassword(u"tajné"_s);
    SetWhatShow(2);
    TDlgSetup dialog;
    EXPECT_TRUE(dialog.ChxAskClose->isChecked());
    EXPECT_TRUE(dialog.ChxAppHide->isChecked());
    EXPECT_FALSE(dialog.ChxAskDeleteRecords->isChecked());
    EXPECT_TRUE(dialog.RbConnTime->isChecked());
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.AutoPwdEdit->text(), u"tajné"_s);
}

TEST_F(SettingsDialog, OkWritesEveryOptionInOrderAndCancelNothing)
{
    {
        TDlgSetup dialog;
        dialog.ChxAskClose->setChecked(true);
        dialog.done(mrCancel);
    }
    EXPECT_EQ(ValueLines(), QStringList{u"\"Installed\"=dword:00000001"_s});

    TDlgSetup dialog;
    dialog.done(mrOk); // no change: all five are written with their values
    EXPECT_EQ(ValueLines(),
              (QStringList{u"\"Installed\"=dword:00000001"_s, u"\"AppHideAfterStart\"=dword:00000000"_s,
                           u"\"AskBeforeQuit\"=dword:00000000"_s, u"\"WhatShowInStatusBar\"=dword:00000000"_s,
                           u"\"AskBeforeDeletePwd\"=dword:00000000"_s, u"\"AutoPwd\"=\"\""_s}));
}

TEST_F(SettingsDialog, AutomaticLoginStoresTheFieldOnlyWhenChecked)
{
    {
        TDlgSetup dialog;
        dialog.CheckBox1->setChecked(true); // checked, but the field is empty
        dialog.done(mrOk);
    }
    EXPECT_EQ(Options->AutoPassword(), QString());
    {
        TDlgSetup dialog;
        EXPECT_FALSE(dialog.CheckBox1->isChecked());
        dialog.CheckBox1->setChecked(true);
        dialog.AutoPwdEdit->setText(u"heslo"_s);
        dialog.done(mrOk);
    }
    EXPECT_EQ(Options->AutoPassword(), u"heslo"_s);
    {
        TDlgSetup dialog;
        dialog.CheckBox1->setChecked(false); // the field still holds text
        dialog.done(mrOk);
    }
    EXPECT_EQ(Options->AutoPassword(), QString());
}

TEST_F(SettingsDialog, AStatusBarChoiceOutsideTheRangeIsShownAsBytesAndStoredAsZero)
{
    Options->SetStatusBarFigure(7);
    DestroyOptions();
    ASSERT_TRUE(CreateOptions().isEmpty());
    ASSERT_EQ(GetWhatShow(), 7);
    TDlgSetup dialog;
    EXPECT_TRUE(dialog.RbBytesRec->isChecked());
    dialog.done(mrOk);
    EXPECT_EQ(GetWhatShow(), 0);
    EXPECT_EQ(Options->StatusBarFigure(), 0);
}

TEST_F(SettingsDialog, ShowSetupTellsWhetherOkClosedIt)
{
    test::WhenModal<QWidget>(
        [](QWidget& dialog) { dialog.findChild<TqnDialogButtons*>()->Button(bkOK)->click(); });
    EXPECT_TRUE(ShowSetup());
    test::WhenModal<QWidget>([](QWidget& dialog) { test::SendKey(&dialog, Qt::Key_Escape); });
    EXPECT_FALSE(ShowSetup());
}

TEST(ShellOpening, PassesALongAddressWhole)
{
    test::ShellOpens opened;
    const QString address = u"https://nuvex.example.org/"_s + QString(200, u'a') + u"?q=1"_s;
    ShellOpen(address, QString(), QString(), SW_SHOW);
    ShellOpen(u"mailto:nuvex@example.org"_s, QString(), QString(), SW_SHOW);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toString(), address);
    EXPECT_EQ(opened[1].scheme(), u"mailto"_s);
    EXPECT_EQ(opened[1].path(), u"nuvex@example.org"_s);
}

// With no browser or mail program set up, the user learns it, in Czech, with the address.
TEST(ShellOpening, AnAddressNothingCouldOpenIsNamedInAMessageBox)
{
    test::MessageBoxRecorder boxes;
    {
        test::ShellOpens refused(false);
        ShellOpen(u"https://nuvex.example.org/"_s, QString(), QString(), SW_SHOW);
        TAboutBox about;
        about.RxLabel4Click();
    }
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].caption, u"Informace..."_s);
    EXPECT_EQ(boxes.calls[0].text,
              u"Adresu „https://nuvex.example.org/“ se nepodařilo otevřít: v systému není "
              u"nastaven žádný program (webový prohlížeč), který by ji otevřel."_s);
    EXPECT_EQ(boxes.calls[1].text,
              u"Zprávu na adresu „nuvex@example.org“ se nepodařilo otevřít: v systému není "
              u"nastaven žádný poštovní program, který by ji otevřel."_s);

    // An address that opens brings no box.
    test::ShellOpens opened;
    ShellOpen(u"https://nuvex.example.org/"_s, QString(), QString(), SW_SHOW);
    EXPECT_EQ(boxes.calls.size(), 2u);
}

TEST(AboutWindow, TheMailAddressHasRoomInsideThePanel)
{
    TAboutBox box;
    const QWidget* panel = box.RxLabel4->parentWidget();
    const QRect address = box.RxLabel4->geometry();
    EXPECT_GE(address.width(), box.RxLabel4->fontMetrics().horizontalAdvance(u"nuvex@example.org"_s));
    EXPECT_LE(address.right(), panel->contentsRect().right());
    EXPECT_LT(box.RxLabel3->geometry().right(), address.left());
    EXPECT_LE(panel->geometry().right(), box.width());
}

TEST(AboutWindow, ShowsItsTextsOpensAMailAndClosesWithEnter)
{
    test::ShellOpens opened;
    bool checked = false;
    test::WhenModal<TAboutBox>([&checked](TAboutBox& box) {
        checked = true;
        EXPECT_EQ(box.windowTitle(), u"O programu"_s);
        EXPECT_EQ(box.size(), QSize(298, 158));
        EXPECT_EQ(box.RxLabel2->text(), u"Nuvex - hlídač telefonického připojení"_s);
        EXPECT_EQ(box.RxLabel3->text(), u"Vývojáři programu Nuvex"_s);
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, box.RxLabel4->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, box.RxLabel4->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(box.RxLabel4, &press);
        QApplication::sendEvent(box.RxLabel4, &release);
        test::SendKey(&box, Qt::Key_Return);
    });
    ShowAboutBox();
    EXPECT_TRUE(checked);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), u"mailto:nuvex@example.org"_s);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(SettingsDialog, AMasterPasswordChangedStaysWhenTheDialogIsCancelled)
{
    Options->SetAutoPassword(u"staré"_s);
    TDlgSetup dialog;
    const QStringList before = ValueLines();
    test::AnswerChangePwd(QString(), u"nové heslo"_s, u"nové heslo"_s);
    dialog.Button1->click();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, u"Nové heslo bylo uloženo."_s);
    EXPECT_TRUE(CheckMasterPassword(*Options, u"nové heslo"_s));
    dialog.done(mrCancel);
    EXPECT_TRUE(CheckMasterPassword(*Options, u"nové heslo"_s));
    EXPECT_EQ(Options->AutoPassword(), u"staré"_s); // untouched
    QStringList after = ValueLines();
    after.removeIf([](const QString& line) { return line.startsWith(u"\"PwdVerifier\""_s); });
    EXPECT_EQ(after, before);

    // A wrong old password and mismatched new entries give their messages and store nothing.
    test::AnswerChangePwd(u"špatné"_s, u"x"_s, u"x"_s);
    dialog.Button1->click();
    EXPECT_EQ(boxes.calls.back().text, u"Chybné původní heslo. Nové heslo nebylo uloženo."_s);
    test::AnswerChangePwd(u"nové heslo"_s, u"a"_s, u"b"_s);
    dialog.Button1->click();
    EXPECT_EQ(boxes.calls.back().text, u"Nové heslo bylo zadáno chybně (musí být zadáno 2x shodně)."_s);
    EXPECT_TRUE(CheckMasterPassword(*Options, u"nové heslo"_s));
}

TEST_F(SettingsDialog, TheAutomaticLoginPasswordStaysInThePerUserFileAndTheDialogSaysSo)
{
    // The options live in the machine-wide file, which every user may read.
    const std::string machine = platform::registry::RootFile(platform::registry::Root::LocalMachine);
    const std::string user = platform::registry::RootFile(platform::registry::Root::CurrentUser);
    DestroyOptions();
    std::filesystem::create_directories(std::filesystem::path(machine).parent_path());
    test::WriteBytes(QString::fromStdString(machine),
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Quorin Software\\Nuvex]\r\n");
    ASSERT_TRUE(CreateOptions().isEmpty());
    ASSERT_EQ(Options->RootKey, platform::registry::Root::LocalMachine);
    {
        TDlgSetup dialog;
        dialog.show();
        auto* note = dialog.findChild<QLabel*>(u"AutoPwdNote"_s);
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->isVisible());
        EXPECT_TRUE(note->text().contains(u"soubor"_s));
        // One line, inside its page.
        EXPECT_LE(note->sizeHint().height(), 2 * note->fontMetrics().height());
        EXPECT_LE(note->sizeHint().width(), dialog.Tab95Sheet2->width());
        dialog.CheckBox1->setChecked(true);
        dialog.AutoPwdEdit->setText(u"Tajné heslo"_s);
        dialog.done(mrOk);
    }
    const auto bytes = [](const std::string& path) {
        return test::ReadBytes(std::filesystem::path(path));
    };
    EXPECT_FALSE(bytes(machine).contains("Tajn")) << bytes(machine).toStdString();
    EXPECT_TRUE(bytes(user).contains("Tajné heslo"));
    EXPECT_EQ(std::filesystem::status(user).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    TDlgSetup again;
    EXPECT_EQ(again.AutoPwdEdit->text(), u"Tajné heslo"_s);
    EXPECT_TRUE(again.CheckBox1->isChecked());
}

TEST_F(SettingsDialog, TheAutostartBoxWritesAndRemovesTheFileThatStartsThisProgram)
{
    const QString file = AutoStartFile();
    const auto execLine = [&file] {
        for (const QByteArray& line : test::ReadBytes(file).split('\n'))
            if (line.startsWith("Exec="))
                return QString::fromUtf8(line.mid(5));
        return QString();
    };
    {
        TDlgSetup dialog;
        EXPECT_EQ(dialog.ChxAutoStart->text(), u"&Spouštět po přihlášení"_s);
        EXPECT_EQ(dialog.ChxAutoStart->parentWidget(), dialog.Tab95Sheet2); // page "Chování"
        EXPECT_FALSE(dialog.ChxAutoStart->isChecked());
        dialog.ChxAutoStart->setChecked(true);
        dialog.done(mrCancel);
    }
    EXPECT_FALSE(QFile::exists(file));
    {
        TDlgSetup dialog;
        dialog.ChxAutoStart->setChecked(true);
        dialog.done(mrOk);
    }
    ASSERT_TRUE(QFile::exists(file));
    // The running program: here the test program itself.
    EXPECT_EQ(execLine(), DesktopExecArgument(QString::fromStdString(platform::ProgramFile())));
    EXPECT_TRUE(execLine().endsWith(u"nuvex_gui_tests"_s)) << execLine().toStdString();
    {
        TDlgSetup dialog;
        EXPECT_TRUE(dialog.ChxAutoStart->isChecked());
        dialog.ChxAutoStart->setChecked(false);
        dialog.done(mrOk);
    }
    EXPECT_FALSE(QFile::exists(file));
    TDlgSetup dialog;
    EXPECT_FALSE(dialog.ChxAutoStart->isChecked());
}

TEST_F(SettingsDialog, TheBehaviourPageKeepsItsOptionsInOrderAndEveryOneFits)
{
    TDlgSetup dialog;
    dialog.show();
    QApplication::processEvents();
    const QList<QWidget*> order{dialog.ChxAutoStart, dialog.ChxAppHide, dialog.RbBytesRec, dialog.RbConnSpeed,
                                dialog.RbConnTime,   dialog.CheckBox1,  dialog.Button1};
    for (qsizetype index = 0; index < order.size(); ++index) {
        QWidget* widget = order[index];
        const QRect inPage(widget->mapTo(dialog.Tab95Sheet2, QPoint()), widget->size());
        EXPECT_TRUE(dialog.Tab95Sheet2->rect().contains(inPage)) << widget->objectName().toStdString();
        EXPECT_GE(widget->width(), widget->sizeHint().width()) << widget->objectName().toStdString();
        if (index > 0) {
            EXPECT_GT(widget->y(), order[index - 1]->y()) << widget->objectName().toStdString();
        }
    }
}
