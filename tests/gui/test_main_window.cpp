#include "MainWindowFixture.h"
#include "app/TrayMenu.h"
#include "gui/UserActions.h"
#include "news/Dm_ic.h"
#include "status/SessionLog.h"
#include "ui/IniFile.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include <QWindow>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

class MainWindow : public test::MainWindowFixture
{
protected:
    static QStringList Texts(const QList<QAction*>& actions)
    {
        QStringList texts;
        for (const QAction* action : actions)
            texts.append(action->isSeparator() ? u"-"_s : action->text());
        return texts;
    }
    QMenu* TopMenu(int index) const { return window->menuBar()->actions().at(index)->menu(); }
    int quits = 0;
    void CountQuits()
    {
        QObject::connect(window.get(), &TFrmNuvex::QuitConfirmed, window.get(), [this] { ++quits; });
    }
};

} // namespace

TEST_F(MainWindow, MenusHoldEveryCommandInItsPlace)
{
    MakeWindow();
    EXPECT_EQ(window->windowTitle(), u"NUVEX - hlídač telefonického připojení sítě"_s);
    EXPECT_EQ(Texts(window->menuBar()->actions()),
              (QStringList{u"Př&ipojení"_s, u"&Statistika"_s, u"&Nástroje"_s, u"&Ostatní"_s, u"&Konec"_s}));
    auto* corner = qobject_cast<QMenuBar*>(window->menuBar()->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->actions(), QList<QAction*>{Access().Napoveda()}); // "&Pomoc" at the right edge
    int quitsFromMenu = 0;
    QObject::connect(Access().CloseApp(), &QAction::triggered, window.get(), [&] { ++quitsFromMenu; });
    CountQuits();
    Options->SetConfirmQuit(false);
    window->menuBar()->actions().at(4)->trigger(); // "&Konec" runs the quit action
    EXPECT_EQ(quitsFromMenu, 1);
    EXPECT_EQ(quits, 1); // without a question when the option says so
    EXPECT_TRUE(boxes.calls.empty());

    EXPECT_EQ(Texts(TopMenu(0)->actions()), (QStringList{u"Př&idej"_s, u"&Aktualizuj"_s, u"&Vrať"_s}));
    EXPECT_EQ(Texts(TopMenu(1)->actions()), QStringList{u"Časy a &frekvence"_s});
    EXPECT_EQ(Texts(TopMenu(2)->actions()), QStringList{u"&Manažer hesel"_s});
    EXPECT_EQ(TopMenu(2)->menuAction()->statusTip(), u"Seznam nástrojů pro práci s www"_s);
    EXPECT_EQ(Texts(TopMenu(3)->actions()), (QStringList{u"&Novinky"_s, u"&WWW"_s, u"&Internet update"_s,
                                                         u"Na&stavení"_s, u"-"_s, u"&O programu..."_s}));

    EXPECT_EQ(Texts(Access().PopupMenu()->actions()),
              (QStringList{u"&Ukázat okno"_s, u"&WWW"_s, u"&Internet update"_s, u"&Manažer hesel"_s, u"-"_s,
                           u"&O programu..."_s, u"-"_s, u"&Konec"_s}));
    EXPECT_EQ(Access().RxTrayIcon1()->contextMenu(), Access().PopupMenu());
    EXPECT_FALSE(Access().RxTrayIcon1()->icon().isNull());
    EXPECT_FALSE(Access().RxTrayIcon1()->toolTip().isEmpty());
}

TEST_F(MainWindow, ActionTableHasItsHintsAndPictures)
{
    MakeWindow();
    const struct
    {
        QAction* action;
        QString hint;
        bool picture;
    } table[] = {
        {Access().UkazApp(), u"Zobrazí okno aplikace"_s, true},
        {Access().CloseApp(), u"Konec sledování, aplikace se vypne"_s, true},
        {Access().GoHomePage(), u"Otevře domovskou stránku programu na WWW"_s, true},
        {Access().About(), u"Informace o autorech"_s, true},
        {Access().IUpdate(), u"Podívá se na WWW, zda není nová verze a popř. provede aktulizaci"_s, true},
        {Access().Napoveda(), QString(), false},
        {Access().Novinky(), QString(), false},
        {Access().VypisPripojeni(), u"Výpis připojení v daném období"_s, false},
        {Access().Nastaveni(), QString(), false},
        {Access().PwdManager(), u"Manažer hesel"_s, true},
        {Access().Pridej(), u"Autorizuje nové připojení"_s, false},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.action->objectName().toStdString());
        EXPECT_EQ(row.action->statusTip(), row.hint);
        EXPECT_EQ(!row.action->icon().isNull(), row.picture);
    }
    EXPECT_TRUE(Access().VypisPripojeni()->isEnabled()); // this system publishes the counters
    EXPECT_EQ(Access().StatusPanel(0)->width() >= 350, true);
}

TEST_F(MainWindow, HintOfTheItemUnderTheMouseGoesToTheFirstPanel)
{
    MakeWindow();
    QStatusTipEvent tip(u"Zobrazí okno aplikace"_s);
    QApplication::sendEvent(window.get(), &tip);
    EXPECT_EQ(Access().StatusPanel(0)->text(), u"Zobrazí okno aplikace"_s);
    EXPECT_EQ(Access().StatusPanel(1)->text(), u"Nepřipojen"_s); // the status panel is left alone
    emit Access().PopupMenu()->hovered(Access().CloseApp());
    EXPECT_EQ(Access().StatusPanel(0)->text(), u"Konec sledování, aplikace se vypne"_s);
}

TEST_F(MainWindow, CloseBoxHidesIntoTheTrayAndShowingBringsItBack)
{
    TFrmNuvex::SetTrayAvailableForTesting(true);
    MakeWindow();
    CountQuits();
    window->show();
    QApplication::processEvents();
    window->close();
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(LogTexts().isEmpty());

    Access().UkazApp()->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    ASSERT_NE(window->windowHandle(), nullptr);
    const WId native = window->winId();
    EXPECT_FALSE(
        window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint)); // lifted, not left on top
    Access().UkazApp()->trigger();
    EXPECT_EQ(window->winId(), native); // the same window: no re-creation every second of an alarm

    window->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    emit Access().RxTrayIcon1()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindow, WithoutANotificationAreaTheWindowIsOnlyMinimised)
{
    TFrmNuvex::SetTrayAvailableForTesting(false);
    MakeWindow();
    CountQuits();
    window->show();
    window->close();
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->showNormal();
    window->close();
    QApplication::processEvents();
    EXPECT_EQ(quits, 0);
    ASSERT_EQ(LogTexts().size(), 1); // said once
    EXPECT_TRUE(LogTexts().first().contains(u"tray"_s));
}

TEST_F(MainWindow, QuitAsksUnlessTheOptionSaysNot)
{
    MakeWindow();
    CountQuits();
    window->show();
    boxes.Answer(false);
    Access().CloseApp()->trigger();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, u"Opravdu chcete ukončit sledování ?"_s);
    EXPECT_FALSE(boxes.calls[0].defaultNo);
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(window->isVisible());

    boxes.Answer(true);
    Access().CloseApp()->trigger();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindow, EndOfTheSessionQuitsWithoutTheQuestionAndLogsTheSession)
{
    MakeWindow();
    CountQuits();
    Options->SetSessionStamps(DateTimeToOle(QDateTime::currentDateTime().addSecs(-300)),
                              DateTimeToOle(QDateTime::currentDateTime()));
    window->QueryEndSession();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(Access().ForceClose());
    window.reset(); // the window's destruction writes the session
    QStringList lines;
    TIniFile(SessionLogFile(QDate::currentDate())).ReadSectionValues(kSessionSection, lines);
    EXPECT_EQ(lines.size(), 1);
    EXPECT_EQ(GetSessionStart(), 0.0);
}

TEST(TrayMenuMargin, GradientRunsFromRedToDarkGreenInThirtyTwoSteps)
{
    const auto bands = VerticalGradientBands(QRect(0, 0, 18, 320), QColor(255, 0, 0), QColor(0, 63, 0), 32);
    ASSERT_EQ(bands.size(), 32u);
    EXPECT_EQ(bands.front().color, QColor(255, 0, 0));
    EXPECT_EQ(bands.back().color, QColor(0, 63, 0));
    EXPECT_EQ(bands.front().rect, QRect(0, 0, 18, 10));
    EXPECT_EQ(bands.back().rect.bottom(), 319);
    for (std::size_t i = 1; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].rect.top(), bands[i - 1].rect.bottom() + 1); // no gap, no overlap
        EXPECT_LE(bands[i].color.red(), bands[i - 1].color.red());
    }
    // A margin lower than the steps still covers every row.
    const auto few = VerticalGradientBands(QRect(0, 0, 18, 20), Qt::red, Qt::green, 32);
    int rows = 0;
    for (const auto& band : few)
        rows += band.rect.height();
    EXPECT_EQ(rows, 20);
}

TEST(TrayMenuMargin, PaintsTheNameInWhiteInsideTheMargin)
{
    QImage image(40, 200, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        PopupMenuDrawMargin(painter, QRect(0, 0, kMenuMarginWidth, 200));
    }
    EXPECT_EQ(QColor(image.pixel(17, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(25, 100)), QColor(Qt::black)); // clipped to the margin
    int white = 0;
    int whiteAboveText = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < kMenuMarginWidth; ++x)
            if (QColor(image.pixel(x, y)).lightness() > 200) {
                ++white;
                if (y < 60)
                    ++whiteAboveText;
            }
    EXPECT_GT(white, 20);         // the text is there, near the bottom
    EXPECT_EQ(whiteAboveText, 0); // and runs upwards from 5 pixels above the bottom only so far
    for (int x = 0; x < kMenuMarginWidth; ++x)
        for (int y = 196; y < 200; ++y)
            EXPECT_LT(QColor(image.pixel(x, y)).lightness(), 200) << x << "," << y;
}

TEST_F(MainWindow, NewsFromTheMenuAlwaysOpensAndChangesNoOption)
{
    Options->SetNewsPending(false);
    Options->SetLastNewsVersion(u"2.0.0.1"_s);
    MakeWindow(); // (its creation closes any open session: that writes the stamps)
    const std::filesystem::path options = platform::registry::RootFile(platform::registry::Root::CurrentUser);
    const QByteArray before = test::ReadBytes(options);
    ASSERT_FALSE(Access().News().isEmpty());
    QString shown;
    test::WhenModal<QWidget>([&shown](QWidget& dialog) {
        shown = dialog.objectName();
        if (auto* box = dialog.findChild<QCheckBox*>(u"ChxNoShow"_s))
            box->setChecked(true); // acknowledged here, with no lasting effect
        dialog.close();
    });
    Access().Novinky()->trigger();
    EXPECT_EQ(shown, u"DlgNovinky"_s);
    EXPECT_EQ(test::ReadBytes(options), before);
}

TEST_F(MainWindow, EveryCommandOfBothMenusReachesItsWindowAndTheWatchGoesOn)
{
    MakeWindow();
    window->show();
    Access().Timer1()->start();
    test::ShellOpens opened;
    test::HelpRequests help;

    // Whatever window a command opens is closed again, the way a user would close it.
    QStringList closed;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                ADD_FAILURE() << "error box: " << box->text().toStdString();
            closed.append(modal->objectName());
            modal->close();
        }
    });
    closer.start();

    std::vector<QAction*> commands;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (action->menu())
                collect(action->menu()->actions());
            else if (!action->isSeparator())
                commands.push_back(action);
        }
    };
    collect(window->menuBar()->actions());
    commands.push_back(Access().Napoveda());
    collect(Access().PopupMenu()->actions());
    for (QAction* command : commands) {
        SCOPED_TRACE(command->text().toStdString());
        if (command == Access().CloseApp() || command->objectName() == u"Konec1"_s)
            boxes.Answer(false); // asked, and the user stays
        command->trigger();
        QApplication::processEvents();
    }
    closer.stop();

    EXPECT_EQ(opened.size(), 2u); // "&WWW" from both menus
    EXPECT_EQ(help.size(), 1u);   // "&Pomoc"
    for (const char* name : {"DlgNovinky", "DlgSetup", "AboutBox", "DlgFrekvence"})
        EXPECT_TRUE(closed.contains(QString::fromLatin1(name)))
            << name << " in " << closed.join(u',').toStdString();
    EXPECT_TRUE(window->isVisible());

    // The watch still ticks: two more of its ticks run.
    const int linesBefore = static_cast<int>(LogTexts().size());
    int ticks = 0;
    const QMetaObject::Connection counter =
        QObject::connect(Access().Timer1(), &QTimer::timeout, window.get(), [&ticks] { ++ticks; });
    EXPECT_TRUE(WaitFor([&ticks] { return ticks >= 2; }, 10000)) << ticks << " ticks";
    QObject::disconnect(counter);
    EXPECT_TRUE(Access().Timer1()->isActive());
    EXPECT_TRUE(LogTexts().contains(u"Vše OK."_s)) << LogTexts().join(u'\n').toStdString();
    EXPECT_GE(LogTexts().size(), linesBefore);
}

// The keyboard's way along the menu bar reaches "Pomoc" at its right edge and comes back.
TEST_F(MainWindow, ArrowKeysWalkEveryTopLevelMenuIncludingPomoc)
{
    MakeWindow();
    window->show();
    window->activateWindow();
    Access().ListView()->setFocus();
    QApplication::processEvents();
    test::HelpRequests help;

    QMenuBar* bar = window->menuBar();
    auto* corner = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);
    // The highlighted item of either bar, by its caption.
    const auto highlighted = [&] {
        QAction* item = corner->activeAction() ? corner->activeAction() : bar->activeAction();
        return item ? item->text() : QString();
    };
    // A key as the keyboard sends it: to the open menu when there is one, else to the bar
    // that has the focus.
    const auto press = [&](Qt::Key key) {
        QWidget* target = QApplication::activePopupWidget();
        if (!target)
            target = corner->hasFocus() ? static_cast<QWidget*>(corner) : bar;
        test::SendKey(target, key);
        QApplication::processEvents();
    };

    bar->setFocus(Qt::MenuBarFocusReason);
    bar->setActiveAction(bar->actions().first());
    QApplication::processEvents();
    QStringList walked{highlighted()};
    for (int step = 0; step < 6; ++step) {
        press(Qt::Key_Right);
        walked.append(highlighted());
    }
    EXPECT_EQ(walked, (QStringList{u"Př&ipojení"_s, u"&Statistika"_s, u"&Nástroje"_s, u"&Ostatní"_s,
                                   u"&Konec"_s, u"&Pomoc"_s, u"Př&ipojení"_s}));

    // Left from the first item wraps to the bar's last item, and on to "Pomoc"; Left from
    // "Pomoc" returns to "Konec".
    press(Qt::Key_Left);
    press(Qt::Key_Right);
    ASSERT_EQ(highlighted(), u"&Pomoc"_s);
    press(Qt::Key_Left);
    EXPECT_EQ(highlighted(), u"&Konec"_s);
    press(Qt::Key_Right);
    ASSERT_EQ(highlighted(), u"&Pomoc"_s);

    // Enter on "Pomoc" opens the help's contents and gives the focus back.
    press(Qt::Key_Return);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].command, HELP_CONTENTS);
    EXPECT_EQ(help[0].data, 0u);
    EXPECT_EQ(highlighted(), QString());
    EXPECT_TRUE(Access().ListView()->hasFocus());
}
