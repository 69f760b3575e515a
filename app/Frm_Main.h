#pragma once

// TFrmNuvex: the main window and the holder of the watch. It holds both dial-up lists,
// the watch timer, the list of entries with their numbers, the log, the status bar, the
// menus, the tray icon and the action table. Its parts live in files of their own:
// Frm_Main.cpp (creation, the timer and the log), Frm_Main_Actions.cpp (action table and
// menus), Frm_Main_Shell.cpp (tray, hiding and showing, quitting, hints),
// Frm_Main_Watch.cpp (the number watch and its actions) and Frm_Main_Guard.cpp (the
// connection guard and the status bar; the session itself is TConnectionSession's). Its
// members are its own: tests reach them through TFrmNuvexTestAccess.

#include "status/ConnectionSession.h"
#include "watch/NumberWatch.h"
#include "watch/PendingHangUps.h"
#include "watch/RasHelperClasses.h"

#include <QIcon>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QPlainTextEdit;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace nuvex {

class TMarginMenu;

class TFrmNuvex : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFrmNuvex(QWidget* parent = nullptr);
    ~TFrmNuvex() override;

    // Appends "time:text" to the log (and to standard error) unless text repeats the last line.
    // The log view keeps the last kLogViewLines lines; older ones were on standard error.
    void AddLogLine(const QString& text);
    static constexpr int kLogViewLines = 5000;
    // Restores the window, brings it to the front and lifts it above other windows
    // without leaving it on top.
    void UkazAppExecute();
    void SetTopMost(bool on);
    // Quits, after the question unless AskBeforeQuit or ForceClose says not to ask.
    void CloseAppExecute();
    // The end of the user's session (session manager, SIGTERM/SIGINT/SIGHUP): quit
    // without the question.
    void QueryEndSession();
    void NapovedaExecute();
    // The news window from the menu: always shown, and no option changes.
    void NovinkyExecute();
    // The data module's update command, which does nothing.
    void IUpdateExecute();
    void GoHomePageExecute();
    void AboutExecute();
    void NastaveniExecute();
    void VypisPripojeniExecute();
    void PwdManagerExecute();

    // Start-up's hiding: into the tray, or minimised on a desktop without one.
    void HideAtStart();
    void AppEvents1Minimize();
    void AppEvents1Restore();
    void AppEvents1Hint(const QString& hint);

    // Whether there is a notification area to hide into; tests decide it themselves.
    static bool TrayAvailable();
    static void SetTrayAvailableForTesting(std::optional<bool> available);

    // One watch cycle: the connections first, then the phonebook. An error is reported
    // in a box opened without waiting for it, and the timer goes on; an error of the
    // connections does not skip the phonebook's check.
    void Timer1Timer();
    // Watches the hang-up the guard started (every 100 ms while one is awaited).
    void HangUpPollTimer();
    // How long a hang-up is awaited before it is reported, and how often it is tried again
    // afterwards, by the given clock.
    void SetHangUpLimits(
        std::chrono::milliseconds waitLimit, std::chrono::milliseconds retryInterval,
        TPendingHangUps::TNow now = [] { return TPendingHangUps::Clock::now(); });

    // True once the quit was confirmed: a start-up still under way ends there.
    bool QuitRequested() const { return closeAllowed_; }

    // The watch actions: availability from the selected row, and their handlers.
    void UpdateWatchActions();
    void PridejExecute();
    void ZmenitExecute();
    void VratitExecute();

    // The session log of the session under way (the program's end, and tests).
    void WriteSessionLog();

    // The image index of a row of ListView (-1 for no such row).
    int RowImage(int row) const;

    // The watch's one-second tick: start-up starts it, and the phonebook watcher follows it.
    QTimer* WatchTimer() const { return Timer1; }
    // The program's change history, newest first (the news window shows it).
    const QStringList& NewsLines() const { return News; }

signals:
    // The quit was confirmed; the application's event loop ends next.
    void QuitConfirmed();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The tests' one way in (tests/support/FrmNuvexTestAccess.h).
    friend class TFrmNuvexTestAccess;

    void FormCreate();
    void CreateTray();
    void CreateMenus();
    void FormDestroy();
    void CreateControls();
    void CreateActions();
    void PhonebookChange(TRasBaseList& sender);
    void ConnectionsChange(TRasBaseList& sender);
    void ListViewSelectItem();
    void SetRowImage(QTreeWidgetItem* item, int image);
    QTreeWidgetItem* SelectedRow() const;
    // Runs an action's handler; an error ends it with the error box.
    void RunAction(void (TFrmNuvex::*handler)());
    QAction* MakeAction(const char* name, const QString& caption, const QString& hint, int image,
                        void (TFrmNuvex::*handler)() = nullptr);

    void RefreshConnections();

    QTreeWidget* ListView = nullptr;
    QPlainTextEdit* LogMemo = nullptr;
    QStatusBar* HintBar = nullptr;
    std::array<QLabel*, 2> HintBarPanels{};
    QTimer* Timer1 = nullptr;
    QTimer* HangUpPoll = nullptr;
    std::vector<QIcon> ImageList1;
    QStringList News;

    QMenu* PripojeniMenu = nullptr;
    QAction* Pridej = nullptr;
    QAction* Zmenit = nullptr;
    QAction* Vratit = nullptr;
    QAction* UkazApp = nullptr;
    QAction* CloseApp = nullptr;
    QAction* GoHomePage = nullptr;
    QAction* About = nullptr;
    QAction* IUpdate = nullptr;
    QAction* Napoveda = nullptr;
    QAction* Novinky = nullptr;
    QAction* VypisPripojeni = nullptr;
    QAction* Nastaveni = nullptr;
    QAction* PwdManager = nullptr;

    TMarginMenu* PopupMenu = nullptr;
    QSystemTrayIcon* RxTrayIcon1 = nullptr;

    bool AlarmRaised = false;
    bool ForceClose = false;
    TDamageNotices DamageNotices; // damaged store, phonebook or connections file, each logged once
    QString LastLogText;

    std::unique_ptr<TRasConnectionsList> Connections;
    std::unique_ptr<TRasPhonebook> Phonebook;

    bool closeAllowed_ = false;
    bool noTrayLogged_ = false;
    // The session of the connections seen connected; the window shows its figure.
    TConnectionSession session_;
    TUnreadableEntries unreadable_;
    TLastCheck lastCheck_;
    TPendingHangUps hangUps_{kHangUpWaitLimit, kHangUpRetryInterval};
};

} // namespace nuvex
