#pragma once

// TFrmNuvex: the main window and the holder of the watch. It holds both dial-up lists,
// the watch timer, the list of entries with their numbers and the log.

#include "watch/RasHelperClasses.h"

#include <QIcon>
#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <vector>

class QPlainTextEdit;
class QTreeWidget;

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

    // The image index of a row of ListView (-1 for no such row).
    int RowImage(int row) const;

    QTreeWidget* ListView = nullptr;
    QPlainTextEdit* LogMemo = nullptr;
    QTimer* Timer1 = nullptr;
    std::vector<QIcon> ImageList1;

    bool AlarmRaised = false;
    bool ForceClose = false;
    QString LastLogText;
    QString ConnName;
    quint32 BytesAtStart = 0;
    quint32 ConnSpeed = 0;

    std::unique_ptr<TRasConnectionsList> Connections;
    std::unique_ptr<TRasPhonebook> Phonebook;

private:
    void FormCreate();
    void CreateControls();
    void PhonebookChange(TRasBaseList& sender);
    void SelectRow(int row);
};

} // namespace nuvex
