#pragma once

// TFrmNuvex: the main window and the holder of the watch. It holds both dial-up lists,
// the watch timer, the list of entries with their numbers, the log, the status bar and
// the watch actions. Its parts live in files of their own: Frm_Main.cpp (creation, the
// timer and the log), Frm_Main_Watch.cpp (the number watch and its actions) and
// Frm_Main_Guard.cpp (the connection guard, live status and session log).

#include "watch/RasHelperClasses.h"

#include <QIcon>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace nuvex {

class TFrmNuvex : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFrmNuvex(QWidget* parent = nullptr);
    ~TFrmNuvex() override;

    // Appends "time:text" to the log (and to standard error) unless text repeats the last line.
    void AddLogLine(const QString& text);
    // Restores the window and brings it to the front.
    void UkazAppExecute();

    // One watch cycle: the connections first, then the phonebook. An error is reported
    // in a box and the timer goes on.
    void Timer1Timer();

    // The watch actions: availability from the selected row, and their handlers.
    void UpdateWatchActions();
    void PridejExecute();
    void ZmenitExecute();
    void VratitExecute();

    // Live status and the session log.
    void ShowConnectionStatus();
    void SetConnName(const QString& name);
    void WriteSessionLog();

    // The image index of a row of ListView (-1 for no such row).
    int RowImage(int row) const;

    QTreeWidget* ListView = nullptr;
    QPlainTextEdit* LogMemo = nullptr;
    QStatusBar* HintBar = nullptr;
    std::array<QLabel*, 2> HintBarPanels{};
    QTimer* Timer1 = nullptr;
    std::vector<QIcon> ImageList1;

    QMenu* PripojeniMenu = nullptr;
    QAction* Pridej = nullptr;
    QAction* Zmenit = nullptr;
    QAction* Vratit = nullptr;

    bool AlarmRaised = false;
    bool ForceClose = false;
    QString LastLogText;
    QString ConnName;
    quint32 BytesAtStart = 0;
    qint32 ConnSpeed = 0;

    std::unique_ptr<TRasConnectionsList> Connections;
    std::unique_ptr<TRasPhonebook> Phonebook;

private:
    void FormCreate();
    void FormDestroy();
    void CreateControls();
    void CreateActions();
    void PhonebookChange(TRasBaseList& sender);
    void ConnectionsChange(TRasBaseList& sender);
    void ListViewSelectItem();
    void SelectRow(int row);
    void SetRowImage(QTreeWidgetItem* item, int image);
    QTreeWidgetItem* SelectedRow() const;
    // Runs an action's handler; an error ends it with the error box.
    void RunAction(void (TFrmNuvex::*handler)());
};

} // namespace nuvex
