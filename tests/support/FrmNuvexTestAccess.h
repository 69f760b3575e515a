#pragma once

// The tests' one way into the main window: its widgets, actions, lists and guard state by
// name. The window keeps them private; what a test may set is limited to the alarm and the
// figures of the session under way.

#include "app/Frm_Main.h"
#include "status/ConnectionSession.h"

#include <QLabel>

namespace nuvex {

class TFrmNuvexTestAccess
{
public:
    explicit TFrmNuvexTestAccess(TFrmNuvex& window) : window_(window) {}

    QTreeWidget* ListView() const { return window_.ListView; }
    QPlainTextEdit* LogMemo() const { return window_.LogMemo; }
    // The status bar's panels: 0 the hint, 1 the connection's figure.
    QLabel* StatusPanel(int index) const { return window_.HintBarPanels.at(static_cast<std::size_t>(index)); }
    QTimer* Timer1() const { return window_.Timer1; }
    QTimer* HangUpPoll() const { return window_.HangUpPoll; }
    const QStringList& News() const { return window_.News; }

    QMenu* PripojeniMenu() const { return window_.PripojeniMenu; }
    QAction* Pridej() const { return window_.Pridej; }
    QAction* Zmenit() const { return window_.Zmenit; }
    QAction* Vratit() const { return window_.Vratit; }
    QAction* UkazApp() const { return window_.UkazApp; }
    QAction* CloseApp() const { return window_.CloseApp; }
    QAction* GoHomePage() const { return window_.GoHomePage; }
    QAction* About() const { return window_.About; }
    QAction* IUpdate() const { return window_.IUpdate; }
    QAction* Napoveda() const { return window_.Napoveda; }
    QAction* Novinky() const { return window_.Novinky; }
    QAction* VypisPripojeni() const { return window_.VypisPripojeni; }
    QAction* Nastaveni() const { return window_.Nastaveni; }
    QAction* PwdManager() const { return window_.PwdManager; }
    TMarginMenu* PopupMenu() const { return window_.PopupMenu; }
    QSystemTrayIcon* RxTrayIcon1() const { return window_.RxTrayIcon1; }

    TRasConnectionsList& Connections() const { return *window_.Connections; }
    TRasPhonebook& Phonebook() const { return *window_.Phonebook; }

    bool AlarmRaised() const { return window_.AlarmRaised; }
    void SetAlarmRaised(bool raised) const { window_.AlarmRaised = raised; }
    bool ForceClose() const { return window_.ForceClose; }

    const TSessionFields& Session() const { return window_.session_.Fields(); }
    // A session open with these figures, of no connection the guard has seen (the tests
    // that set it list none).
    void SetSession(const TSessionFields& fields) const { window_.session_ = TConnectionSession(fields); }

private:
    TFrmNuvex& window_;
};

} // namespace nuvex
