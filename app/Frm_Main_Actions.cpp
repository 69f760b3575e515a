// The main window's action table and its menus: every command of the program.

#include "app/Frm_Main.h"
#include "app/MainImages.h"
#include "app/Startup.h"
#include "app/TrayMenu.h"
#include "news/Dlg_Novinky.h"
#include "news/Dm_ic.h"
#include "passwords/PwdManagerGate.h"
#include "settings/Dlg_Setup.h"
#include "status/Dlg_Frekvence.h"
#include "ui/Dlg_About.h"
#include "ui/HelpEngine.h"
#include "ui/ShellOpen.h"
#include "ui/qnForms.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace nuvex {

QAction* TFrmNuvex::MakeAction(const char* name, const QString& caption, const QString& hint, int image,
                               void (TFrmNuvex::*handler)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setStatusTip(hint);
        action->setToolTip(hint);
    }
    if (image >= 0)
        action->setIcon(ImageList1.at(static_cast<std::size_t>(image)));
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { RunAction(handler); });
    return action;
}

void TFrmNuvex::CreateActions()
{
    Pridej = MakeAction("Pridej", QStringLiteral("Př&idej"), QStringLiteral("Autorizuje nové připojení"), -1,
                        &TFrmNuvex::PridejExecute);
    Vratit =
        MakeAction("Vratit", QStringLiteral("&Vrať"), QStringLiteral("Přepíše aktivní číslo zpět kontrolním"),
                   -1, &TFrmNuvex::VratitExecute);
    Zmenit = MakeAction("Zmenit", QStringLiteral("&Aktualizuj"),
                        QStringLiteral("Nastaví změněné číslo jako bezpečné"), -1, &TFrmNuvex::ZmenitExecute);
    UkazApp = MakeAction("UkazApp", QStringLiteral("&Ukázat okno"), QStringLiteral("Zobrazí okno aplikace"),
                         kImageShowWindow, &TFrmNuvex::UkazAppExecute);
    CloseApp =
        MakeAction("CloseApp", QStringLiteral("&Konec"), QStringLiteral("Konec sledování, aplikace se vypne"),
                   kImageQuit, &TFrmNuvex::CloseAppExecute);
    GoHomePage = MakeAction("GoHomePage", QStringLiteral("&WWW"),
                            QStringLiteral("Otevře domovskou stránku programu na WWW"), kImageHomePage,
                            &TFrmNuvex::GoHomePageExecute);
    About = MakeAction("About", QStringLiteral("&O programu..."), QStringLiteral("Informace o autorech"),
                       kImageAbout, &TFrmNuvex::AboutExecute);
    IUpdate = MakeAction("IUpdate", QStringLiteral("&Internet update"),
                         QStringLiteral("Podívá se na WWW, zda není nová verze a popř. provede aktulizaci"),
                         kImageUpdate, &TFrmNuvex::IUpdateExecute);
    Napoveda = MakeAction("Napoveda", QStringLiteral("&Pomoc"), QString(), -1, &TFrmNuvex::NapovedaExecute);
    Novinky = MakeAction("Novinky", QStringLiteral("&Novinky"), QString(), -1, &TFrmNuvex::NovinkyExecute);
    VypisPripojeni =
        MakeAction("VypisPripojeni", QStringLiteral("Časy a &frekvence"),
                   QStringLiteral("Výpis připojení v daném období"), -1, &TFrmNuvex::VypisPripojeniExecute);
    Nastaveni =
        MakeAction("Nastaveni", QStringLiteral("Na&stavení"), QString(), -1, &TFrmNuvex::NastaveniExecute);
    PwdManager = MakeAction("PwdManager", QStringLiteral("&Manažer hesel"), QStringLiteral("Manažer hesel"),
                            kImagePasswordManager, &TFrmNuvex::PwdManagerExecute);
}

void TFrmNuvex::CreateMenus()
{
    QMenuBar* mainMenu = menuBar();
    mainMenu->setObjectName(QStringLiteral("MainMenu1"));

    PripojeniMenu = mainMenu->addMenu(QStringLiteral("Př&ipojení"));
    PripojeniMenu->addAction(Pridej);
    PripojeniMenu->addAction(Zmenit);
    PripojeniMenu->addAction(Vratit);

    QMenu* statistika = mainMenu->addMenu(QStringLiteral("&Statistika"));
    statistika->addAction(VypisPripojeni);

    QMenu* nastroje = mainMenu->addMenu(QStringLiteral("&Nástroje"));
    nastroje->menuAction()->setStatusTip(QStringLiteral("Seznam nástrojů pro práci s www"));
    nastroje->addAction(PwdManager);

    QMenu* ostatni = mainMenu->addMenu(QStringLiteral("&Ostatní"));
    ostatni->addAction(Novinky);
    ostatni->addAction(GoHomePage);
    ostatni->addAction(IUpdate);
    ostatni->addAction(Nastaveni);
    ostatni->addSeparator();
    ostatni->addAction(About);

    // A menu bar shows an action's picture instead of its caption: the top-level item is
    // a captioned stand-in for the quit action.
    QAction* konec = mainMenu->addAction(CloseApp->text());
    konec->setObjectName(QStringLiteral("Konec1"));
    konec->setStatusTip(CloseApp->statusTip());
    connect(konec, &QAction::triggered, CloseApp, &QAction::trigger);
    mainMenu->addAction(Napoveda); // the item Pomoc1
    RightJustifyMenuItem(mainMenu, Napoveda);

    PopupMenu = new TMarginMenu(this);
    PopupMenu->addAction(UkazApp);
    PopupMenu->addAction(GoHomePage);
    PopupMenu->addAction(IUpdate);
    PopupMenu->addAction(PwdManager);
    PopupMenu->addSeparator();
    PopupMenu->addAction(About);
    PopupMenu->addSeparator();
    PopupMenu->addAction(CloseApp);
    connect(PopupMenu, &QMenu::hovered, this,
            [this](QAction* action) { AppEvents1Hint(action->statusTip()); });
}

void TFrmNuvex::NapovedaExecute()
{
    ApplicationHelpCommand(HELP_CONTENTS, 0);
}

void TFrmNuvex::GoHomePageExecute()
{
    ShellOpen(kHomePage, QString(), QString(), SW_SHOW);
}

void TFrmNuvex::AboutExecute()
{
    ShowAboutBox();
}

void TFrmNuvex::NastaveniExecute()
{
    ShowSetup();
}

void TFrmNuvex::VypisPripojeniExecute()
{
    ShowFrekvence();
}

void TFrmNuvex::PwdManagerExecute()
{
    // The master-password gate opens the manager when it passes.
    nuvex::PwdManagerExecute();
}

void TFrmNuvex::IUpdateExecute()
{
    if (TDm* dm = TDm::Current())
        dm->InternetUpdate();
}

void TFrmNuvex::NovinkyExecute()
{
    bool show = true;
    ShowNewsWindow(show, kProductTitle, News);
}

} // namespace nuvex
